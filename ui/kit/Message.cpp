#include "ui/kit/Message.h"

#include "core/app/AppIdentity.h"
#include "core/app/TimeSource.h"
#include "ui/kit/Modal.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScopeGuard>
#include <algorithm>
#include <memory>

namespace {
int showing = 0;
qint64 waitedBefore = 0; // by the messages already answered
qint64 shownSince = 0;

Message::Observer &observer()
{
    static Message::Observer current;
    return current;
}
Message::Answerer &answerer()
{
    static Message::Answerer current;
    return current;
}

// Marks a box as showing until the guard goes, and adds the time it held the
// caller to what the paced clocks leave out.
auto holdingTheCaller()
{
    if (showing++ == 0)
        shownSince = TimeSource::steady().nowMs();
    auto held = std::make_unique<Modal::Hold>();
    return qScopeGuard([held = std::move(held)]() mutable {
        held.reset();
        if (--showing == 0)
            waitedBefore += TimeSource::steady().nowMs() - shownSince;
    });
}

// Over the window the caller works in: a box opened over another window (the
// Calls window, answering a key on the Floor) could sit hidden behind it.
QWidget *over(QWidget *parent)
{
    QWidget *active = QApplication::activeWindow();
    return parent && active ? active : parent;
}
// Over a full-screen window (the Floor view in the hall) the box is read from as
// far away as the window: its letters in proportion to the screen. The dialog
// centres itself over the window, so on that screen.
void sizeForTheWindow(QMessageBox &box)
{
    const QWidget *parent = box.parentWidget();
    if (!parent || !parent->window()->isFullScreen() || !parent->window()->screen())
        return;
    const QRect screen = parent->window()->screen()->geometry();
    QFont f = box.font();
    f.setPixelSize(qMax(1, screen.height() / 30));
    box.setFont(f);
    // The box measures its wrapping width in pixels, not in letters, and holds
    // itself to 1,000 pixels wide: the text as wide as that leaves it room for.
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
        const QFontMetrics fm(f);
        int widest = 0;
        for (const QString &line : box.text().split(QLatin1Char('\n')))
            widest = qMax(widest, fm.horizontalAdvance(line));
        label->setMinimumWidth(std::min({widest, screen.width() / 2, 800}));
    }
}
} // namespace

namespace Message {

void show(const QString &text, QWidget *parent)
{
    const auto held = holdingTheCaller();
    if (observer()) {
        observer()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, AppIdentity::title(), text, QMessageBox::Ok, over(parent));
    // Names from the caller's files and lists may look like markup: shown as written.
    box.setTextFormat(Qt::PlainText);
    sizeForTheWindow(box);
    box.exec();
}

bool ask(const QString &text, QWidget *parent)
{
    const auto held = holdingTheCaller();
    if (answerer())
        return answerer()(text);
    QMessageBox box(QMessageBox::Question, AppIdentity::title(), text, QMessageBox::Yes | QMessageBox::No,
                    over(parent));
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    sizeForTheWindow(box);
    return box.exec() == QMessageBox::Yes;
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

void setAnswerer(Answerer a)
{
    answerer() = std::move(a);
}

} // namespace Message
