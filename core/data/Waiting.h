#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

// Bounded waiting for a call database that another connection holds locked.
// SQLite itself waits one short slice on a lock; between two attempts the face
// that started the work pauses in its own way: the windows run the event loop
// behind a waiting window with Cancel, a command-line tool sleeps.
namespace Waiting {

// How long one attempt may block inside SQLite: every connection's busy timeout.
constexpr int SliceMs = 50;

enum class Patience {
    Tick,    // a paced draw: one attempt, never a wait
    Open,    // opening the file
    Command, // a caller's own action
};

// How a face waits between two attempts.
class Policy
{
public:
    virtual ~Policy() = default;
    // The first attempt was refused: the wait for file begins.
    virtual void begin(const QString &file, int timeoutMs) = 0;
    // One pause between attempts; false when the caller gave up.
    virtual bool pause(int ms) = 0;
    // The wait is over, however it ended.
    virtual void end() = 0;
};

// The face's policy, kept by the caller; nullptr restores the plain one, which
// sleeps between attempts and says once on standard error what it waits for.
void setPolicy(Policy *policy);

// 15 s to open and 30 s a command, unless a face or a test sets others.
void setTimeouts(int openMs, int commandMs);

// Runs work, and runs it again while it fails with a Busy DataError, until the
// deadline of its patience. work must leave nothing half done when it throws:
// it only reads, or runs one transaction. At the deadline the last Busy error
// is raised, when the caller gives up a Cancelled one. A retry inside another
// one's work runs work once.
void retry(Patience patience, const QString &path, const std::function<void()> &work);

// A wait is in progress: timers that would start work of their own hold back.
bool isWaiting();

// "call database "Call_List.db" in the folder ...": the file as a wait names it.
QString fileWords(const QString &path);

} // namespace Waiting
