#pragma once

#include <QFont>

class QWidget;

// Window layouts are given in twips (1/1440 inch): 15 twips to a pixel at 96 dpi.
// Qt's own high-DPI scaling takes it from there.
namespace Look {

constexpr int twips(int value) { return (value >= 0 ? value + 7 : value - 7) / 15; }

void place(QWidget *widget, int left, int top, int width, int height);
void setClientSize(QWidget *window, int width, int height);

// The screen fonts the layouts were drawn for, mapped to metric-compatible
// free fonts where the originals are absent.
QFont sansSerif(qreal pointSize, bool bold = false); // "MS Sans Serif"
QFont arial(qreal pointSize, bool bold = false);

// The program-wide default font for controls with no font of their own.
void applyDefaultFont();

} // namespace Look
