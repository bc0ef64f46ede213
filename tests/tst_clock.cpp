#include "app/Form.h"
#include "boards/Corners.h"
#include "boards/ElapsedClock.h"
#include "boards/HomePositions.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
// A monotonic reading the test moves by hand.
class ManualSource : public TimeSource
{
public:
    qint64 nowMs() const override { return now; }
    void advance(qint64 ms) { now += ms; }
    qint64 now = 5'000'000;
};

enum Board { Home, Corner };

Form &form(Board board)
{
    if (board == Home)
        return HomePositions::instance();
    return Corners::instance();
}

ElapsedClock &clockOf(Board board)
{
    if (board == Home)
        return HomePositions::instance();
    return Corners::instance();
}

void tick(Board board)
{
    if (board == Home)
        HomePositions::instance().Timer1_Timer();
    else
        Corners::instance().Timer1_Timer();
}

QString shown(Board board)
{
    return form(board).window()->findChild<QLabel *>(QStringLiteral("lblTimer"))->text();
}

QPushButton *resetButton(Board board)
{
    return form(board).window()->findChild<QPushButton *>(board == Home ? QStringLiteral("cmdRotate")
                                                                        : QStringLiteral("cmdClear"));
}
} // namespace

class tst_Clock : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Form::destroyAll(); }

    void elapsedTime_data();
    void elapsedTime();
    void resetsWithinOneSecond();
    void stalledTicksLoseNothing();
    void steadySourceAdvances();

    void boards_data();
    void loadStartsAtZeroAndTimerRuns();
    void loadStartsAtZeroAndTimerRuns_data() { boards_data(); }
    void buttonRestartsClock();
    void buttonRestartsClock_data() { boards_data(); }
    void reopenStartsAfresh();
    void reopenStartsAfresh_data() { boards_data(); }
    void switchesLeaveClockAlone_data();
    void switchesLeaveClockAlone();
};

