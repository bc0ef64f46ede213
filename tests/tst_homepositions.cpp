#include "ui/boards/HomePositions.h"
#include "testsupport.h"

#include <QRadioButton>

namespace {
constexpr int IndexOfPlace[8] = {-1, 0, 2, 3, 1, 4, 5, 6}; // of places #1 .. #7 in txtM/txtW

template<class T = QWidget>
T *control(const QString &name) { return HomePositions::instance().window()->findChild<T *>(name); }
QLineEdit *box(char side, int p) { return control<QLineEdit>(QString("txt%1_%2").arg(side).arg(IndexOfPlace[p])); }

// The men in places #1 .. #7, "?" for a split couple.
QString seating()
{
    QString now;
    for (int place = 1; place <= 7; ++place)
        now += box('W', place)->text() == box('M', place)->text().toLower() ? box('M', place)->text() : "?";
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
    void moves_data();
    void moves();
    void optionsActHoweverSelected_data();
    void optionsActHoweverSelected();
    void rotateHandsFocusToCalls_data();
    void rotateHandsFocusToCalls();
};

void tst_HomePositions::moves_data()
{
    QTest::addColumn<QStringList>("steps"); // clicked after seating; the last is pressed over and over
    QTest::addColumn<QString>("after");     // places #1 .. #7 after one press: hidden names kept
    QTest::addColumn<int>("period");        // presses that bring the setup's seating back
    QTest::newRow("H to S") << QStringList{"cmdRotate"} << "ECFADBG" << 3;
    QTest::newRow("1423, 5 couples") << QStringList{"optR", "opt5Couple", "cmdRotate"} << "EDBACFG" << 5;
    QTest::newRow("1423, 6 couples") << QStringList{"optR", "cmdRotate"} << "FDBACEG" << 6;
    QTest::newRow("1423, 7 couples") << QStringList{"optR", "opt7Couple", "cmdRotate"} << "GDBACEF" << 7;
    QTest::newRow("H to S after 1423") << QStringList{"optR", "cmdRotate", "optHS", "cmdRotate"} << "CBEFADG" << 3;
    QTest::newRow("Switch Heads") << QStringList{"cmdSH"} << "CBADEFG" << 2;
    QTest::newRow("Switch Sides") << QStringList{"cmdSS"} << "ADCBEFG" << 2;
}

void tst_HomePositions::moves()
{
    QFETCH(QStringList, steps);
    const QString button = steps.takeLast();
    QFETCH(int, period);
    HomePositions::instance().show();
    for (int i = 0; i < 14; ++i) // men A .. G, women a .. g in places #1 .. #7
        box("MW"[i / 7], i % 7 + 1)->setText(QString("ABCDEFGabcdefg")[i]);
    play(steps); // #5 and #6 show for "H to S" only, #7 never
    const bool headsToSides = control<QRadioButton>("optHS")->isChecked();
    QVERIFY(box('M', 5)->isVisible() == headsToSides && box('W', 6)->isVisible() == headsToSides);
    QVERIFY(!box('M', 7)->isVisible() && !box('W', 7)->isVisible());
    const QString start = seating();
    for (int press = 1; press <= period; ++press) {
        play({button});
        if (press == 1)
            QTEST(seating(), "after");
        QCOMPARE(seating() == start, press == period);
    }
    QVERIFY(HomePositions::instance().window()->close()); // all the caller changed goes with the window
    HomePositions::instance().show();
    for (int place = 1; place <= 7; ++place)
        QCOMPARE(box('M', place)->text() + box('W', place)->text(), QString("#%1 Man#%1 Woman").arg(place));
    QVERIFY(control<QRadioButton>("optHS")->isChecked() && control<QRadioButton>("opt6Couple")->isChecked());
}

void tst_HomePositions::optionsActHoweverSelected_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"mouse", "arrow key", "accessible toggle", "set checked"})
        QTest::newRow(how) << QString(how);
}

void tst_HomePositions::optionsActHoweverSelected()
{
    QFETCH(QString, how);
    HomePositions::instance().show();
    QVERIFY(QTest::qWaitForWindowActive(HomePositions::instance().window()));
    auto select = [&how](const char *name, Qt::Key arrow) {
        auto *option = control<QRadioButton>(name);
        if (how == "mouse") {
            play({name});
        } else if (how == "arrow key") {
            // From the option beside it, as a keyboard user moves through the group.
            QWidget *from = control(QString(name) == "optR" ? "optHS" : "optR");
            from->setFocus();
            QTest::keyClick(from, arrow);
        } else if (how == "accessible toggle") {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(option);
            QVERIFY(a && !a->text(QAccessible::Name).isEmpty());
            QVERIFY(pressAccessibly(option));
        } else {
            option->setChecked(true);
        }
        QVERIFY2(option->isChecked(), name);
    };
    select("optR", Qt::Key_Up); // "1423" sits above "H to S"
    QVERIFY(control("cmdSS")->isHidden() && control("opt5Couple")->isVisible() && box('M', 5)->isHidden());
    select("optHS", Qt::Key_Down);
    QVERIFY(control("cmdSS")->isVisible() && control("opt5Couple")->isHidden() && box('M', 5)->isVisible());
    QVERIFY(control<QRadioButton>("opt6Couple")->isChecked());

    // The accelerator rotates at once: two quick presses are two rotations.
    for (int i = 0; i < 14; ++i)
        box("MW"[i / 7], i % 7 + 1)->setText(QString("ABCDEFGabcdefg")[i]);
    QTest::keyClick(HomePositions::instance().window(), Qt::Key_O, Qt::AltModifier);
    QTest::keyClick(HomePositions::instance().window(), Qt::Key_O, Qt::AltModifier);
    QCOMPARE(seating(), QString("DFBEACG"));
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
    if (calls == "shown")
        QTRY_VERIFY(form->window()->isActiveWindow());
    QTest::qWait(50); // and it stays so
    QCOMPARE(QApplication::focusWidget() == control("cmdRotate"), calls != "shown");
    QCOMPARE(form && form->isLoaded() && !form->isShown(), calls == "hidden"); // Rotate never loads it
    QVERIFY(log.messages.isEmpty());
}

QTEST_MAIN(tst_HomePositions)
#include "tst_homepositions.moc"
