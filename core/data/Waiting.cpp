#include "core/data/Waiting.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QThread>
#include <cstdio>

namespace {
int openTimeoutMs = 15000;
int commandTimeoutMs = 30000;
bool waiting = false;
// The face's turn between two attempts.
constexpr int PauseMs = 20;

// A tool without windows: one line on standard error, then plain sleeps.
class PlainWait : public Waiting::Policy
{
public:
    void begin(const QString &file, int timeoutMs) override
    {
        // As the tool's other lines on standard error: its name first.
        std::fprintf(stderr, "%s: waiting up to %d seconds for the %s: another program is using it.\n",
                     qPrintable(QCoreApplication::applicationName()), timeoutMs / 1000, qPrintable(file));
        std::fflush(stderr);
    }
    bool pause(int ms) override
    {
        QThread::msleep(ulong(ms));
        return true;
    }
    void end() override {}
};

Waiting::Policy *chosenPolicy = nullptr;

Waiting::Policy &policy()
{
    static PlainWait plain;
    if (chosenPolicy)
        return *chosenPolicy;
    return plain;
}
} // namespace

namespace Waiting {

void setPolicy(Policy *p)
{
    chosenPolicy = p;
}

void setTimeouts(int openMs, int commandMs)
{
    openTimeoutMs = openMs;
    commandTimeoutMs = commandMs;
}

bool isWaiting()
{
    return waiting;
}

QString fileWords(const QString &path)
{
    return CallDatabase::where(path).section(u' ', 1);
}

void retry(Patience patience, const QString &path, const std::function<void()> &work)
{
    if (patience == Patience::Tick || waiting) {
        work();
        return;
    }
    waiting = true;
    const auto done = qScopeGuard([] { waiting = false; });
    const int timeoutMs = patience == Patience::Open ? openTimeoutMs : commandTimeoutMs;
    const QDeadlineTimer deadline(timeoutMs);
    Policy &face = policy();
    bool begun = false;
    const auto over = qScopeGuard([&] {
        if (begun)
            face.end();
    });
    QString waitedFor;
    for (;;) {
        try {
            work();
            return;
        } catch (const DataError &e) {
            if (!e.isBusy() || deadline.hasExpired())
                throw;
            // The file that is locked, which need not be the one the work started on.
            waitedFor = e.subject().isEmpty() ? fileWords(path) : e.subject().section(u' ', 1);
        }
        if (!begun) {
            face.begin(waitedFor, timeoutMs);
            begun = true;
        }
        if (!face.pause(PauseMs))
            throw DataError(QStringLiteral("Cancelled while waiting for the ") + waitedFor, DataError::Kind::Cancelled);
    }
}

} // namespace Waiting
