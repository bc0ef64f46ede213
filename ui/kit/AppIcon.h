#pragma once

#include <QPixmap>

// The program's 32 x 32 icon, shared by the splash logo and the About box.
QPixmap appIcon();
