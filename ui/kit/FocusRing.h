#pragma once

class QWidget;

// A ring drawn around a control while it holds the keyboard focus, for controls
// whose own look shows no focus (scroll bars, pictures, drawn views). The ring
// lies just outside the control, so the control keeps its place and size.
namespace FocusRing {

void add(QWidget *control);

} // namespace FocusRing
