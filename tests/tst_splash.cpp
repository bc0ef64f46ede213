#include "testsupport.h"

#include "app/AppIdentity.h"
#include "app/Form.h"
#include "app/frmSplash.h"
#include "main/frmMain.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

class tst_Splash : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Form::setAllUnloadedHandler({}); }

    void versionText_data();
    void versionText();
    void loadShowsIdentity();
    void handOver_data();
    void handOver();
    void sixthTick_data();
    void sixthTick();
    void mainClosedBeforeSixthTick();
};

void tst_Splash::versionText_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("text");
    QTest::newRow("ours") << 1 << 0 << 1 << "Version 1.0.1";
    QTest::newRow("two-digit minor") << 1 << 10 << 1 << "Version 1.10.1";
    QTest::newRow("two-digit major") << 10 << 0 << 0 << "Version 10.0.0";
    QTest::newRow("three digits") << 2 << 3 << 100 << "Version 2.3.100";
}

void tst_Splash::versionText()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QTEST(AppIdentity::versionText(major, minor, revision), "text");
}

void tst_Splash::loadShowsIdentity()
{
    TestDatabase db({list("B", 3)});
    MessageLog log;
    frmSplash::instance().show();
    QWidget *w = frmSplash::instance().window();
    QCOMPARE(w->findChild<QLabel *>("lblProductName")->text(), QString("Vorlet"));
    QCOMPARE(w->findChild<QLabel *>("lblVersion")->text(), QString("Version 1.0.1"));
    QVERIFY(!w->findChild<QLabel *>("imgLogo")->pixmap().isNull());
    // Out of the taskbar and without a title bar.
    QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(w->windowType(), Qt::Tool);
    auto *timer = w->findChild<QTimer *>("Timer1");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 500);
    for (QWidget *child : w->findChildren<QWidget *>())
        QCOMPARE(child->focusPolicy(), Qt::NoFocus);
    QVERIFY(!frmMain::instance().isLoaded());
    QVERIFY(log.messages.isEmpty());
}

void tst_Splash::handOver_data()
{
    QTest::addColumn<QString>("target"); // what is clicked; empty for a key
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("handsOver");
    QTest::newRow("letter key") << QString() << int(Qt::Key_A) << true;
    QTest::newRow("space") << QString() << int(Qt::Key_Space) << true;
    QTest::newRow("escape") << QString() << int(Qt::Key_Escape) << true;
    QTest::newRow("shift alone") << QString() << int(Qt::Key_Shift) << false;
    QTest::newRow("frame surface") << "Frame1" << 0 << true;
    QTest::newRow("product name") << "lblProductName" << 0 << false;
    QTest::newRow("version") << "lblVersion" << 0 << false;
    QTest::newRow("company") << "lblCompany" << 0 << false;
    QTest::newRow("logo") << "imgLogo" << 0 << false;
    QTest::newRow("window margin") << "frmSplash" << 0 << false;
}

void tst_Splash::handOver()
{
    QFETCH(QString, target);
    QFETCH(int, key);
    QFETCH(bool, handsOver);
    TestDatabase db({list("B", 3)});
    MessageLog log;
    frmSplash &splash = frmSplash::instance();
    splash.show();
    QWidget *w = splash.window();
    auto act = [&] {
        if (target.isEmpty()) {
            QTest::keyClick(w, Qt::Key(key));
        } else if (target == "Frame1") {
            auto *frame = w->findChild<QFrame *>("Frame1");
            const QPoint empty(20, frame->height() - 20);
            QVERIFY(!frame->childAt(empty));
            QTest::mouseClick(frame, Qt::LeftButton, {}, empty);
        } else if (target == "frmSplash") {
            QVERIFY(!w->childAt(QPoint(2, 2)));
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(2, 2));
        } else {
            QWidget *child = w->findChild<QWidget *>(target);
            QVERIFY(child);
            QTest::mouseClick(child, Qt::LeftButton, {}, child->rect().center());
        }
    };
    act();
    QCOMPARE(frmMain::instance().isShown(), handsOver);
    QCOMPARE(splash.isShown(), !handsOver);
    // The splash is never unloaded by a key or a click: its timer keeps going.
    QVERIFY(splash.isLoaded());
    QVERIFY(w->findChild<QTimer *>("Timer1")->isActive());
    QCOMPARE(splash.SplashTicks, qint16(0));

    // A second key or click changes nothing more.
    act();
    QCOMPARE(frmMain::instance().isShown(), handsOver);
    QCOMPARE(splash.isShown(), !handsOver);
    QVERIFY(log.messages.isEmpty());
}

