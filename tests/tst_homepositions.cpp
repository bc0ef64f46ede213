#include "testsupport.h"

#include "boards/HomePositions.h"
#include "calls/CallForm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {
constexpr int IndexOfPlace[8] = {-1, 0, 2, 3, 1, 4, 5, 6}; // of places #1 .. #7 in txtM/txtW

template<class T = QWidget>
T *control(const QString &name) { return HomePositions::instance().window()->findChild<T *>(name); }

QLineEdit *box(const char *side, int place)
{
    return control<QLineEdit>(QStringLiteral("txt%1_%2").arg(QLatin1String(side)).arg(IndexOfPlace[place]));
}

// Seats "ABCDEFG" as men A .. G, women a .. g in places #1 .. #7; reads back, "?" for a split couple.
QString seating(const QString &couples = QString())
{
    QString now;
    for (int place = 1; place <= 7; ++place) {
        if (!couples.isEmpty()) {
            box("M", place)->setText(couples.mid(place - 1, 1));
            box("W", place)->setText(couples.mid(place - 1, 1).toLower());
        }
        const QString m = box("M", place)->text();
        now += box("W", place)->text() == m.toLower() ? m : QStringLiteral("?");
    }
    return now;
}

void play(const QStringList &controls)
{
    for (const QString &name : controls) {
        QVERIFY2(control(name)->isVisible(), qPrintable(name + QStringLiteral(" is hidden")));
        QTest::mouseClick(control(name), Qt::LeftButton, {}, QPoint(8, control(name)->height() / 2));
    }
}
} // namespace

class tst_HomePositions : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Form::destroyAll(); }
    void opensInInitialStateEveryTime();
    void moves_data();
    void moves();
    void rotateHandsFocusToCalls_data();
    void rotateHandsFocusToCalls();
};

void tst_HomePositions::opensInInitialStateEveryTime()
{
    for (int opening = 0; opening < 2; ++opening) {
        HomePositions::instance().show();
        for (int place = 1; place <= 7; ++place)
            QCOMPARE(box("M", place)->text() + box("W", place)->text(), QString("#%1 Man#%1 Woman").arg(place));
        QVERIFY(control<QRadioButton>("optHS")->isChecked() && control<QRadioButton>("opt6Couple")->isChecked());
        QCOMPARE(control<QLabel>("lblTimer")->text(), QString("0:00"));
        // Scheme changes keep every name, hidden or not; #5 and #6 show for "H to S" only, #7 never.
        seating("ABCDEFG");
        for (const char *option : {"optR", "opt7Couple", "optHS", "optR", "opt5Couple", "optHS", "optR"}) {
            play({option});
            const bool headsToSides = qstrcmp(option, "optHS") == 0;
            QVERIFY2(box("M", 5)->isVisible() == headsToSides && box("W", 6)->isVisible() == headsToSides, option);
            QVERIFY2(!box("M", 7)->isVisible() && !box("W", 7)->isVisible(), option);
        }
        QCOMPARE(seating(), QString("ABCDEFG"));
        // Everything the caller changed goes with the window.
        play({"opt7Couple", "cmdRotate"});
        QVERIFY(HomePositions::instance().window()->close());
    }
}

void tst_HomePositions::moves_data()
{
    QTest::addColumn<QStringList>("steps"); // clicked after seating; the last is pressed over and over
    QTest::addColumn<QString>("after");     // places #1 .. #7 after one press
    QTest::addColumn<int>("period");        // presses that bring the setup's seating back
    QTest::newRow("H to S") << QStringList{"cmdRotate"} << "ECFADBG" << 3;
    QTest::newRow("1423, 5 couples") << QStringList{"optR", "opt5Couple", "cmdRotate"} << "EDBACFG" << 5;
    QTest::newRow("1423, 6 couples") << QStringList{"optR", "cmdRotate"} << "FDBACEG" << 6;
    QTest::newRow("1423, 7 couples") << QStringList{"optR", "opt7Couple", "cmdRotate"} << "GDBACEF" << 7;
    QTest::newRow("1423 after H to S") << QStringList{"cmdRotate", "optR", "cmdRotate"} << "BACEFDG" << 6;
    QTest::newRow("H to S after 1423") << QStringList{"optR", "opt7Couple", "cmdRotate", "optHS", "cmdRotate"}
                                       << "CBEGADF" << 3;
    QTest::newRow("Switch Heads") << QStringList{"cmdSH"} << "CBADEFG" << 2;
    QTest::newRow("Switch Sides") << QStringList{"cmdSS"} << "ADCBEFG" << 2;
}

void tst_HomePositions::moves()
{
    QFETCH(QStringList, steps);
    const QString button = steps.takeLast();
    QFETCH(int, period);
    HomePositions::instance().show();
    seating("ABCDEFG");
    play(steps);
    const QString start = seating();
    for (int press = 1; press <= period; ++press) {
        play({button});
        if (press == 1)
            QTEST(seating(), "after");
        QCOMPARE(seating() == start, press == period);
    }
}

void tst_HomePositions::rotateHandsFocusToCalls_data()
{
    QTest::addColumn<QString>("calls");
    for (const char *calls : {"never opened", "closed", "hidden", "shown"})
        QTest::newRow(calls) << QString(calls);
}

void tst_HomePositions::rotateHandsFocusToCalls()
{
    QFETCH(QString, calls);
    TestDatabase db({list("B", 3)});
    MessageLog log;
    if (calls != "never opened") {
        CallForm::instance().show();
        QVERIFY(QTest::qWaitForWindowExposed(CallForm::instance().window()));
        if (calls == "closed")
            CallForm::instance().unload();
        else if (calls == "hidden")
            CallForm::instance().hide();
    }
    HomePositions::instance().show();
    QVERIFY(QTest::qWaitForWindowActive(HomePositions::instance().window()));
    play({"cmdRotate"});
    CallForm *form = Form::existing<CallForm>();
    if (calls == "shown") {
        QTRY_VERIFY(form->window()->isActiveWindow());
    } else {
        QTest::qWait(50);
        QCOMPARE(QApplication::focusWidget(), control("cmdRotate"));
        QCOMPARE(form && form->isLoaded() && !form->isShown(), calls == "hidden"); // Rotate never loads it
    }
    QVERIFY(log.messages.isEmpty());
}

QTEST_MAIN(tst_HomePositions)
#include "tst_homepositions.moc"
