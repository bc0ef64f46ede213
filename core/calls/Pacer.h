#pragma once

#include <QtGlobal>
#include <limits>

// The pacing rule as a value: two tick counters against two delays, in units
// of TicksPerUnit ticks of TickMs each. It tells how many ticks remain until
// the next draw, so a single-shot timer sleeps until then instead of waking
// every tick.
struct Pacer
{
    static constexpr int TickMs = 10;
    static constexpr qint64 TicksPerUnit = 100;
    static constexpr qint64 Never = std::numeric_limits<qint64>::max();

    int callDelay = 0; // in units; 0 draws no list call by itself
    int nlDelay = 0;   // in units; 0 draws no NL call by itself
    bool sync = false; // the NL calls go by the list-call delay and its counter

    // The NL delay in force: the list call's while synchronised.
    int nlDelayInForce() const { return sync ? callDelay : nlDelay; }

    // Ticks from now until the first that draws, at least 1; Never when no delay runs.
    qint64 ticksToNextDraw(qint64 callTicks, qint64 nlTicks) const
    {
        const qint64 nlCount = sync ? callTicks : nlTicks;
        qint64 ticks = Never;
        if (nlDelayInForce() > 0)
            ticks = qMax<qint64>(1, nlDelayInForce() * TicksPerUnit - nlCount);
        if (callDelay > 0)
            ticks = qMin(ticks, qMax<qint64>(1, callDelay * TicksPerUnit - callTicks));
        return ticks;
    }

    // When the next draw is due on the pacing clock, the last tick counted at tickBase.
    qint64 nextDueMs(qint64 tickBase, qint64 callTicks, qint64 nlTicks) const
    {
        const qint64 ticks = ticksToNextDraw(callTicks, nlTicks);
        return ticks == Never ? Never : tickBase + ticks * TickMs;
    }
};
