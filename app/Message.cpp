#include "app/Message.h"

#include "app/AppIdentity.h"

#include <QMessageBox>
#include <QScopeGuard>

namespace {
int showing = 0;

Message::Observer &observer()
{
    static Message::Observer current;
    return current;
}
} // namespace

namespace Message {

void show(const QString &text, QWidget *parent)
{
    ++showing;
    const auto done = qScopeGuard([] { --showing; });
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

void setObserver(Observer o)
{
    observer() = std::move(o);
}

} // namespace Message
