#include "boards/HomePositions.h"

FormWindow *HomePositions::createWindow()
{
    auto *w = new FormWindow(this);
    w->setObjectName(QStringLiteral("HomePositions"));
    w->setWindowTitle(QStringLiteral("Home Positions"));
    return w;
}
