#pragma once

#include <QString>
#include <QtGlobal>

class QLabel;
class QTimer;
class QWidget;

// Where the boards' clock reads the time: a monotonic reading in milliseconds
// from an arbitrary start. Tests put in a source they move by hand.
class TimeSource
{
public:
    virtual ~TimeSource() = default;
    virtual qint64 nowMs() const = 0;

    // The machine's steady clock; unaffected by midnight or clock changes.
    static const TimeSource &steady();
};

// "Time since the last reset" in minutes and seconds, shared by both boards.
// The time is measured on the monotonic source; a tick only reads it and
// brings the displayed parts up to date, so late or missing ticks lose nothing.
class ElapsedClock
{
public:
    explicit ElapsedClock(const TimeSource *source = nullptr);

    void setTimeSource(const TimeSource *source); // nullptr: the steady clock

    // Starts counting again from 0:00; the display follows at the next tick.
    void reset();
    // Reads the time and updates the minutes and seconds; returns the caption.
    QString tick();
    // Minutes without leading zeros, ":", two-digit seconds: "0:07", "75:03".
    QString caption() const;

    // Seconds in the current minute (0 to 59) and whole minutes, as of the last tick.
    int RotateTimerS = 0;
    qint64 RotateTimerM = 0;
    // Source readings in milliseconds: at the last reset, and at the latest tick.
    qint64 RotateTimer = 0;
    qint64 CurrentTime = 0;

private:
    const TimeSource *m_source;
};

// The clock's part of a board: the note, the time, and the 10 ms timer that
// refreshes it.
struct ClockControls
{
    QLabel *llblTimerNote = nullptr;
    QLabel *lblTimer = nullptr;
    QTimer *Timer1 = nullptr;
};

// Puts the clock's controls on a board, at the given places in twips.
void addClockControls(ClockControls &c, QWidget *board, const QString &note, int noteLeft, int noteTop,
                      int timerLeft, int timerTop);
