#include "ui/kit/FocusRing.h"

#include <QEvent>
#include <QFocusFrame>
#include <QPointer>
#include <QWidget>

namespace {

// Lives as a child of its control: the ring comes with the focus and goes with it.
class Ring : public QObject
{
public:
    explicit Ring(QWidget *control)
        : QObject(control)
        , m_control(control)
    {
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_control)
            return false;
        if (event->type() == QEvent::FocusIn && !m_frame) {
            m_frame = new QFocusFrame(m_control);
            m_frame->setObjectName(m_control->objectName() + QStringLiteral("_focus"));
            m_frame->setAccessibleName(m_control->accessibleName());
            m_frame->setWidget(m_control);
            m_frame->show();
        } else if (event->type() == QEvent::FocusOut || event->type() == QEvent::Hide) {
            delete m_frame.data();
        }
        return false;
    }

private:
    QWidget *m_control;
    QPointer<QFocusFrame> m_frame;
};

} // namespace

namespace FocusRing {

void add(QWidget *control)
{
    new Ring(control);
}

} // namespace FocusRing
