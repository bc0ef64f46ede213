// The "Floor" window: the calls large, following the "Calls" window, worked by single keys.
#include "ui/calls/Floor.h"
#include "testsupport.h"

#include <QFontMetricsF>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>

namespace {
// The floor shows what the Calls window shows, once the handler has run.
bool same(const FitLabel *calls, const FitLabel *floor)
{
    return calls->text() == floor->text() && calls->isHidden() == floor->isHidden();
}
} // namespace

class tst_Floor : public QObject
{
    Q_OBJECT
private slots:
    void followsAndWorksTheCallsWindow();
    void messagesShowOverTheFloor();
    void windowKeys();
    void clickerKeys_data();
    void clickerKeys();
    void pauseHoldsThePacingClock();
    void listCallReadableAcrossTheHall();
    void fitRule_data();
    void fitRule();
    void remembersItsScreen();
};

void tst_Floor::followsAndWorksTheCallsWindow()
{
    TestDatabase db({list("B", 5)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    QVERIFY(QTest::qWaitForWindowActive(c.cmdUse->window()));
    QTest::keyClick(c.cmdUse->window(), Qt::Key_L, Qt::AltModifier);
    Floor &floor = Floor::instance();
    QVERIFY(floor.isShown());
    Floor::Controls &f = floor.ui();
    QWidget *w = f.lblCall->window();
    auto follows = [&] {
        return same(c.lblCall, f.lblCall) && same(c.lblNLCall1, f.lblNLCall1) && same(c.lblNLCall2, f.lblNLCall2);
    };
    QVERIFY(follows() && f.lblCall->isHidden());

    QTest::keyClick(w, Qt::Key_F);
    QVERIFY(!c.lblCall->text().isEmpty());
    QTRY_VERIFY(follows() && f.lblCallsLeft->text() == "5 left");
    QVERIFY(f.lblList->isVisible());
    QCOMPARE(f.lblList->text(), "B"); // the list the call came from
    const QString first = c.lblCall->text();
    QTest::keyClick(w, Qt::Key_U);
    QTest::keyClick(w, Qt::Key_U, Qt::ControlModifier); // only plain keys act
    QKeyEvent held(QEvent::KeyPress, Qt::Key_U, Qt::NoModifier, "u", true);
    QApplication::sendEvent(w, &held); // a key held down is one press
    QCOMPARE(db.column("SELECT Call_Name FROM tblCalls WHERE Used = 1"), QStringList{first});
    QTRY_VERIFY(follows() && f.lblCallsLeft->text() == "4 left");

    QTest::keyClick(w, Qt::Key_N);
    QTest::keyClick(w, Qt::Key_N);
    QVERIFY(!c.lblNLCall2->isHidden());
    QTRY_VERIFY(follows());
    c.hscrCall->setValue(1); // paced draws show too
    for (int tick = 0; tick < 500; ++tick)
        CallForm::instance().Timer1_Timer();
    QTRY_VERIFY(follows());
    c.cmdStart->click(); // the Calls window works as before
    QTRY_VERIFY(follows());

    // Reset asks first; No keeps every mark.
    QTest::keyClick(w, Qt::Key_R);
    QCOMPARE(log.questions.size(), 1);
    QCOMPARE(used(db), 1);
    log.answer = true;
    QTest::keyClick(w, Qt::Key_R);
    QCOMPARE(used(db), 0);
    QVERIFY(log.messages.isEmpty());

    // The floor goes with the Calls window.
    QVERIFY(c.cmdUse->window()->close());
    QTRY_VERIFY(!floor.isLoaded());
    QVERIFY(frmMain::instance().isShown());
}

void tst_Floor::messagesShowOverTheFloor()
{
    TestDatabase db({list("B", 1)});
    CallForm::Controls &c = getList("B"); // real boxes: where one opens is what counts
    QTest::mouseClick(c.cmdFloor, Qt::LeftButton);
    QWidget *w = Floor::instance().window();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_F);
    QWidget *over = nullptr;
    QTimer::singleShot(0, this, [&over] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            over = box->parentWidget();
            box->close();
        }
    });
    QTest::keyClick(w, Qt::Key_U); // uses the last call: the message comes over the Floor, not behind it
    QCOMPARE(over, w);
    QCOMPARE(used(db), 1);
    QCOMPARE(c.lblCallsLeft->text(), "1"); // the Calls window keeps the count of the call it drew
    QTRY_COMPARE(Floor::instance().ui().lblCallsLeft->text(), "0 left");

    // Full screen, the box and the question of R come large over the Floor, one at a time, answered as before.
    const int normalPixels = QFontInfo(QApplication::font("QMessageBox")).pixelSize();
    QTest::keyClick(w, Qt::Key_F11);
    QVERIFY(w->isFullScreen());
    QVERIFY(QTest::qWaitForWindowActive(w));
    QStringList seen;
    auto answerNo = [&] {
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (box->parentWidget() == w && QFontInfo(box->font()).pixelSize() == w->screen()->geometry().height() / 30)
                seen << box->text();
            QTest::keyClick(box, Qt::Key_Escape);
        });
    };
    answerNo();
    QTest::keyClick(w, Qt::Key_F);
    answerNo();
    QTest::keyClick(w, Qt::Key_R);
    QCOMPARE(seen.size(), 2);
    QVERIFY(seen[0].startsWith("All calls have been used."));
    QVERIFY(seen[1].startsWith("Reset the used marks"));
    QCOMPARE(used(db), 1); // Escape says No
    QVERIFY(w->screen()->geometry().height() / 30 > normalPixels);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Floor::windowKeys()
{
    TestDatabase db({list("B", 2)});
    MessageLog log;
    for (const bool byKey : {true, false}) { // F11 or a double click toggles full screen
        QTest::mouseClick(getList("B").cmdFloor, Qt::LeftButton);
        QWidget *w = Floor::instance().window();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        auto press = [&] { byKey ? QTest::keyClick(w, Qt::Key_F11) : QTest::mouseDClick(w, Qt::LeftButton); };
        press();
        QVERIFY(w->isFullScreen());
        press();
        QVERIFY(!w->isFullScreen());
        press();
        QTest::keyClick(w, Qt::Key_Escape); // leaves full screen first
        QVERIFY(!w->isFullScreen() && Floor::instance().isShown());
        QTest::keyClick(w, Qt::Key_Escape); // then closes
        QVERIFY(!Floor::instance().isLoaded());
        QVERIFY(CallForm::instance().isShown());
    }
}

