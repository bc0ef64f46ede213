#include "testsupport.h"

#include "app/Form.h"
#include "app/Look.h"
#include "boards/HomePositions.h"
#include "calls/CallForm.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {
// Index of each place #1 .. #7 in txtM/txtW.
constexpr int IndexOfPlace[8] = {-1, 0, 2, 3, 1, 4, 5, 6};

QWidget *board()
{
    return HomePositions::instance().window();
}

template<class T = QWidget>
T *control(const QString &name)
{
    auto *widget = board()->findChild<T *>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

QLineEdit *man(int place)
{
    return control<QLineEdit>(QStringLiteral("txtM_%1").arg(IndexOfPlace[place]));
}

QLineEdit *woman(int place)
{
    return control<QLineEdit>(QStringLiteral("txtW_%1").arg(IndexOfPlace[place]));
}

// Couples written as one letter per place #1 .. #7; "_" is a couple with empty names.
void seat(const QString &couples)
{
    for (int place = 1; place <= 7; ++place) {
        const QChar c = couples.at(place - 1);
        man(place)->setText(c == u'_' ? QString() : c + QStringLiteral(" man"));
        woman(place)->setText(c == u'_' ? QString() : c + QStringLiteral(" woman"));
    }
}

// Reads the places back in the same form; a man without his woman shows as "?".
QString seating()
{
    QString couples;
    for (int place = 1; place <= 7; ++place) {
        const QString m = man(place)->text();
        const QString w = woman(place)->text();
        if (m.isEmpty() && w.isEmpty())
            couples += u'_';
        else if (m.size() == 5 && w == m.left(1) + QStringLiteral(" woman"))
            couples += m.at(0);
        else
            couples += u'?';
    }
    return couples;
}

void click(const QString &name)
{
    QWidget *widget = control(name);
    QVERIFY2(widget->isVisible(), qPrintable(name + QStringLiteral(" is hidden")));
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
}

// Steps of a caller's evening: scheme and couple-count choices and the three buttons.
void play(const QStringList &steps)
{
    static const QMap<QString, QString> controls = {
        {QStringLiteral("HS"), QStringLiteral("optHS")},      {QStringLiteral("1423"), QStringLiteral("optR")},
        {QStringLiteral("5"), QStringLiteral("opt5Couple")},  {QStringLiteral("6"), QStringLiteral("opt6Couple")},
        {QStringLiteral("7"), QStringLiteral("opt7Couple")},  {QStringLiteral("rot"), QStringLiteral("cmdRotate")},
        {QStringLiteral("SH"), QStringLiteral("cmdSH")},      {QStringLiteral("SS"), QStringLiteral("cmdSS")},
    };
    for (const QString &step : steps) {
        // Only as the last step: the click comes when the event loop runs.
        if (step == QLatin1String("alt+O")) {
            QTest::keyClick(board(), Qt::Key_O, Qt::AltModifier);
            continue;
        }
        QVERIFY2(controls.contains(step), qPrintable(step));
        click(controls.value(step));
    }
}

QStringList shownControls()
{
    QStringList shown;
    for (QWidget *w : board()->findChildren<QWidget *>()) {
        if (w->isVisible() && !w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_"))
            shown.append(w->objectName());
    }
    shown.sort();
    return shown;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

QStringList names(const char *list)
{
    return QString::fromLatin1(list).split(u' ');
}

// The controls shown in either scheme, and those shown in one only.
const QStringList AlwaysShown = names("txtM_0 txtW_0 txtM_1 txtW_1 txtM_2 txtW_2 txtM_3 txtW_3 cmdRotate Frame1 "
                                      "optR optHS Frame2 opt6Couple llblTimerNote lblTimer");
const QStringList HToSShown = AlwaysShown + names("txtM_4 txtW_4 txtM_5 txtW_5 cmdSH cmdSS");
const QStringList R1423Shown = AlwaysShown + names("opt5Couple opt7Couple");

QString checkedIn(const QString &frame)
{
    for (auto *option : control(frame)->findChildren<QRadioButton *>()) {
        if (option->isChecked())
            return option->objectName();
    }
    return QString();
}
} // namespace

class tst_HomePositions : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Form::destroyAll(); }

    void opensInInitialStateEveryTime();
    void layout_data();
    void layout();
    void tabOrder();
    void schemeChoices_data();
    void schemeChoices();
    void hiddenNamesSurviveSchemeChanges();
    void moves_data();
    void moves();
    void cyclesReturnToStart_data();
    void cyclesReturnToStart();
    void rotateHandsFocusToCalls_data();
    void rotateHandsFocusToCalls();
};

