#pragma once

#include <QObject>
#include <functional>

// Presses that come from outside the keyboard and mouse (an assistive
// technology, a phone) are carried out after their sender has its answer, so a
// handler that opens a box never keeps the sender waiting. Presses of one lane
// run one at a time and in the order they came: a press whose handler opens a
// box holds the next until the box is closed, and a lane waits while held()
// says so. A press whose lane object is gone is dropped.
namespace Presses {

void post(QObject *lane, std::function<bool()> held, std::function<void()> press);

// Presses posted and not yet carried out, for tests.
int pending();

} // namespace Presses
