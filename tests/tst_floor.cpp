// The "Floor" window: the calls large, following the "Calls" window, worked by single keys.
#include "ui/calls/Floor.h"
#include "testsupport.h"

#include <QFontMetricsF>
#include <QScrollBar>

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
    void listCallReadableAcrossTheHall();
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

QTEST_MAIN(tst_Floor)
#include "tst_floor.moc"
