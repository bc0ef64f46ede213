// The call database held locked by another connection or another copy: what
// waits, what skips, and that nothing freezes or is half written.
#include "core/data/InstanceLock.h"
#include "ui/editor/CallEdit.h"
#include "ui/kit/Modal.h"
#include "ui/lists/Lists.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <sys/stat.h>

#include <unistd.h>

namespace {
CallForm::Controls &calls()
{
    getList("B").Timer1->stop();
    return CallForm::instance().ui();
}

QString usedMarks(const TestDatabase &db)
{
    return db.column("SELECT Used FROM tblCalls ORDER BY Call_ID").join("");
}
} // namespace

class tst_contention : public QObject
{
    Q_OBJECT

private slots:
    void callersActionWaits_data();
    void callersActionWaits();
    void pacedDrawSkipsItsTick();
    void replacedFileIsToldAsReplaced_data();
    void replacedFileIsToldAsReplaced();
    void anyModalWindowHoldsThePacing();
    void oneCopyPerFile_data();
    void oneCopyPerFile();
    void settingsFileThatIsAPipeIsRefused();
};

void tst_contention::callersActionWaits_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("end"); // freed: the other program lets go; cancel; timeout
    QTest::addColumn<QString>("marks"); // Used of the six calls afterwards, from 001000
    for (const char *end : {"freed", "cancel", "timeout"}) {
        const bool done = QByteArray(end) == "freed";
        for (const char *action : {"Find", "Get Next", "combo", "editor"})
            QTest::addRow("%s, %s", action, end) << action << "EXCLUSIVE" << end << "001000";
        QTest::addRow("Use, %s", end) << "Use" << "EXCLUSIVE" << end << "";
        QTest::addRow("Reset, %s", end) << "Reset" << "EXCLUSIVE" << end << (done ? "000000" : "001000");
        // The Lists window and the editor's writes wait the same way.
        for (const char *action : {"Lists tick", "editor write"})
            QTest::addRow("%s, %s", action, end) << action << "IMMEDIATE" << end << (done ? "101000" : "001000");
    }
    // A lock that still lets others read: the writers wait all the same.
    QTest::newRow("Use beside a write lock") << "Use" << "IMMEDIATE" << "freed" << "";
    QTest::newRow("Reset beside a write lock") << "Reset" << "IMMEDIATE" << "timeout" << "001000";
}

void tst_contention::callersActionWaits()
{
    QFETCH(QString, action);
    QFETCH(QString, lock);
    QFETCH(QString, end);
    QFETCH(QString, marks);
    TestDatabase db({list("B", 2), list("MS", 4)});
    MessageLog log;
    dataCall::instance().setTimeouts(1500, 1500);
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name = 'MS #1'");
    CallForm::Controls *c = nullptr;
    const bool window = action == "Lists tick" || action == "editor write";
    if (action == "Lists tick")
        Lists::instance().show();
    else if (action == "editor write")
        QTest::keyClicks(CallEdit::instance().ui().txtFields[1], "1");
    if (action != "combo" && action != "editor" && !window) {
        c = &calls();
        c->cmdStart->click();
        c->lblCallsLeft->clear();
    }

    // From inside the wait: the waiting window is up, the event loop answers a
    // posted event in time; then the row ends the wait.
    db.exec("BEGIN " + lock);
    qint64 latency = -1;
    QElapsedTimer posted;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != "dlgWaiting")
            return;
        if (!posted.isValid()) {
            posted.start();
            QMetaObject::invokeMethod(this, [&] { latency = posted.elapsed(); }, Qt::QueuedConnection);
        } else if (latency >= 0) {
            poll.stop();
            if (end == "freed")
                db.exec("ROLLBACK");
            else if (end == "cancel")
                dialog->cancel();
        }
    });
    poll.start(10);
    QElapsedTimer took;
    took.start();
    if (action == "combo")
        frmMain::instance().show();
    else if (action == "Lists tick")
        Lists::instance().ui().calls->item(0, 1)->setCheckState(Qt::Checked);
    else if (action == "editor write")
        QTest::mouseClick(CallEdit::instance().ui().cmdUpdate, Qt::LeftButton);
    else if (action == "editor")
        CallEdit::instance().show();
    else
        (action == "Find" ? c->cmdStart : action == "Use" ? c->cmdUse : action == "Reset" ? c->cmdReset : c->cmdGetNOL)
            ->click();
    if (end != "freed")
        db.exec("ROLLBACK");

    QVERIFY2(latency >= 0 && latency < 200, qPrintable(QString::number(latency)));
    QVERIFY(took.elapsed() < 3000 && !QApplication::activeModalWidget());
    const bool done = end == "freed";
    // Done whole or not at all; for Use, the call on show is the one marked.
    if (action == "Use")
        QCOMPARE(usedMarks(db).count('1'), done ? 2 : 1);
    else
        QCOMPARE(usedMarks(db), marks);
    if (action == "Find" || action == "Use")
        QCOMPARE(c->lblCallsLeft->text(), QString(done ? (action == "Use" ? "1" : "2") : ""));
    else if (action == "Get Next")
        QCOMPARE(c->lblNLCall1->text().startsWith("B #"), done);
    else if (action == "combo")
        QCOMPARE(frmMain::instance().ui().box_List->count(), done ? 2 : 0);
    else if (action == "editor")
        QCOMPARE(CallEdit::instance().window()->findChild<QLineEdit *>("txtFields_0")->text(), QString(done ? "B #1" : ""));

    // Only a timeout is told, with the true cause; a cancel was the caller's own.
    const bool told = end == "timeout" && action != "Get Next";
    QCOMPARE(log.messages.size(), told ? 1 : 0);
    if (told)
        QVERIFY2(log.messages[0].contains("locked by another program") && log.messages[0].contains(db.folder()),
                 qPrintable(log.messages[0]));
    if (action == "combo" && !done) { // asked again when the caller reaches for it
        QTest::mouseClick(frmMain::instance().ui().box_List, Qt::LeftButton);
        QCOMPARE(frmMain::instance().ui().box_List->count(), 2);
    }
}

