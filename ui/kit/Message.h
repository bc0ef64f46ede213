#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

class QWidget;

// Every message to the user goes through here: a modal box with a single OK
// button, titled with the program's title.
namespace Message {

void show(const QString &text, QWidget *parent = nullptr);

// A message is waiting for the user. Timers that would draw, open or close
// windows hold back meanwhile: the box runs an event loop of its own, and work
// done inside it would stack boxes or pull windows away from under the handler
// that opened it.
bool isShowing();
// Milliseconds messages have waited for the user so far, on the steady clock:
// paced work does not count that time.
qint64 waitedMs();

// A question with Yes and No, No the default: true when the caller answers Yes.
bool ask(const QString &text, QWidget *parent = nullptr);

// Tests observe messages instead of answering real boxes; an empty observer
// restores the real box.
using Observer = std::function<void(const QString &text)>;
void setObserver(Observer observer);
// Tests answer questions; an empty answerer restores the real box.
using Answerer = std::function<bool(const QString &text)>;
void setAnswerer(Answerer answerer);

} // namespace Message
