#include "app/Message.h"

#include "app/AppIdentity.h"
#include "app/TimeSource.h"

#include <QMessageBox>
#include <QScopeGuard>

namespace {
int showing = 0;
qint64 waitedBefore = 0; // by the messages already answered
qint64 shownSince = 0;

Message::Observer &observer()
{
    static Message::Observer current;
    return current;
}
} // namespace

namespace Message {

void show(const QString &text, QWidget *parent)
{
    if (showing++ == 0)
        shownSince = TimeSource::steady().nowMs();
    const auto done = qScopeGuard([] {
        if (--showing == 0)
            waitedBefore += TimeSource::steady().nowMs() - shownSince;
    });
    if (observer()) {
        observer()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, AppIdentity::title(), text, QMessageBox::Ok, parent);
    box.exec();
}

bool isShowing()
{
    return showing > 0;
}

qint64 waitedMs()
{
    return waitedBefore + (showing > 0 ? TimeSource::steady().nowMs() - shownSince : 0);
}

void setObserver(Observer o)
{
    observer() = std::move(o);
}

} // namespace Message
