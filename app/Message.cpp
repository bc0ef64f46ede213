#include "app/Message.h"

#include "app/AppIdentity.h"

#include <QMessageBox>

namespace {
Message::Observer &observer()
{
    static Message::Observer current;
    return current;
}
} // namespace

namespace Message {

void show(const QString &text, QWidget *parent)
{
    if (observer()) {
        observer()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, AppIdentity::title(), text, QMessageBox::Ok, parent);
    box.exec();
}

void setObserver(Observer o)
{
    observer() = std::move(o);
}

} // namespace Message