void tst_Floor::listCallReadableAcrossTheHall()
{
    const QStringList names = defaultCallNames();
    QVERIFY(names.size() > 500);

    TestDatabase db({list("B", 1)});
    MessageLog log;
    getList("B");
    QWidget *w = Floor::instance().window();
    w->resize(1920, 1080);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    FitLabel *label = Floor::instance().ui().lblCall;
    QTRY_VERIFY(label->height() > 1080 / 2);
    for (const QString &name : std::as_const(names)) {
        label->setText(name);
        const FitLabel::Fit &fit = label->fit();
        // Letters 80 px high wherever three lines hold the name.
        QVERIFY2(!fit.elided && (fit.lines.size() > 3 || QFontMetricsF(fit.font).capHeight() >= 80),
                 qPrintable(name));
    }
}

void tst_Floor::fitRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<int>("lines"); // 0: cut short
    // The Floor's list call box at 1920x1080 and at 3840x2160 full screen.
    QTest::newRow("short call, 1080p") << "Spin Chain Thru" << QSize(1888, 540) << 1;
    QTest::newRow("short call, 4K") << "Spin Chain Thru" << QSize(3808, 1150) << 1;
    QTest::newRow("short call, narrow") << "Spin Chain Thru" << QSize(300, 600) << 3;
    QTest::newRow("long call") << "Load The Boat And Then Square Thru Four Hands Around" << QSize(1888, 540) << 3;
    QTest::newRow("one word") << "Hinge" << QSize(1888, 540) << 1;
    QTest::newRow("past the smallest") << "Circulate" << QSize(20, 40) << 0;
}

// The size and lines, without a window: one line unless wrapping reads clearly larger.
void tst_Floor::fitRule()
{
    QFETCH(QString, text);
    QFETCH(QSize, box);
    QFETCH(int, lines);
    QFont font(QApplication::font());
    font.setBold(true);
    const FitLabel::Fit fit = FitLabel::layout(text, font, box, 10, 2000);
    QCOMPARE(fit.elided, lines == 0);
    if (lines > 0)
        QCOMPARE(fit.lines.size(), lines);
    const QFontMetricsF fm(fit.font);
    for (const QString &line : fit.lines)
        QVERIFY2(fm.horizontalAdvance(line) <= box.width(), qPrintable(line));
    if (!fit.elided) {
        QCOMPARE(fit.lines.join(' '), text);
        QVERIFY(fm.height() + (fit.lines.size() - 1) * fm.lineSpacing() <= box.height());
        // A pixel more and it would not fit so: the size is the largest.
        const int more = fit.font.pixelSize() + 1;
        if (fit.lines.size() == 1) {
            QFont larger = fit.font;
            larger.setPixelSize(more);
            const QFontMetricsF lm(larger);
            QVERIFY(lm.horizontalAdvance(text) > box.width() || lm.height() > box.height());
        } else {
            QVERIFY(FitLabel::layout(text, font, box, more, more).elided);
        }
    }
}

// Closed full screen, it opens full screen on the same screen; a screen that is gone means the primary.
void tst_Floor::remembersItsScreen()
{
    TestDatabase db({list("B", 2)});
    MessageLog log;
    QScreen *primary = QGuiApplication::primaryScreen();
    QCOMPARE(Floor::screenFor(primary->name()), primary);
    QCOMPARE(Floor::screenFor("a projector since unplugged"), primary);
    QCOMPARE(Floor::screenFor(QString()), primary);
    for (const bool full : {true, false}) {
        QTest::mouseClick(getList("B").cmdFloor, Qt::LeftButton);
        QWidget *w = Floor::instance().window();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        if (w->isFullScreen() != full)
            QTest::keyClick(w, Qt::Key_F11);
        QVERIFY(w->close());
        QTest::mouseClick(getList("B").cmdFloor, Qt::LeftButton);
        w = Floor::instance().window();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->isFullScreen(), full);
        QCOMPARE(w->screen(), primary);
        if (full) // the key strip grows with the screen
            QVERIFY(Floor::instance().ui().lblKeys->font().pixelSize() >= qRound(12 * w->logicalDpiY() / 72.0 * w->height() / 800.0) - 1);
        QVERIFY(w->close());
    }
}

