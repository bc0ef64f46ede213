#include "ui/boards/HomePositions.h"
#include "testsupport.h"

class tst_Clock : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Form::destroyAll(); }
    void caption_data();
    void caption();
    void buttons_data();
    void buttons();
};

void tst_Clock::caption_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("caption");
    QTest::newRow("just under a second") << qint64(999) << "0:00";
    QTest::newRow("59 s") << qint64(59'999) << "0:59";
    QTest::newRow("a minute") << qint64(60'000) << "1:00";
    QTest::newRow("59:59") << qint64(3'599'999) << "59:59";
    QTest::newRow("no hours") << qint64(3'600'000) << "60:00";
    QTest::newRow("75:03") << qint64(4'503'000) << "75:03";
}

void tst_Clock::caption()
{
    ManualClock source;
    ElapsedClock clock(&source);
    for (int reset = 0; reset < 3; ++reset) { // inside one second: each shows 0:00 and counts from itself
        source.now += 300;
        clock.reset();
        QCOMPARE(clock.tick(), QString("0:00"));
    }
    QFETCH(qint64, ms);
    source.now += ms; // the next tick only after the whole time, as after a stall
    QTEST(clock.tick(), "caption");
    QCOMPARE(clock.msToNextSecond(), 1000 - ms % 1000); // the timer sleeps till the caption changes
}

void tst_Clock::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("after"); // at 1:15 the button, a second later the clock shows
    QTest::newRow("Rotate") << "cmdRotate" << "0:01";
    QTest::newRow("Switch Heads") << "cmdSH" << "1:16";
    QTest::newRow("Switch Sides") << "cmdSS" << "1:16";
}

void tst_Clock::buttons()
{
    QFETCH(QString, button);
    QFETCH(QString, after);
    ManualClock source;
    HomePositions &form = HomePositions::instance(); // Clear on the corners board: tst_corners
    form.setTimeSource(&source);
    source.now += 42'000; // while the board is closed: does not count
    form.show();
    source.now += 75'000;
    QTest::mouseClick(form.window()->findChild<QWidget *>(button), Qt::LeftButton);
    source.now += 1'000;
    QTRY_COMPARE(form.window()->findChild<QLabel *>("lblTimer")->text(), after); // by the window's own timer
}

QTEST_MAIN(tst_Clock)
#include "tst_clock.moc"