void tst_HomePositions::opensInInitialStateEveryTime()
{
    for (int opening = 0; opening < 2; ++opening) {
        HomePositions::instance().show();
        QVERIFY(QTest::qWaitForWindowActive(board()));
        QCOMPARE(board()->windowTitle(), QStringLiteral("Home Positions"));
        QCOMPARE(QApplication::focusWidget(), man(1));
        for (int place = 1; place <= 7; ++place) {
            QCOMPARE(man(place)->text(), QStringLiteral("#%1 Man").arg(place));
            QCOMPARE(woman(place)->text(), QStringLiteral("#%1 Woman").arg(place));
        }
        QCOMPARE(shownControls(), sorted(HToSShown));
        QCOMPARE(checkedIn(QStringLiteral("Frame1")), QStringLiteral("optHS"));
        QCOMPARE(checkedIn(QStringLiteral("Frame2")), QStringLiteral("opt6Couple"));
        QCOMPARE(control<QLabel>(QStringLiteral("lblTimer"))->text(), QStringLiteral("0:00"));

        // Everything the caller changed goes with the window.
        seat(QStringLiteral("ABCDEFG"));
        play({"1423", "7", "rot"});
        QVERIFY(board()->close());
        QVERIFY(!HomePositions::instance().isLoaded());
    }
}

void tst_HomePositions::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<int>("font"); // 0: the window's own, 1: 18 pt, 2: 18 pt bold
    const struct
    {
        int place, manLeft, manTop, womanLeft, womanTop;
    } boxes[] = {{3, 3360, 360, 1200, 360},   {4, 120, 1320, 120, 1920},  {2, 4440, 1920, 4440, 1320},
                 {1, 1200, 2880, 3360, 2880}, {7, 120, 2520, 120, 3120},  {5, 120, 3600, 120, 4200},
                 {6, 2280, 3600, 2280, 4200}};
    for (const auto &b : boxes) {
        const int i = IndexOfPlace[b.place];
        QTest::addRow("#%d man", b.place) << QStringLiteral("txtM_%1").arg(i) << QStringLiteral("#%1 Man").arg(b.place)
                                          << QRect(b.manLeft, b.manTop, 2055, 555) << 2;
        QTest::addRow("#%d woman", b.place) << QStringLiteral("txtW_%1").arg(i)
                                            << QStringLiteral("#%1 Woman").arg(b.place)
                                            << QRect(b.womanLeft, b.womanTop, 2055, 555) << 2;
    }
    QTest::newRow("cmdRotate") << "cmdRotate" << "R&otate" << QRect(2520, 1080, 1575, 375) << 0;
    QTest::newRow("cmdSH") << "cmdSH" << "Switch Heads" << QRect(2520, 1680, 1575, 375) << 0;
    QTest::newRow("cmdSS") << "cmdSS" << "Switch Sides" << QRect(2520, 2280, 1575, 375) << 0;
    QTest::newRow("Frame1") << "Frame1" << "" << QRect(0, 0, 1215, 975) << 0;
    QTest::newRow("optR") << "optR" << "1423" << QRect(120, 120, 975, 375) << 0;
    QTest::newRow("optHS") << "optHS" << "H to S" << QRect(120, 480, 975, 375) << 0;
    QTest::newRow("Frame2") << "Frame2" << "" << QRect(5160, 120, 1575, 1095) << 0;
    QTest::newRow("opt5Couple") << "opt5Couple" << "5 Couples" << QRect(360, 0, 1095, 255) << 0;
    QTest::newRow("opt6Couple") << "opt6Couple" << "6 Couples" << QRect(360, 360, 1095, 255) << 0;
    QTest::newRow("opt7Couple") << "opt7Couple" << "7 Couples" << QRect(360, 720, 1095, 255) << 0;
    QTest::newRow("llblTimerNote") << "llblTimerNote" << "Time Since Last Rotate" << QRect(5040, 3600, 1215, 375)
                                   << 0;
    QTest::newRow("lblTimer") << "lblTimer" << "0:00" << QRect(4920, 4320, 1455, 375) << 1;
}

void tst_HomePositions::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(int, font);
    QWidget *widget = control(name);
    const bool frame = qobject_cast<QGroupBox *>(widget);
    QCOMPARE(widget->property(frame ? "title" : "text").toString(), caption);
    const QRect expected(Look::twips(twips.x()), Look::twips(twips.y()), Look::twips(twips.width()),
                         Look::twips(twips.height()));
    QCOMPARE(widget->geometry(), expected);
    if (font == 0)
        QVERIFY(!widget->testAttribute(Qt::WA_SetFont));
    else
        QCOMPARE(widget->font(), Look::sansSerif(18, font == 2));
}

