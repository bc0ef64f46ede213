#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

// Bounded waiting for a call database that another connection holds locked.
// SQLite itself waits one short slice on a lock; between two attempts the event
// loop runs, so every window keeps repainting and the caller can cancel.
namespace Waiting {

// How long one attempt may block inside SQLite: every connection's busy timeout.
constexpr int SliceMs = 50;

enum class Patience {
    Tick,    // a paced draw: one attempt, never a wait
    Open,    // opening the file
    Command, // a caller's own action
};

// 15 s to open and 30 s a command, unless a test shortens them.
void setTimeouts(int openMs, int commandMs);

// Runs work, and runs it again while it fails with a Busy DataError, until the
// deadline of its patience. work must leave nothing half done when it throws:
// it only reads, or runs one transaction. While it waits, a small window names
// the file and offers Cancel. At the deadline the last Busy error is raised, on
// Cancel a Cancelled one. A retry inside another one's work runs work once.
void retry(Patience patience, const QString &path, const std::function<void()> &work);

// A wait is in progress: timers that would start work of their own hold back.
bool isWaiting();
// Milliseconds spent in waits so far, on the steady clock: paced work does not
// count that time.
qint64 waitedMs();

} // namespace Waiting