void tst_Splash::sixthTick_data()
{
    QTest::addColumn<bool>("earlyKey");
    QTest::newRow("no input") << false;
    QTest::newRow("key before") << true;
}

void tst_Splash::sixthTick()
{
    QFETCH(bool, earlyKey);
    TestDatabase db({list("B", 3)});
    MessageLog log;
    int allUnloaded = 0;
    Form::setAllUnloadedHandler([&] { ++allUnloaded; });
    frmSplash &splash = frmSplash::instance();
    splash.show();
    QPointer<QTimer> timer = splash.window()->findChild<QTimer *>("Timer1");
    if (earlyKey)
        QTest::keyClick(splash.window(), Qt::Key_X);
    QPointer<QWidget> mainWindow = earlyKey ? frmMain::instance().window() : nullptr;

    for (int tick = 1; tick <= 5; ++tick) {
        splash.Timer1_Timer();
        QCOMPARE(splash.SplashTicks, qint16(tick));
        QVERIFY(splash.isLoaded());
        QCOMPARE(splash.isShown(), !earlyKey);
        QCOMPARE(frmMain::instance().isShown(), earlyKey);
    }
    splash.Timer1_Timer();
    QCOMPARE(splash.SplashTicks, qint16(6));
    QVERIFY(!splash.isLoaded());
    QVERIFY(timer.isNull() || !timer->isActive());
    QVERIFY(frmMain::instance().isShown());
    // Shown already after the key: the sixth tick leaves the same window in place.
    if (earlyKey)
        QCOMPARE(frmMain::instance().window(), mainWindow.data());
    QCOMPARE(Form::loadedCount(), 1);
    QCOMPARE(allUnloaded, 0);
    QVERIFY(log.messages.isEmpty());
}

void tst_Splash::mainClosedBeforeSixthTick()
{
    TestDatabase db({list("B", 3), list("MS", 2)});
    MessageLog log;
    int allUnloaded = 0;
    Form::setAllUnloadedHandler([&] { ++allUnloaded; });
    frmSplash &splash = frmSplash::instance();
    splash.show();
    QTest::keyClick(splash.window(), Qt::Key_Return);
    splash.Timer1_Timer();
    QPointer<QWidget> firstMain = frmMain::instance().window();
    auto *combo = firstMain->findChild<QComboBox *>("box_List");
    combo->setEditText("MS");

    firstMain->close();
    // The hidden splash still counts as loaded: the process lives on.
    QVERIFY(!frmMain::instance().isLoaded());
    QVERIFY(splash.isLoaded());
    QCOMPARE(Form::loadedCount(), 1);
    QCOMPARE(allUnloaded, 0);

    for (int tick = 2; tick <= 5; ++tick)
        splash.Timer1_Timer();
    QVERIFY(!frmMain::instance().isLoaded());
    splash.Timer1_Timer();
    QVERIFY(!splash.isLoaded());
    QVERIFY(frmMain::instance().isShown());
    // Loaded afresh: its load step filled the combo and set "B" again.
    QWidget *again = frmMain::instance().window();
    QVERIFY(again != firstMain.data() || firstMain.isNull());
    auto *freshCombo = again->findChild<QComboBox *>("box_List");
    QCOMPARE(freshCombo->currentText(), QString("B"));
    QCOMPARE(freshCombo->count(), 2);
    QCOMPARE(allUnloaded, 0);

    again->close();
    QCOMPARE(allUnloaded, 1);
    QVERIFY(log.messages.isEmpty());
}

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
