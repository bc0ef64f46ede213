#include "ui/kit/Modal.h"

#include "core/app/TimeSource.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSet>
#include <QWidget>

namespace {
int holds = 0;
qint64 heldBefore = 0; // by the holds already over
qint64 heldSince = 0;

void take()
{
    if (holds++ == 0)
        heldSince = TimeSource::steady().nowMs();
}

void release()
{
    if (--holds == 0)
        heldBefore += TimeSource::steady().nowMs() - heldSince;
}

// Modal top-level windows from their showing to their hiding or end.
class Watcher : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::Destroy)
            return false;
        if (type == QEvent::Destroy) {
            if (m_open.remove(watched))
                release();
            return false;
        }
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->isWindow())
            return false;
        if (type == QEvent::Show && widget->isModal() && !m_open.contains(watched)) {
            m_open.insert(watched);
            take();
        } else if (type == QEvent::Hide && m_open.remove(watched)) {
            release();
        }
        return false;
    }

private:
    QSet<QObject *> m_open;
};
} // namespace

namespace Modal {

Hold::Hold()
{
    take();
}

Hold::~Hold()
{
    release();
}

void watchModalWindows()
{
    static Watcher *watcher = nullptr;
    if (watcher || !QCoreApplication::instance())
        return;
    watcher = new Watcher;
    watcher->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watcher);
}

bool isHeld()
{
    return holds > 0;
}

qint64 heldMs()
{
    return heldBefore + (holds > 0 ? TimeSource::steady().nowMs() - heldSince : 0);
}

} // namespace Modal
