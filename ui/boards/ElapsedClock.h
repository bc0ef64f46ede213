#pragma once

#include "core/app/TimeSource.h"

#include <QString>
#include <QtGlobal>

class QLabel;
class QTimer;
class QWidget;

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
    // From the latest tick to the next change of the shown second.
    int msToNextSecond() const;

    // Seconds in the current minute (0 to 59) and whole minutes, as of the last tick.
    int RotateTimerS = 0;
    qint64 RotateTimerM = 0;
    // Source readings in milliseconds: at the last reset, and at the latest tick.
    qint64 RotateTimer = 0;
    qint64 CurrentTime = 0;

private:
    const TimeSource *m_source;
};

// The clock's part of a board: the note, the time, and the timer that
// refreshes it when the shown second changes.
struct ClockControls
{
    QLabel *llblTimerNote = nullptr;
    QLabel *lblTimer = nullptr;
    QTimer *Timer1 = nullptr;
};

// Puts the clock's controls on a board, at the given places in twips.
void addClockControls(ClockControls &c, QWidget *board, const QString &note, int noteLeft, int noteTop,
                      int timerLeft, int timerTop);
// One tick: shows the time and sleeps until the shown second changes.
void showClock(ElapsedClock &clock, const ClockControls &c);
// Starts the clock again; the next tick, at once, shows 0:00.
void restartClock(ElapsedClock &clock, const ClockControls &c);