void tst_HomePositions::tabOrder()
{
    const QStringList expected = {
        "txtM_0", "txtW_0", "cmdRotate", "cmdSH",  "cmdSS",  "txtM_1", "txtM_2",     "txtM_3",     "txtM_4",
        "txtM_5", "txtM_6", "txtW_1",    "txtW_2", "txtW_3", "txtW_4", "txtW_5",     "txtW_6",     "optHS",
        "optR",   "opt7Couple", "opt6Couple", "opt5Couple"};
    QStringList chain;
    QWidget *w = control(expected.first());
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            chain.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != control(expected.first()));
    QCOMPARE(chain, expected);
}

void tst_HomePositions::schemeChoices_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("1423") << QStringList{"1423"} << "optR" << "opt6Couple" << R1423Shown;
    QTest::newRow("1423, 5 couples") << QStringList{"1423", "5"} << "optR" << "opt5Couple" << R1423Shown;
    QTest::newRow("1423 again keeps 7") << QStringList{"1423", "7", "1423"} << "optR" << "opt7Couple"
                                        << R1423Shown;
    QTest::newRow("5 couples then H to S") << QStringList{"1423", "5", "HS"} << "optHS" << "opt6Couple"
                                           << HToSShown;
    QTest::newRow("7 couples then H to S") << QStringList{"1423", "7", "HS"} << "optHS" << "opt6Couple"
                                           << HToSShown;
    QTest::newRow("back to 1423 keeps 6") << QStringList{"1423", "7", "HS", "1423"} << "optR" << "opt6Couple"
                                          << R1423Shown;
    QTest::newRow("6 couples changes nothing") << QStringList{"1423", "5", "6"} << "optR" << "opt6Couple"
                                               << R1423Shown;
}

void tst_HomePositions::schemeChoices()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, scheme);
    QFETCH(QString, count);
    QFETCH(QStringList, shown);
    HomePositions::instance().show();
    play(steps);
    QCOMPARE(checkedIn(QStringLiteral("Frame1")), scheme);
    QCOMPARE(checkedIn(QStringLiteral("Frame2")), count);
    QCOMPARE(shownControls(), sorted(shown));
}

void tst_HomePositions::hiddenNamesSurviveSchemeChanges()
{
    HomePositions::instance().show();
    for (int place = 5; place <= 6; ++place) {
        man(place)->clear();
        QTest::keyClicks(man(place), QStringLiteral("Waiting man %1").arg(place));
        woman(place)->clear();
        QTest::keyClicks(woman(place), QStringLiteral("Waiting woman %1").arg(place));
    }
    play({"1423", "7", "HS", "1423", "5", "HS"});
    for (int place = 5; place <= 6; ++place) {
        QVERIFY(man(place)->isVisible());
        QCOMPARE(man(place)->text(), QStringLiteral("Waiting man %1").arg(place));
        QCOMPARE(woman(place)->text(), QStringLiteral("Waiting woman %1").arg(place));
    }
    QCOMPARE(man(7)->text(), QStringLiteral("#7 Man"));
    QVERIFY(!man(7)->isVisible());
    QVERIFY(!woman(7)->isVisible());
}

void tst_HomePositions::moves_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("after");
    // Places #1 .. #7, read off the rotation tables and their worked examples.
    QTest::newRow("H to S") << "ABCDEFG" << QStringList{"rot"} << "ECFADBG";
    QTest::newRow("H to S by Alt+O") << "ABCDEFG" << QStringList{"alt+O"} << "ECFADBG";
    QTest::newRow("1423, 5 couples") << "ABCDEFG" << QStringList{"1423", "5", "rot"} << "EDBACFG";
    QTest::newRow("1423, 6 couples") << "ABCDEFG" << QStringList{"1423", "rot"} << "FDBACEG";
    QTest::newRow("1423, 7 couples") << "ABCDEFG" << QStringList{"1423", "7", "rot"} << "GDBACEF";
    QTest::newRow("7 then 5 couples") << "ABCDEFG" << QStringList{"1423", "7", "rot", "5", "rot"} << "CADGBEF";
    QTest::newRow("5 then 7 couples") << "ABCDEFG" << QStringList{"1423", "5", "rot", "7", "rot"} << "GADEBCF";
    QTest::newRow("H to S after 1423, 5") << "ABCDEFG" << QStringList{"1423", "5", "rot", "HS", "rot"}
                                          << "CBFEADG";
    QTest::newRow("H to S after 1423, 7") << "ABCDEFG" << QStringList{"1423", "7", "rot", "HS", "rot"}
                                          << "CBEGADF";
    QTest::newRow("1423 after H to S") << "ABCDEFG" << QStringList{"rot", "1423", "rot"} << "BACEFDG";
    QTest::newRow("Switch Heads") << "ABCDEFG" << QStringList{"SH"} << "CBADEFG";
    QTest::newRow("Switch Sides") << "ABCDEFG" << QStringList{"SS"} << "ADCBEFG";
    QTest::newRow("Switch Heads twice") << "ABCDEFG" << QStringList{"SH", "SH"} << "ABCDEFG";
    QTest::newRow("Switch Sides twice") << "ABCDEFG" << QStringList{"SS", "SS"} << "ABCDEFG";
    QTest::newRow("switches after H to S") << "ABCDEFG" << QStringList{"rot", "SH", "SS"} << "FAECDBG";
    QTest::newRow("empty and equal names") << "A_CA_FG" << QStringList{"rot"} << "_CFAA_G";
}

