#include "testsupport.h"
#include "app/AppIdentity.h"
#include "app/frmSplash.h"
#include "main/frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QTimer>
#include <QPointer>
#include <QTest>

class tst_Splash : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Form::setAllUnloadedHandler({}); }
    void versionText();
    void handOver_data();
    void handOver();
    void sixthTick_data();
    void sixthTick();
    void sixthTickWhileTheMainWindowTells();
};

void tst_Splash::versionText()
{
    QCOMPARE(AppIdentity::versionText(10, 10, 100), QString("Version 10.10.100"));
}

void tst_Splash::handOver_data()
{
    QTest::addColumn<QVariant>("input"); // a key, or the name of what is clicked
    QTest::addColumn<bool>("handsOver");
    QTest::newRow("letter key") << QVariant(Qt::Key_A) << true;
    QTest::newRow("shift alone") << QVariant(Qt::Key_Shift) << false;
    QTest::newRow("frame surface") << QVariant("Frame1") << true;
    QTest::newRow("product name") << QVariant("lblProductName") << false;
    QTest::newRow("logo") << QVariant("imgLogo") << false;
}

void tst_Splash::handOver()
{
    QFETCH(QVariant, input);
    QFETCH(bool, handsOver);
    TestDatabase db({list("B", 3)});
    MessageLog log;
    frmSplash &splash = frmSplash::instance();
    splash.show();
    QWidget *clicked = splash.window()->findChild<QWidget *>(input.toString());
    const QPoint spot = input == "Frame1" ? QPoint(20, clicked->height() - 20) : QPoint(); // frame: an empty part
    for (int time = 0; time < 2; ++time) { // a second key or click changes nothing more
        input.typeId() == QMetaType::QString ? QTest::mouseClick(clicked, Qt::LeftButton, {}, spot)
                                             : QTest::keyClick(splash.window(), input.value<Qt::Key>());
        QCOMPARE(frmMain::instance().isShown(), handsOver);
        QVERIFY(splash.isLoaded() && splash.isShown() != handsOver); // unloaded by the sixth tick only
    }
}

void tst_Splash::sixthTick_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("no input") << "";
    QTest::newRow("key") << "key";
    QTest::newRow("key, main window closed") << "key, close";
}

void tst_Splash::sixthTick()
{
    QFETCH(QString, before);
    TestDatabase db({list("B", 3), list("MS", 2)});
    MessageLog log;
    int allUnloaded = 0;
    Form::setAllUnloadedHandler([&] { ++allUnloaded; });
    frmSplash &splash = frmSplash::instance();
    splash.show();
    if (!before.isEmpty())
        QTest::keyClick(splash.window(), Qt::Key_X);
    QPointer<QWidget> firstMain = before.isEmpty() ? nullptr : frmMain::instance().window();
    if (before.endsWith("close")) {
        firstMain->findChild<QComboBox *>("box_List")->setEditText("MS");
        QVERIFY(firstMain->close());
    }
    for (int tick = 1; tick <= 5; ++tick) {
        splash.Timer1_Timer();
        QVERIFY(splash.isLoaded() && splash.isShown() == before.isEmpty()); // loaded: the program lives
        QCOMPARE(frmMain::instance().isShown(), before == "key");
    }
    splash.Timer1_Timer();
    QVERIFY(!splash.isLoaded() && frmMain::instance().isShown());
    QCOMPARE(frmMain::instance().window() == firstMain, before == "key"); // a closed one: loaded afresh
    QCOMPARE(frmMain::instance().window()->findChild<QComboBox *>("box_List")->currentText(), QString("B"));
    QCOMPARE(allUnloaded, 0);
    frmMain::instance().window()->close();
    QVERIFY(allUnloaded == 1 && log.messages.isEmpty());
}

void tst_Splash::sixthTickWhileTheMainWindowTells()
{
    TestDatabase db; // no database: the main window's load tells so in a real box
    frmSplash &splash = frmSplash::instance();
    splash.show();
    QTimer::singleShot(0, this, [&splash] {
        for (int tick = 1; tick <= 6; ++tick) // ticks that come while the box is up
            splash.Timer1_Timer();
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->accept();
    });
    QTest::keyClick(splash.window(), Qt::Key_X); // hands over; the splash must outlive its own key
    QVERIFY(splash.isLoaded() && frmMain::instance().isShown());
    for (int tick = 1; tick <= 6; ++tick)
        splash.Timer1_Timer();
    QVERIFY(!splash.isLoaded());
}

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