void tst_contention::replacedFileIsToldAsReplaced_data()
{
    QTest::addColumn<QString>("face");
    QTest::newRow("Lists window") << "Lists";
    QTest::newRow("call editor") << "editor";
    QTest::newRow("Calls window") << "Calls";
}

// Every face names a file replaced under it as replaced, and writes nothing into the new one.
void tst_contention::replacedFileIsToldAsReplaced()
{
    QFETCH(QString, face);
    TestDatabase db({list("B", 2), list("MS", 4)});
    MessageLog log;
    CallForm::Controls *c = face == "Calls" ? &calls() : nullptr;
    if (face == "Lists")
        Lists::instance().show();
    else if (face == "editor")
        QTest::keyClicks(CallEdit::instance().ui().txtFields[1], "1");
    else
        c->cmdStart->click();
    QVERIFY(QFile::rename(db.path(), db.path() + ".old"));
    QVERIFY(QFile::copy(db.path() + ".old", db.path()));
    if (face == "Lists")
        Lists::instance().ui().calls->item(0, 1)->setCheckState(Qt::Checked);
    else if (face == "editor")
        QTest::mouseClick(CallEdit::instance().ui().cmdUpdate, Qt::LeftButton);
    else
        c->cmdUse->click();
    QCOMPARE(log.messages.size(), 1);
    QVERIFY2(log.messages[0].contains("was replaced by another file") && log.messages[0].contains(db.folder()),
             qPrintable(log.messages[0]));
    QCOMPARE(usedMarks(db), QString("000000"));
}

