#include "core/app/TimeSource.h"

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
