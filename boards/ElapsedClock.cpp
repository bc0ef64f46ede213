#include "boards/ElapsedClock.h"

#include <QElapsedTimer>

namespace {
class SteadySource : public TimeSource
{
public:
    SteadySource() { m_timer.start(); }
    qint64 nowMs() const override { return m_timer.elapsed(); }

private:
    QElapsedTimer m_timer;
};
} // namespace

const TimeSource &TimeSource::steady()
{
    static const SteadySource source;
    return source;
}

ElapsedClock::ElapsedClock(const TimeSource *source)
    : m_source(source ? source : &TimeSource::steady())
{
}

void ElapsedClock::setTimeSource(const TimeSource *source)
{
    m_source = source ? source : &TimeSource::steady();
}

void ElapsedClock::reset()
{
    RotateTimer = m_source->nowMs();
    RotateTimerM = 0;
    RotateTimerS = 0;
}

QString ElapsedClock::tick()
{
    CurrentTime = m_source->nowMs();
    // A source is monotonic; should one ever step back, show 0:00 rather than a negative time.
    const qint64 seconds = qMax<qint64>(0, CurrentTime - RotateTimer) / 1000;
    RotateTimerM = seconds / 60;
    RotateTimerS = int(seconds % 60);
    return caption();
}

QString ElapsedClock::caption() const
{
    return QStringLiteral("%1:%2").arg(RotateTimerM).arg(RotateTimerS, 2, 10, QLatin1Char('0'));
}