// A file dialog (or any modal window of the program) holds the paced draws
// and leaves its time out of the pacing clock, as a message box does.
void tst_contention::anyModalWindowHoldsThePacing()
{
    TestDatabase db({list("B", 3)});
    MessageLog log;
    CallForm::Controls &c = calls();
    c.hscrCall->setValue(1);
    CallForm::instance().CallTicks = 99;
    qint64 ticksInside = -1;
    QTimer::singleShot(0, this, [&] {
        QTest::qWait(80);
        CallForm::instance().Timer1_Timer(); // a tick while the dialog is up draws nothing
        ticksInside = CallForm::instance().CallTicks;
        if (QWidget *dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    const qint64 heldBefore = Modal::heldMs();
    QFileDialog dialog(c.cmdUse->window(), "Open");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.exec();
    QCOMPARE(ticksInside, qint64(99));
    QVERIFY(c.lblCall->isHidden());
    QVERIFY2(Modal::heldMs() - heldBefore >= 80, qPrintable(QString::number(Modal::heldMs() - heldBefore)));
    CallForm::instance().Timer1_Timer(); // the dialog gone, the due draw comes
    QVERIFY(!c.lblCall->isHidden());
    QCOMPARE(CallForm::instance().CallTicks, qint64(0));
}

void tst_contention::pacedDrawSkipsItsTick()
{
    TestDatabase db({list("B", 4)});
    MessageLog log;
    dataCall::instance().setTimeouts(300, 300);
    CallForm::Controls &c = calls();
    c.hscrCall->setValue(1);
    c.hscrDelay->setValue(1);
    c.cmdStart->click();
    const QString shown = c.lblCall->text();
    CallForm::instance().CallTicks = CallForm::instance().NLTicks = 99;

    db.exec("BEGIN EXCLUSIVE");
    QElapsedTimer took;
    took.start();
    CallForm::instance().Timer1_Timer(); // both draws due, each turned away after one busy slice, not 30 s
    QVERIFY2(took.elapsed() < 2 * Waiting::SliceMs + 150, qPrintable(QString::number(took.elapsed())));
    QVERIFY(!c.lblStatus->isHidden() && c.lblStatus->text().contains("locked by another program"));
    QVERIFY(c.lblCall->text() == shown && c.lblNLCall1->text().isEmpty());
    QVERIFY(log.messages.isEmpty() && !QApplication::activeModalWidget());
    db.exec("ROLLBACK");
    c.cmdUse->click(); // the call on show is still the one "&Use" marks
    QCOMPARE(db.value("SELECT Call_Name FROM tblCalls WHERE Used = 1").toString(), shown);

    CallForm::instance().CallTicks = CallForm::instance().NLTicks = 99;
    CallForm::instance().Timer1_Timer(); // a draw that goes through clears the line
    QVERIFY(c.lblStatus->isHidden() && c.lblNLCall1->text().startsWith("B #"));
}

void tst_contention::oneCopyPerFile_data()
{
    QTest::addColumn<QString>("reach"); // how the second copy reaches the first one's file
    QTest::newRow("same folder") << "same folder";
    QTest::newRow("hard link") << "hard link";
    QTest::newRow("bind mount") << "bind mount";
    QTest::newRow("another runtime folder") << "runtime";
}

void tst_contention::oneCopyPerFile()
{
    QFETCH(QString, reach);
    TestDatabase db({list("B", 2)});
    { // SQLite closing a descriptor of the file drops none of the lock
        InstanceLock mine(db.path());
        QVERIFY(mine.tryLock());
        {
            QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "closing");
            c.setDatabaseName(db.path());
            QVERIFY(c.open() && QSqlQuery(c).exec("UPDATE tblCalls SET Used = 0"));
        }
        QSqlDatabase::removeDatabase("closing");
        QVERIFY(InstanceLock::isHeld(db.path()));
    }
    QVERIFY(!InstanceLock::isHeld(db.path()));

    QTemporaryDir other;
    QString folder = db.folder(); // where the second and third copies start
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcessEnvironment secondEnv = env;
    bool mounted = false;
    const auto unmount = qScopeGuard([&] {
        if (mounted)
            privileged({"umount", other.path()});
    });
    if (reach == "hard link") {
        folder = other.path();
        QVERIFY(::link(QFile::encodeName(db.path()), QFile::encodeName(other.filePath(CallDatabase::FileName))) == 0);
    } else if (reach == "bind mount") {
        if (const QString refused = privileged({"mount", "--bind", db.folder(), other.path()}); !refused.isEmpty())
            QSKIP(qPrintable(refused));
        mounted = true;
        folder = other.path();
    } else if (reach == "runtime") {
        QVERIFY(QFile::setPermissions(other.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        secondEnv.insert("XDG_RUNTIME_DIR", other.path());
    }
    QProcess copies[3];
    for (int i = 0; i < 3; ++i) {
        copies[i].setProcessEnvironment(i == 0 ? env : secondEnv);
        copies[i].setWorkingDirectory(i == 0 ? db.folder() : folder);
    }
    copies[0].start(VORLET_PROGRAM, {});
    QTRY_VERIFY_WITH_TIMEOUT(InstanceLock::isHeld(db.path()), 5000);
    const QByteArray before = db.column("SELECT * FROM tblList").join(',').toUtf8();
    const QDateTime modified = QFileInfo(db.path()).lastModified();

    copies[1].start(VORLET_PROGRAM, {});
    const QByteArray said =
        QString("Vorlet is already running with %1.").arg(QDir(folder).filePath(CallDatabase::FileName)).toLocal8Bit();
    QByteArray told;
    QTRY_VERIFY_WITH_TIMEOUT((told += copies[1].readAllStandardError()).contains(said), 5000);
    copies[1].kill(); // its box waits for an OK no one gives
    copies[1].waitForFinished();
    QCOMPARE(QFileInfo(db.path()).lastModified(), modified);
    QCOMPARE(db.column("SELECT * FROM tblList").join(',').toUtf8(), before);
    QCOMPARE(copies[0].state(), QProcess::Running);

    // A copy killed outright never blocks the next one.
    copies[0].kill();
    copies[0].waitForFinished();
    QVERIFY(!InstanceLock::isHeld(db.path()));
    copies[2].start(VORLET_PROGRAM, {});
    QTRY_VERIFY_WITH_TIMEOUT(InstanceLock::isHeld(db.path()), 5000);
    QVERIFY(!copies[2].readAllStandardError().contains("already running"));
    copies[2].kill();
    copies[2].waitForFinished();
}

// A FIFO in the settings file's place would hold the start until someone wrote to it.
void tst_contention::settingsFileThatIsAPipeIsRefused()
{
    TestDatabase db({list("B", 2)});
    QTemporaryDir config;
    QVERIFY(QDir(config.path()).mkdir("Vorlet"));
    const QString fifo = config.filePath("Vorlet/Vorlet.conf");
    QVERIFY(mkfifo(qPrintable(fifo), 0600) == 0);
    QProcess copy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    copy.setProcessEnvironment(env);
    copy.setWorkingDirectory(db.folder());
    copy.start(VORLET_PROGRAM, {});
    const auto end = qScopeGuard([&copy] { // its box waits for an OK no one gives
        copy.kill();
        copy.waitForFinished();
    });
    const QByteArray said = QString("The settings file \"%1\" is a named pipe (FIFO), not a file").arg(fifo).toLocal8Bit();
    QByteArray told;
    QTRY_VERIFY_WITH_TIMEOUT((told += copy.readAllStandardError()).contains(said), 10000);
}

QTEST_MAIN(tst_contention)
#include "tst_contention.moc"
