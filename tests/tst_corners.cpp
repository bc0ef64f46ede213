#include "ui/boards/Corners.h"
#include "testsupport.h"

QWidget *board() { return Corners::instance().window(); }
QLineEdit *field(int i) { return board()->findChild<QLineEdit *>(QStringLiteral("txtM_%1").arg(i)); }
QString timer() { return board()->findChild<QLabel *>("lblTimer")->text(); }

class tst_Corners : public QObject
{
    Q_OBJECT
private slots:
    void clearAndReopen();
    void clearAsksFirst_data();
    void clearAsksFirst();
};

void tst_Corners::clearAndReopen()
{
    ManualClock source;
    MessageLog log;
    log.answer = true;
    Corners::instance().setTimeSource(&source);
    for (int opening = 0; opening < 2; ++opening) {
        Corners::instance().show();
        QCOMPARE(tabOrder(board()),
                 QString("cmdClear txtM_4 txtM_0 txtM_1 txtM_2 txtM_3 txtM_5 txtM_6 txtM_7").split(u' '));
        QCOMPARE(timer(), QString("0:00"));
        // Each field opens empty; the last gets far more than it shows, and Clear empties that too.
        for (int i = 0; i < 8; ++i) {
            QVERIFY2(field(i)->text().isEmpty(), qPrintable(field(i)->objectName()));
            QTest::keyClicks(field(i), QString(i == 7 ? 300 : 5, u'x'));
        }
        source.now += 75'000;
        QTest::mouseClick(board()->findChild<QWidget *>("cmdClear"), Qt::LeftButton);
        for (int i = 0; i < 8; ++i)
            QVERIFY2(field(i)->text().isEmpty(), qPrintable(field(i)->objectName()));
        source.now += 1'000;
        QTRY_COMPARE(timer(), QString("0:01"));
        QTest::keyClicks(field(4), "Sue"); // left behind at closing
        source.now += 42'000;
        QVERIFY(board()->close());
    }
}

void tst_Corners::clearAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the names and the clock") << false;
    QTest::newRow("Yes clears them") << true;
}

void tst_Corners::clearAsksFirst()
{
    QFETCH(bool, yes);
    ManualClock source;
    MessageLog log;
    log.answer = yes;
    Corners::instance().setTimeSource(&source);
    Corners::instance().show();
    QTest::keyClicks(field(0), "Ann");
    QTest::keyClicks(field(5), "Bob");
    source.now += 65'000;
    QTest::mouseClick(board()->findChild<QWidget *>("cmdClear"), Qt::LeftButton);
    QCOMPARE(log.questions.size(), 1);
    QCOMPARE(field(0)->text() + field(5)->text(), yes ? QString() : QString("AnnBob"));
    QTRY_COMPARE(timer(), yes ? QString("0:00") : QString("1:05"));
    QVERIFY(board()->close());
}

QTEST_MAIN(tst_Corners)
#include "tst_corners.moc"
