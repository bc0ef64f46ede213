// The call database held locked by another connection: what waits, what skips,
// and that nothing freezes or is half written.
#include "calls/CallForm.h"
#include "data/InstanceLock.h"
#include "data/dataCall.h"
#include "editor/CallEdit.h"
#include "main/frmMain.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// Watches for the waiting window from inside the wait: checks that the event
// loop answers a posted event in time, then ends the wait as the row says.
class WaitWatcher : public QObject
{
public:
    WaitWatcher(std::function<void()> end)
        : m_end(std::move(end))
    {
        connect(&m_poll, &QTimer::timeout, this, &WaitWatcher::poll);
        m_poll.start(10);
    }
    bool seen = false;
    qint64 latencyMs = -1;

private:
    void poll()
    {
        auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("dlgWaiting") || !dialog->isVisible())
            return;
        if (!seen) {
            seen = true;
            m_posted.start();
            QMetaObject::invokeMethod(this, [this] { latencyMs = m_posted.elapsed(); }, Qt::QueuedConnection);
            return;
        }
        if (latencyMs >= 0 && m_end) {
            const auto end = std::move(m_end);
            m_end = nullptr;
            end();
        }
    }
    std::function<void()> m_end;
    QTimer m_poll;
    QElapsedTimer m_posted;
};
} // namespace

class tst_contention : public QObject
{
    Q_OBJECT

private slots:
    void callersActionWaits_data();
    void callersActionWaits();
    void pacedDrawSkipsItsTick();
    void oneCopyPerFile();
};

void tst_contention::callersActionWaits_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("end"); // freed: the other program lets go; cancel; timeout
    for (const char *action : {"Find", "Use", "Reset", "Get Next", "combo", "editor"}) {
        for (const char *end : {"freed", "cancel", "timeout"})
            QTest::addRow("%s, %s", action, end) << action << "EXCLUSIVE" << end;
    }
    // A reader that holds no write lock lets the writers wait the same way.
    QTest::newRow("Use beside a write lock") << "Use" << "IMMEDIATE" << "freed";
    QTest::newRow("Reset beside a write lock") << "Reset" << "IMMEDIATE" << "timeout";
}

void tst_contention::callersActionWaits()
{
    QFETCH(QString, action);
    QFETCH(QString, lock);
    QFETCH(QString, end);
    TestDatabase db({list("B", 4), list("MS", 2)});
    MessageLog log;
    dataCall::instance().setTimeouts(1500, 1500);
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name = 'MS #1'");
    CallForm::Controls *c = nullptr;
    if (action != "combo" && action != "editor") {
        c = &getList("B");
        c->Timer1->stop();
        c->cmdStart->click();
        c->lblCallsLeft->clear();
    }
    const QString before = db.column("SELECT Used FROM tblCalls ORDER BY Call_ID").join(',');

    db.exec("BEGIN " + lock);
    WaitWatcher watcher([&] {
        if (end == "freed")
            db.exec("ROLLBACK");
        else if (end == "cancel")
            qobject_cast<QProgressDialog *>(QApplication::activeModalWidget())->cancel();
    });
    QElapsedTimer took;
    took.start();
    if (action == "combo")
        frmMain::instance().show();
    else if (action == "editor")
        CallEdit::instance().show();
    else if (action == "Get Next")
        c->cmdGetNOL->click();
    else
        (action == "Find" ? c->cmdStart : action == "Use" ? c->cmdUse : c->cmdReset)->click();
    if (end != "freed")
        db.exec("ROLLBACK");

    QVERIFY(watcher.seen);
    QVERIFY2(watcher.latencyMs >= 0 && watcher.latencyMs < 200, qPrintable(QString::number(watcher.latencyMs)));
    QVERIFY(took.elapsed() < 3000);
    QVERIFY(!QApplication::activeModalWidget());
    const bool done = end == "freed";
    // Done whole, or not at all.
    const QString after = db.column("SELECT Used FROM tblCalls ORDER BY Call_ID").join(',');
    if (action == "Use")
        QCOMPARE(after.count('1'), done ? 2 : 1);
    else if (action == "Reset")
        QCOMPARE(after.count('1'), done ? 0 : 1);
    else
        QCOMPARE(after, before);
    if (action == "Find" || action == "Use")
        QCOMPARE(c->lblCallsLeft->text(), done ? QString::number(action == "Use" ? 3 : 4) : QString());
    else if (action == "Get Next")
        QCOMPARE(c->lblNLCall1->text().startsWith("B #"), done);
    else if (action == "combo")
        QCOMPARE(frmMain::instance().ui().box_List->count(), done ? 2 : 0);
    else if (action == "editor")
        QCOMPARE(CallEdit::instance().window()->findChild<QLineEdit *>("txtFields_0")->text(),
                 done ? QStringLiteral("B #1") : QString());

    // Only the timeout is told, and it names the true cause; a cancel was the caller's own.
    if (end == "timeout" && action != "Get Next") {
        QCOMPARE(log.messages.size(), 1);
        QVERIFY2(log.messages[0].contains("locked by another program") && log.messages[0].contains(db.folder()),
                 qPrintable(log.messages[0]));
    } else {
        QCOMPARE(log.messages, QStringList{});
    }
    if (action == "combo" && !done) { // asked again when the caller reaches for the combo
        QTest::mouseClick(frmMain::instance().ui().box_List, Qt::LeftButton);
        QCOMPARE(frmMain::instance().ui().box_List->count(), 2);
    }
}

