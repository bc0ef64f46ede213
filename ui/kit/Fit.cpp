#include "ui/kit/Fit.h"

#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

namespace Fit {

void clientToChildren(QWidget *window)
{
    const QRect children = window->childrenRect();
    window->resize(window->size().expandedTo(QSize(children.right() + 1, children.bottom() + 1)));
}

namespace {

// The window's laid-out contents move into a scroll area that fills the window,
// for a screen smaller than their least size.
void scrollContents(QWidget *window)
{
    // Parents within the window from the start keep the window's tab order.
    auto *contents = new QWidget(window);
    contents->setObjectName(window->objectName() + QStringLiteral("_contents"));
    contents->setLayout(window->layout()); // takes the layout and its widgets over
    auto *area = new QScrollArea(window);
    area->setObjectName(window->objectName() + QStringLiteral("_scroll"));
    area->setAccessibleName(window->windowTitle());
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(contents);
    auto *all = new QVBoxLayout(window);
    all->setContentsMargins(0, 0, 0, 0);
    all->addWidget(area);
}

} // namespace

void toScreen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    // The frame is known once the native window exists.
    window->winId();
    const QRect frame = window->frameGeometry();
    const QSize border = frame.size() - window->size();
    const QSize most = room.size() - border;
    if (window->layout()) {
        if (!window->findChild<QScrollArea *>(window->objectName() + QStringLiteral("_scroll"), Qt::FindDirectChildrenOnly)) {
            const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
            if (least.width() > most.width() || least.height() > most.height())
                scrollContents(window);
        }
        const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
        window->resize(window->size().boundedTo(most).expandedTo(least));
    }
    const QSize outer = window->size() + border;
    QPoint at = frame.topLeft();
    at.setX(std::max(room.left(), std::min(at.x(), room.right() + 1 - outer.width())));
    at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - outer.height())));
    if (at != frame.topLeft())
        window->move(at);
}

} // namespace Fit