void tst_Clock::elapsedTime_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::newRow("at reset") << qint64(0) << "0:00" << 0 << 0;
    QTest::newRow("just under a second") << qint64(999) << "0:00" << 0 << 0;
    QTest::newRow("one second") << qint64(1000) << "0:01" << 0 << 1;
    QTest::newRow("seven") << qint64(7'400) << "0:07" << 0 << 7;
    QTest::newRow("59 s") << qint64(59'999) << "0:59" << 0 << 59;
    QTest::newRow("a minute") << qint64(60'000) << "1:00" << 1 << 0;
    QTest::newRow("12:30") << qint64(750'000) << "12:30" << 12 << 30;
    QTest::newRow("59:59") << qint64(3'599'999) << "59:59" << 59 << 59;
    QTest::newRow("no hours: 60:00") << qint64(3'600'000) << "60:00" << 60 << 0;
    QTest::newRow("75:03") << qint64(4'503'000) << "75:03" << 75 << 3;
}

void tst_Clock::elapsedTime()
{
    QFETCH(qint64, ms);
    QFETCH(QString, caption);
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    ManualSource source;
    ElapsedClock clock(&source);
    clock.reset();
    // Ticks every 10 ms up to the point, as the window timer would.
    const qint64 end = source.now + ms;
    while (source.now + 10 < end) {
        source.advance(10);
        clock.tick();
    }
    source.now = end;
    QCOMPARE(clock.tick(), caption);
    QCOMPARE(clock.caption(), caption);
    QCOMPARE(clock.RotateTimerM, qint64(minutes));
    QCOMPARE(clock.RotateTimerS, seconds);
}

void tst_Clock::resetsWithinOneSecond()
{
    ManualSource source;
    ElapsedClock clock(&source);
    clock.reset();
    source.advance(2'500);
    QCOMPARE(clock.tick(), QStringLiteral("0:02"));
    // Three resets inside one second of the time of day: each counts from itself.
    for (int i = 0; i < 3; ++i) {
        source.advance(300);
        clock.reset();
        QCOMPARE(clock.RotateTimerS, 0);
        QCOMPARE(clock.RotateTimerM, qint64(0));
        source.advance(10);
        QCOMPARE(clock.tick(), QStringLiteral("0:00"));
    }
    source.advance(980);
    QCOMPARE(clock.tick(), QStringLiteral("0:00"));
    source.advance(10);
    QCOMPARE(clock.tick(), QStringLiteral("0:01"));
}

void tst_Clock::stalledTicksLoseNothing()
{
    ManualSource source;
    ElapsedClock clock(&source);
    clock.reset();
    source.advance(1'200);
    QCOMPARE(clock.tick(), QStringLiteral("0:01"));
    // The user-interface thread is held up: no tick for 68 seconds.
    source.advance(68'000);
    QCOMPARE(clock.tick(), QStringLiteral("1:09"));
    source.advance(800);
    QCOMPARE(clock.tick(), QStringLiteral("1:10"));
}

void tst_Clock::steadySourceAdvances()
{
    ElapsedClock clock;
    clock.reset();
    const qint64 start = TimeSource::steady().nowMs();
    QTest::qWait(1'100);
    const qint64 later = TimeSource::steady().nowMs();
    QVERIFY2(later - start >= 1'000, qPrintable(QString::number(later - start)));
    QCOMPARE(clock.tick(), QStringLiteral("0:01"));
}

void tst_Clock::boards_data()
{
    QTest::addColumn<int>("board");
    QTest::newRow("home positions") << int(Home);
    QTest::newRow("corners") << int(Corner);
}

void tst_Clock::loadStartsAtZeroAndTimerRuns()
{
    QFETCH(int, board);
    const auto b = Board(board);
    ManualSource source;
    clockOf(b).setTimeSource(&source);
    // Time that passes before the load does not count.
    source.advance(3'000);
    form(b).show();
    QCOMPARE(shown(b), QStringLiteral("0:00"));
    source.advance(3'000);
    // The window's own 10 ms timer refreshes the label.
    QTRY_COMPARE_WITH_TIMEOUT(shown(b), QStringLiteral("0:03"), 1000);
}

void tst_Clock::buttonRestartsClock()
{
    QFETCH(int, board);
    const auto b = Board(board);
    ManualSource source;
    clockOf(b).setTimeSource(&source);
    form(b).show();
    source.advance(75'500);
    tick(b);
    QCOMPARE(shown(b), QStringLiteral("1:15"));
    for (int press = 0; press < 3; ++press) {
        source.advance(200);
        QTest::mouseClick(resetButton(b), Qt::LeftButton);
        tick(b);
        QCOMPARE(shown(b), QStringLiteral("0:00"));
    }
    source.advance(1'000);
    tick(b);
    QCOMPARE(shown(b), QStringLiteral("0:01"));
}

void tst_Clock::reopenStartsAfresh()
{
    QFETCH(int, board);
    const auto b = Board(board);
    ManualSource source;
    clockOf(b).setTimeSource(&source);
    form(b).show();
    source.advance(42'000);
    tick(b);
    QCOMPARE(shown(b), QStringLiteral("0:42"));
    QVERIFY(form(b).window()->close());
    QVERIFY(!form(b).isLoaded());
    source.advance(5'000);
    form(b).show();
    QCOMPARE(shown(b), QStringLiteral("0:00"));
    tick(b);
    QCOMPARE(shown(b), QStringLiteral("0:00"));
    source.advance(2'000);
    tick(b);
    QCOMPARE(shown(b), QStringLiteral("0:02"));
}

void tst_Clock::switchesLeaveClockAlone_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Switch Heads") << "cmdSH";
    QTest::newRow("Switch Sides") << "cmdSS";
}

void tst_Clock::switchesLeaveClockAlone()
{
    QFETCH(QString, button);
    ManualSource source;
    HomePositions &board = HomePositions::instance();
    board.setTimeSource(&source);
    board.show();
    source.advance(5'000);
    QTest::mouseClick(board.window()->findChild<QPushButton *>(button), Qt::LeftButton);
    board.Timer1_Timer();
    QCOMPARE(shown(Home), QStringLiteral("0:05"));
}

QTEST_MAIN(tst_Clock)
#include "tst_clock.moc"