void tst_HomePositions::moves()
{
    QFETCH(QString, start);
    QFETCH(QStringList, steps);
    QFETCH(QString, after);
    HomePositions::instance().show();
    QVERIFY(QTest::qWaitForWindowActive(board()));
    seat(start);
    play(steps);
    // A mnemonic clicks its button after a short animation.
    QTRY_COMPARE_WITH_TIMEOUT(seating(), after, 1000);
}

void tst_HomePositions::cyclesReturnToStart_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("movingPlaces"); // places #1 .. #movingPlaces take part
    QTest::newRow("H to S") << QStringList{} << 3 << 6;
    QTest::newRow("1423, 5 couples") << QStringList{"1423", "5"} << 5 << 5;
    QTest::newRow("1423, 6 couples") << QStringList{"1423"} << 6 << 6;
    QTest::newRow("1423, 7 couples") << QStringList{"1423", "7"} << 7 << 7;
}

void tst_HomePositions::cyclesReturnToStart()
{
    QFETCH(QStringList, setup);
    QFETCH(int, period);
    QFETCH(int, movingPlaces);
    HomePositions::instance().show();
    play(setup);
    const QString start = QStringLiteral("ABCDEFG");
    seat(start);
    const QStringList shownBefore = shownControls();
    for (int press = 1; press <= period; ++press) {
        click(QStringLiteral("cmdRotate"));
        const QString now = seating();
        // Every couple is still on the board, once.
        QCOMPARE(sorted(now.split(QString(), Qt::SkipEmptyParts)),
                 sorted(start.split(QString(), Qt::SkipEmptyParts)));
        QCOMPARE(now.mid(movingPlaces), start.mid(movingPlaces));
        QCOMPARE(now == start, press == period);
        QCOMPARE(shownControls(), shownBefore);
    }
}

void tst_HomePositions::rotateHandsFocusToCalls_data()
{
    QTest::addColumn<QString>("calls");
    QTest::addColumn<bool>("takesFocus");
    QTest::newRow("never opened") << "none" << false;
    QTest::newRow("closed") << "closed" << false;
    QTest::newRow("hidden") << "hidden" << false;
    QTest::newRow("shown") << "shown" << true;
}

void tst_HomePositions::rotateHandsFocusToCalls()
{
    QFETCH(QString, calls);
    QFETCH(bool, takesFocus);
    TestDatabase db({list(QStringLiteral("B"), 3)});
    MessageLog log;
    if (calls != QLatin1String("none")) {
        CallForm::instance().show();
        QVERIFY(QTest::qWaitForWindowExposed(CallForm::instance().window()));
        if (calls == QLatin1String("closed"))
            CallForm::instance().unload();
        else if (calls == QLatin1String("hidden"))
            CallForm::instance().hide();
    }
    HomePositions::instance().show();
    QVERIFY(QTest::qWaitForWindowActive(board()));

    click(QStringLiteral("cmdRotate"));
    CallForm *form = Form::existing<CallForm>();
    if (takesFocus) {
        QTRY_VERIFY(form->window()->isActiveWindow());
    } else {
        QTest::qWait(50);
        QVERIFY(board()->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), control(QStringLiteral("cmdRotate")));
        QCOMPARE(form != nullptr, calls != QLatin1String("none"));
        QCOMPARE(form && form->isLoaded(), calls == QLatin1String("hidden"));
        QVERIFY(!form || !form->isShown());
    }
    QVERIFY(log.messages.isEmpty());
}

QTEST_MAIN(tst_HomePositions)
#include "tst_homepositions.moc"
