#include "ui/boards/ElapsedClock.h"

#include "ui/kit/Look.h"

#include <QLabel>
#include <QTimer>

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

int ElapsedClock::msToNextSecond() const
{
    return int(1000 - qMax<qint64>(0, CurrentTime - RotateTimer) % 1000);
}

void addClockControls(ClockControls &c, QWidget *board, const QString &note, int noteLeft, int noteTop,
                      int timerLeft, int timerTop)
{
    c.llblTimerNote = Look::make<QLabel>(board, "llblTimerNote", note, noteLeft, noteTop, 1215, 375);
    c.llblTimerNote->setWordWrap(true);
    c.llblTimerNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.lblTimer = Look::make<QLabel>(board, "lblTimer", QStringLiteral("0:00"), timerLeft, timerTop, 1455, 375);
    c.lblTimer->setFont(Look::sansSerif(18));
    c.lblTimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.Timer1 = new QTimer(board);
    c.Timer1->setObjectName(QStringLiteral("Timer1"));
    c.Timer1->setTimerType(Qt::PreciseTimer);
    c.Timer1->setSingleShot(true);
}

void showClock(ElapsedClock &clock, const ClockControls &c)
{
    c.lblTimer->setText(clock.tick());
    c.Timer1->start(clock.msToNextSecond());
}

void restartClock(ElapsedClock &clock, const ClockControls &c)
{
    clock.reset();
    c.Timer1->start(0);
}
