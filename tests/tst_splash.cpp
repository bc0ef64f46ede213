#include "ui/kit/Look.h"
#include "ui/app/frmAbout.h"
#include "ui/app/frmSplash.h"
#include "testsupport.h"

#include <QMessageBox>

class tst_Splash : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Form::setAllUnloadedHandler({}); }
    void handOverThenSixthTick_data();
    void handOverThenSixthTick();
    void sixthTickWhileTheMainWindowTells();
    void aboutIconFillsItsBox();
};

void tst_Splash::handOverThenSixthTick_data()
{
    QTest::addColumn<QVariant>("input"); // a key, the name of what is clicked, or nothing
    QTest::addColumn<QString>("main");   // the main window until the sixth tick: not shown, "shown" or "closed"
    QTest::newRow("no input") << QVariant() << "";
    QTest::newRow("letter key") << QVariant(Qt::Key_A) << "shown";
    QTest::newRow("shift alone") << QVariant(Qt::Key_Shift) << "";
    QTest::newRow("frame surface") << QVariant("Frame1") << "shown";
    QTest::newRow("product name") << QVariant("lblProductName") << "";
    QTest::newRow("key, main window closed") << QVariant(Qt::Key_X) << "closed";
}

void tst_Splash::handOverThenSixthTick()
{
    QFETCH(QVariant, input);
    QFETCH(QString, main);
    TestDatabase db({list("B", 3), list("MS", 2)});
    MessageLog log;
    int allUnloaded = 0;
    Form::setAllUnloadedHandler([&] { ++allUnloaded; });
    frmSplash &splash = frmSplash::instance();
    splash.show();
    QWidget *clicked = splash.window()->findChild<QWidget *>(input.toString());
    const QPoint spot = input == "Frame1" ? QPoint(20, clicked->height() - 20) : QPoint(); // frame: an empty part
    for (int time = 0; input.isValid() && time < 2; ++time) { // a second key or click changes nothing more
        input.typeId() == QMetaType::QString ? QTest::mouseClick(clicked, Qt::LeftButton, {}, spot)
                                             : QTest::keyClick(splash.window(), input.value<Qt::Key>());
        QCOMPARE(frmMain::instance().isShown(), !main.isEmpty());
    }
    QPointer<QWidget> firstMain = main.isEmpty() ? nullptr : frmMain::instance().window();
    if (main == "closed") { // the last window on show: the hidden splash goes with it, and the program ends
        QVERIFY(firstMain->close());
        QVERIFY(!splash.isLoaded() && !frmMain::instance().isLoaded());
        QCOMPARE(allUnloaded, 1);
        return;
    }
    for (int tick = 1; tick <= 5; ++tick) {
        splash.Timer1_Timer();
        QVERIFY(splash.isLoaded() && splash.isShown() == main.isEmpty()); // loaded: the program lives
        QCOMPARE(frmMain::instance().isShown(), main == "shown");
    }
    splash.Timer1_Timer();
    QVERIFY(!splash.isLoaded() && frmMain::instance().isShown());
    QCOMPARE(frmMain::instance().window() == firstMain, main == "shown");
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
        for (int tick = 1; tick <= 6; ++tick) // ticks that come while the box is up count
            splash.Timer1_Timer();
        QVERIFY(splash.isLoaded() && !splash.isShown() && frmMain::instance().isShown());
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->accept();
    });
    QTest::keyClick(splash.window(), Qt::Key_X); // hands over; the splash must outlive its own key
    QVERIFY(splash.isLoaded() && frmMain::instance().isShown());
    splash.Timer1_Timer(); // the first tick after the box unloads it
    QVERIFY(!splash.isLoaded());
}

void tst_Splash::aboutIconFillsItsBox()
{
    auto *icon = frmAbout::instance().window()->findChild<QLabel *>("picIcon");
    QCOMPARE(icon->size(), QSize(Look::twips(540), Look::twips(540)));
    QVERIFY(icon->hasScaledContents());
    Form::destroyAll();
}

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
