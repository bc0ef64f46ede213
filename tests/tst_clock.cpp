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

// The parts of one board the clock tests need.
struct Board
{
    Form &form;
    ElapsedClock &clock;
    void (*tick)();
    QString label() const { return form.window()->findChild<QLabel *>(QStringLiteral("lblTimer"))->text(); }
    void click(const QString &button) const
    {
        QTest::mouseClick(form.window()->findChild<QPushButton *>(button), Qt::LeftButton);
    }
};

Board boardNamed(const QString &name)
{
    if (name == QLatin1String("HomePositions"))
        return {HomePositions::instance(), HomePositions::instance(), [] { HomePositions::instance().Timer1_Timer(); }};
    return {Corners::instance(), Corners::instance(), [] { Corners::instance().Timer1_Timer(); }};
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

    void loadAndReopenStartAtZero_data();
    void loadAndReopenStartAtZero();
    void buttons_data();
    void buttons();
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

void tst_Clock::loadAndReopenStartAtZero_data()
{
    QTest::addColumn<QString>("board");
    QTest::newRow("home positions") << "HomePositions";
    QTest::newRow("corners") << "Corners";
}

void tst_Clock::loadAndReopenStartAtZero()
{
    QFETCH(QString, board);
    const Board b = boardNamed(board);
    ManualSource source;
    b.clock.setTimeSource(&source);
    for (int opening = 0; opening < 2; ++opening) {
        // Time that passes while the board is closed does not count.
        source.advance(42'000);
        b.form.show();
        QCOMPARE(b.label(), QStringLiteral("0:00"));
        source.advance(3'000);
        // The window's own 10 ms timer refreshes the label.
        QTRY_COMPARE_WITH_TIMEOUT(b.label(), QStringLiteral("0:03"), 1000);
        QVERIFY(b.form.window()->close());
        QVERIFY(!b.form.isLoaded());
    }
}

void tst_Clock::buttons_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("restarts");
    QTest::newRow("Rotate") << "HomePositions" << "cmdRotate" << true;
    QTest::newRow("Switch Heads") << "HomePositions" << "cmdSH" << false;
    QTest::newRow("Switch Sides") << "HomePositions" << "cmdSS" << false;
    QTest::newRow("Clear, fields empty") << "Corners" << "cmdClear" << true;
}

void tst_Clock::buttons()
{
    QFETCH(QString, board);
    QFETCH(QString, button);
    QFETCH(bool, restarts);
    const Board b = boardNamed(board);
    ManualSource source;
    b.clock.setTimeSource(&source);
    b.form.show();
    source.advance(75'000);
    b.tick();
    QCOMPARE(b.label(), QStringLiteral("1:15"));
    // Pressed three times within one second.
    for (int press = 0; press < 3; ++press) {
        source.advance(200);
        b.click(button);
        b.tick();
        QCOMPARE(b.label(), restarts ? QStringLiteral("0:00") : QStringLiteral("1:15"));
    }
    source.advance(1'000);
    b.tick();
    QCOMPARE(b.label(), restarts ? QStringLiteral("0:01") : QStringLiteral("1:16"));
}

QTEST_MAIN(tst_Clock)
#include "tst_clock.moc"
