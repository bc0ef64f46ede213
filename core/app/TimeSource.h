#pragma once

#include <QtGlobal>

// Where timed rules read the time: a monotonic reading in milliseconds from an
// arbitrary start. Tests put in a source they move by hand.
class TimeSource
{
public:
    virtual ~TimeSource() = default;
    virtual qint64 nowMs() const = 0;

    // The machine's steady clock; unaffected by midnight or clock changes.
    static const TimeSource &steady();
};
