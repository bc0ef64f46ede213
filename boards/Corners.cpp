#include "boards/Corners.h"

FormWindow *Corners::createWindow()
{
    auto *w = new FormWindow(this);
    w->setObjectName(QStringLiteral("Corners"));
    w->setWindowTitle(QStringLiteral("Corners"));
    return w;
}