void tst_Floor::clickerKeys_data()
{
    QTest::addColumn<bool>("floor");   // pressed on the Floor view, else on the Calls window
    QTest::addColumn<bool>("onBar");   // with the call delay bar focused
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("held");    // an autorepeat
    QTest::addColumn<QString>("does"); // use, find, pause or nothing
    QTest::newRow("PageDown on Calls") << false << false << int(Qt::Key_PageDown) << false << "use";
    QTest::newRow("Media Next on Floor") << true << false << int(Qt::Key_MediaNext) << false << "use";
    QTest::newRow("Right on Floor") << true << false << int(Qt::Key_Right) << false << "use";
    QTest::newRow("Right on Calls") << false << false << int(Qt::Key_Right) << false << "nothing";
    QTest::newRow("PageUp on Calls") << false << false << int(Qt::Key_PageUp) << false << "find";
    QTest::newRow("Left on Floor") << true << false << int(Qt::Key_Left) << false << "find";
    QTest::newRow("Media Previous on Calls") << false << false << int(Qt::Key_MediaPrevious) << false << "find";
    QTest::newRow("PageDown held") << false << false << int(Qt::Key_PageDown) << true << "nothing";
    QTest::newRow("PageDown on the delay bar") << false << true << int(Qt::Key_PageDown) << false << "nothing";
    QTest::newRow("b on Calls") << false << false << int(Qt::Key_B) << false << "pause";
    QTest::newRow("period on Floor") << true << false << int(Qt::Key_Period) << false << "pause";
    QTest::newRow("Media Play/Pause on Floor") << true << false << int(Qt::Key_MediaTogglePlayPause) << false << "pause";
}

// A clicker's or fob's keys command the session from either window.
void tst_Floor::clickerKeys()
{
    QFETCH(bool, floor);
    QFETCH(bool, onBar);
    QFETCH(int, key);
    QFETCH(bool, held);
    QFETCH(QString, does);
    TestDatabase db({list("B", 5)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    QWidget *calls = c.cmdUse->window();
    QVERIFY(QTest::qWaitForWindowActive(calls));
    c.cmdStart->click(); // a call on show
    QWidget *target = calls;
    if (floor) {
        QTest::keyClick(calls, Qt::Key_L, Qt::AltModifier);
        target = Floor::instance().ui().lblCall->window();
    } else if (onBar) {
        c.hscrCall->setFocus();
        target = c.hscrCall;
    }
    const int bar = c.hscrCall->value();
    QSignalSpy drawn(&CallsSession::instance(), &CallsSession::callDrawn);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), held);
    QApplication::sendEvent(target, &press);
    QCOMPARE(used(db), does == "use" ? 1 : 0);
    QCOMPARE(drawn.size(), does == "nothing" ? 0 : does == "pause" ? 0 : 1);
    QCOMPARE(CallForm::instance().isPaused(), does == "pause");
    QCOMPARE(c.lblPaused->isVisible(), does == "pause");
    if (floor)
        QTRY_COMPARE(Floor::instance().ui().lblPaused->isVisible(), does == "pause");
    QCOMPARE(c.hscrCall->value() != bar, onBar); // the bar keeps its own keys
    QCOMPARE(log.messages, QStringList{});
    if (CallForm::instance().isPaused())
        CallForm::instance().togglePause();
}

// While paused, no tick of either delay counts; on resume the count goes on from where it stood.
void tst_Floor::pauseHoldsThePacingClock()
{
    ManualClock clock;
    TestDatabase db({list("B", 40)});
    CallForm &form = CallForm::instance();
    form.setTimeSource(&clock);
    CallForm::Controls &c = getList("B");
    c.hscrCall->setValue(9);
    form.CallTicks = form.NLTicks = 0;
    auto after = [&](qint64 ms) {
        clock.now += ms;
        form.Timer1_Due();
    };
    after(500);
    QCOMPARE(form.CallTicks, 50);
    QTest::keyClick(c.cmdUse->window(), Qt::Key_B);
    after(60'000);
    QCOMPARE(form.CallTicks, 50);
    QCOMPARE(form.NLTicks, 50);
    QTest::keyClick(c.cmdUse->window(), Qt::Key_B);
    QVERIFY(!form.isPaused() && !c.lblPaused->isVisible());
    after(200);
    QCOMPARE(form.CallTicks, 70);
    QCOMPARE(form.NLTicks, 70);
    form.unload();
    form.setTimeSource(nullptr);
}

QTEST_MAIN(tst_Floor)
#include "tst_floor.moc"
