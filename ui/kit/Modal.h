#pragma once

#include <QtGlobal>

// The caller is held by the program: a message box, a question, a file dialog,
// a print preview or the waiting window is open. Paced work holds back
// meanwhile, and its clock leaves that time out, so nothing piles up under a
// modal window and no box stacks on another.
namespace Modal {

// Held from construction to destruction, for waits that show no window of
// their own (a test's observed message box).
class Hold
{
public:
    Hold();
    ~Hold();
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;
};

// Counts every modal window of the program as a hold from its showing to its
// hiding; installed once, on the application.
void watchModalWindows();

bool isHeld();
// Milliseconds held so far, on the steady clock.
qint64 heldMs();

} // namespace Modal