void tst_contention::pacedDrawSkipsItsTick()
{
    TestDatabase db({list("B", 4)});
    MessageLog log;
    dataCall::instance().setTimeouts(300, 300);
    CallForm::Controls &c = getList("B");
    c.Timer1->stop();
    c.hscrCall->setValue(1);
    c.hscrDelay->setValue(1);
    c.cmdStart->click();
    const QString shown = c.lblCall->text();
    CallForm::instance().CallTicks = CallForm::instance().NLTicks = 0;

    db.exec("BEGIN EXCLUSIVE");
    for (int i = 0; i < 99; ++i)
        CallForm::instance().Timer1_Timer();
    QElapsedTimer took;
    took.start();
    CallForm::instance().Timer1_Timer(); // both draws due, both turned away
    QVERIFY2(took.elapsed() < 2 * 50 + 60, qPrintable(QString::number(took.elapsed())));
    QVERIFY(!c.lblStatus->isHidden());
    QVERIFY(c.lblStatus->text().contains("locked by another program"));
    QCOMPARE(c.lblCall->text(), shown);
    QVERIFY(c.lblNLCall1->text().isEmpty());
    QCOMPARE(log.messages, QStringList{});
    QVERIFY(!QApplication::activeModalWidget());
    c.cmdUse->click(); // the call on show can still be used once the file is free...
    QCOMPARE(log.messages.size(), 1);
    db.exec("ROLLBACK");
    c.cmdUse->click();
    QCOMPARE(db.value("SELECT Call_Name FROM tblCalls WHERE Used = 1").toString(), shown);

    for (int i = 0; i < 100; ++i) // ...and the next paced draw clears the line
        CallForm::instance().Timer1_Timer();
    QVERIFY(c.lblStatus->isHidden());
    QVERIFY(c.lblNLCall1->text().startsWith("B #"));
}

void tst_contention::oneCopyPerFile()
{
    TestDatabase db({list("B", 2), list("MS", 2)});
    const QString lockFile = InstanceLock(db.path()).lockFilePath();
    QVERIFY(!lockFile.startsWith(db.folder())); // nothing left beside the caller's file
    auto start = [&db](QProcess &p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(db.folder());
        p.start(VORLET_PROGRAM, {});
        QVERIFY(p.waitForStarted());
    };
    auto owner = [&lockFile] { // the lock file's first line is its owner's process id
        QFile lock(lockFile);
        return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed().toLongLong() : -1;
    };
    QProcess first;
    start(first);
    QTRY_COMPARE_WITH_TIMEOUT(owner(), first.processId(), 5000);
    QFile file(db.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    QProcess second;
    start(second);
    const QString said = QString("Vorlet is already running with %1.").arg(db.path());
    QByteArray told;
    QTRY_VERIFY_WITH_TIMEOUT((told += second.readAllStandardError()).contains(said.toLocal8Bit()), 5000);
    second.kill(); // its box waits for an OK no one gives
    second.waitForFinished();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    file.close();
    QCOMPARE(first.state(), QProcess::Running);

    // A copy killed outright leaves its lock behind: it never blocks the next one.
    first.kill();
    first.waitForFinished();
    QVERIFY(QFile::exists(lockFile));
    QProcess third;
    start(third);
    QTRY_COMPARE_WITH_TIMEOUT(owner(), third.processId(), 5000);
    QCOMPARE(third.state(), QProcess::Running);
    QVERIFY(!third.readAllStandardError().contains("already running"));
    third.kill();
    third.waitForFinished();
}

QTEST_MAIN(tst_contention)
#include "tst_contention.moc"
