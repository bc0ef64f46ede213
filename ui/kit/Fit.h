#pragma once

class QWidget;

// A window's size against its contents and its screen.
namespace Fit {

// Widens and heightens a fixed layout's client area to take in every child, so
// none is cut off at the window's edge; nothing moves.
void clientToChildren(QWidget *window);

// Brings a window about to be shown within its screen's available area: a window
// with a layout gives up size down to its layout's minimum; any window is moved
// inside when it pokes out.
void toScreen(QWidget *window);

} // namespace Fit
