// The core's rules without a widget: the pacer tick by tick, the call store's
// failure causes, its one transaction and its setUsed with the record.
#include "core/app/Csv.h"
#include "core/app/DataFolder.h"
#include "core/calls/CallsSession.h"
#include "core/calls/Pacer.h"
#include "core/data/CallStore.h"
#include "core/data/Waiting.h"
#include "core/history/History.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <unistd.h>

namespace {
// A folder with a call database of two lists, B (3 calls) and MS (2), and a
// connection of the test's own to check and to hold locks with.
struct Folder
{
    QTemporaryDir dir;
    QString path = dir.filePath(CallDatabase::FileName);
    Folder()
    {
        QString error;
        const QList<CallDatabase::CallList> lists = {{"B", {"Circle Left", "Dosado", "Swing"}},
                                                     {"MS", {"Cloverleaf", "Turn Thru"}}};
        if (!CallDatabase::create(path, lists, &error))
            qFatal("%s", qPrintable(error));
    }
    ~Folder() { QSqlDatabase::removeDatabase(QStringLiteral("check")); }
    QSqlDatabase other(const QString &file = QString()) const
    {
        QSqlDatabase db = QSqlDatabase::contains(QStringLiteral("check"))
                              ? QSqlDatabase::database(QStringLiteral("check"), false)
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        const QString target = file.isEmpty() ? path : file;
        if (db.databaseName() != target || !db.isOpen()) {
            db.close();
            db.setDatabaseName(target);
            db.open();
        }
        return db;
    }
    QVariant value(const QString &sql, const QString &file = QString()) const
    {
        QSqlQuery q(other(file));
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
};

// Counts what a wait does instead of sleeping; gives up after a number of pauses.
struct CountingWait : Waiting::Policy
{
    int begun = 0, pauses = 0, ended = 0, giveUpAfter = -1;
    QString file;
    void begin(const QString &f, int) override
    {
        ++begun;
        file = f;
    }
    bool pause(int) override
    {
        QTest::qWait(5); // the event loop runs: another program may let go meanwhile
        return ++pauses != giveUpAfter;
    }
    void end() override { ++ended; }
};
} // namespace

class tst_core_store : public QObject
{
    Q_OBJECT

private slots:
    void init() { Waiting::setTimeouts(400, 400); }
    void pacerCountsToTheNextDraw_data();
    void pacerCountsToTheNextDraw();
    void failureNamesFileAndCause_data();
    void failureNamesFileAndCause();
    void setUsedMarksAndRecordsTogether();
    void aLockIsWaitedForThroughThePolicy_data();
    void aLockIsWaitedForThroughThePolicy();
    void sessionCarriesCommandsToItsHandler();
    void historyFileTroubles();
    void writeAheadLogIsTurnedBack_data();
    void writeAheadLogIsTurnedBack();
    void csvRecords_data();
    void csvRecords();
    void firstStartCopiesTheDefault_data();
    void firstStartCopiesTheDefault();
};

void tst_core_store::writeAheadLogIsTurnedBack_data()
{
    QTest::addColumn<QString>("file");  // the one another tool left in WAL mode
    QTest::addColumn<bool>("heldOpen"); // and still has open
    QTest::newRow("call database") << "calls" << false;
    QTest::newRow("history") << "history" << false;
    QTest::newRow("call database, held open") << "calls" << true;
    QTest::newRow("history, held open") << "history" << true;
}

// A mark and its record land together only with a rollback journal on both files.
void tst_core_store::writeAheadLogIsTurnedBack()
{
    QFETCH(QString, file);
    QFETCH(bool, heldOpen); // and still reads in a transaction
    Folder folder;
    const QString history = History::pathBeside(folder.path);
    {
        CallStore first(QStringLiteral("first"), folder.path);
        first.setUsed({1}, true); // the history exists
    }
    const QString target = file == "calls" ? folder.path : history;
    QCOMPARE(folder.value("PRAGMA journal_mode = WAL", target).toString(), QStringLiteral("wal"));
    QSqlQuery reading(folder.other(target));
    if (heldOpen)
        QVERIFY(reading.exec("BEGIN") && reading.exec("SELECT COUNT(*) FROM sqlite_master") && reading.next());
    else
        QSqlDatabase::database(QStringLiteral("check"), false).close();
    CallStore store(QStringLiteral("wal"), folder.path);
    try {
        QCOMPARE(store.setUsed({2}, true), 1);
        QVERIFY(!heldOpen);
    } catch (const DataError &e) {
        QVERIFY2(heldOpen, qPrintable(e.message()));
        QCOMPARE(e.file(), target);
        QVERIFY2(e.cause().contains("write-ahead-log"), qPrintable(e.cause()));
        reading.finish();
        QVERIFY(reading.exec("ROLLBACK"));
        QCOMPARE(folder.value("SELECT Used FROM tblCalls WHERE Call_ID = 2").toInt(), 0);
        return;
    }
    store.close();
    QSqlDatabase::database(QStringLiteral("check"), false).close();
    for (const QString &f : {folder.path, history})
        QCOMPARE(folder.value("PRAGMA journal_mode", f).toString(), QStringLiteral("delete"));
    QCOMPARE(folder.value("SELECT COUNT(*) FROM tblHistory", history).toInt(), 2);
}

// A history that cannot be made is named by its path; one restored from a
// backup while Vorlet runs takes the next record; one a crash left with its
// journal reads as it was before the crash.
void tst_core_store::historyFileTroubles()
{
    Folder folder;
    const QString history = History::pathBeside(folder.path);
    CallStore store(QStringLiteral("replaced"), folder.path);
    QVERIFY(QFile::link(folder.dir.filePath("gone/h.db"), history));
    try {
        store.setUsed({1}, true);
        QFAIL("marked without its record");
    } catch (const DataError &e) {
        QVERIFY2(e.message().contains(history) && !e.message().contains("file:") && !e.message().contains("mode="),
                 qPrintable(e.message()));
    }
    QVERIFY(QFile::remove(history));
    store.setUsed({1}, true);
    const QString backup = folder.dir.filePath("backup.db");
    QVERIFY(QFile::copy(history, backup));
    store.setUsed({2}, true);
    QVERIFY(QFile::remove(history) && QFile::rename(backup, history));
    QCOMPARE(store.setUsed({3}, true), 1);
    QCOMPARE(folder.value("SELECT group_concat(Call_ID) FROM tblHistory", history).toString(), QStringLiteral("1,3"));

    // A write caught half-way: its pages spilled into the file, the journal beside it.
    QSqlQuery writer(folder.other(history));
    QVERIFY(writer.exec("PRAGMA cache_size = 1") && writer.exec("BEGIN IMMEDIATE"));
    for (int i = 0; i < 200; ++i)
        QVERIFY(writer.exec("INSERT INTO tblHistory (Call_ID, Call_Name, List, Used_At, Used_UTC) "
                            "VALUES (9, hex(randomblob(200)), 'B', 'x', 'x')"));
    QTemporaryDir crashed;
    const QString copy = crashed.filePath(History::FileName);
    for (const QString &suffix : {QString(), QStringLiteral("-journal")})
        QVERIFY2(QFile::copy(history + suffix, copy + suffix), qPrintable(suffix));
    QVERIFY(writer.exec("ROLLBACK"));
    QCOMPARE(History::records(QString(), QString(), copy).size(), 2);
    QVERIFY(!QFileInfo::exists(copy + "-journal"));

    // A history on a full disk says so in plain words, and the call stays unmarked.
    QTemporaryDir small;
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", small.path()}) != 0)
        QSKIP("this machine does not mount a small tmpfs");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {small.path()}); });
    Folder full;
    const QString onSmall = small.filePath("h.db");
    QVERIFY(QFile::link(onSmall, History::pathBeside(full.path)));
    CallStore fullStore(QStringLiteral("full"), full.path);
    fullStore.setUsed({1}, true);
    QFile filler(small.filePath("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(1024, 'x')) == 1024 && filler.flush()) {
    }
    filler.close();
    try {
        for (int id = 2; id <= 5; ++id)
            fullStore.setUsed({id}, true);
        QFAIL("a full disk took every record");
    } catch (const DataError &e) {
        QVERIFY2(e.message().contains(onSmall) || e.message().contains(History::pathBeside(full.path)),
                 qPrintable(e.message()));
        QVERIFY2(e.cause().contains("the disk is full"), qPrintable(e.cause()));
        QVERIFY2(!e.advice().isEmpty(), qPrintable(e.message()));
    }
    QCOMPARE(full.value("SELECT COUNT(*) FROM tblCalls WHERE Used <> 0").toInt(),
             full.value("SELECT COUNT(*) FROM tblHistory", onSmall).toInt());
}

void tst_core_store::csvRecords_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("whenNeeded");
    QTest::addColumn<QString>("always");
    QTest::newRow("plain") << QStringList{"B", "Swing"} << "B,Swing\r\n" << "\"B\",\"Swing\"\r\n";
    QTest::newRow("comma") << QStringList{"Tue, class", "x"} << "\"Tue, class\",x\r\n" << "\"Tue, class\",\"x\"\r\n";
    QTest::newRow("quote doubled") << QStringList{"say \"go\""} << "\"say \"\"go\"\"\"\r\n" << "\"say \"\"go\"\"\"\r\n";
    QTest::newRow("line break kept inside quotes") << QStringList{"a\nb", ""} << "\"a\nb\",\r\n" << "\"a\nb\",\"\"\r\n";
}

void tst_core_store::csvRecords()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, whenNeeded);
    QFETCH(QString, always);
    QCOMPARE(Csv::record(fields), whenNeeded);
    QCOMPARE(Csv::record(fields, Csv::Quoting::Always), always);
}

void tst_core_store::pacerCountsToTheNextDraw_data()
{
    QTest::addColumn<int>("callDelay");
    QTest::addColumn<int>("nlDelay");
    QTest::addColumn<bool>("sync");
    QTest::addColumn<qint64>("callTicks");
    QTest::addColumn<qint64>("nlTicks");
    QTest::addColumn<qint64>("expected");
    const qint64 never = Pacer::Never;
    QTest::newRow("both off") << 0 << 0 << false << qint64(5) << qint64(5) << never;
    QTest::newRow("NL only") << 0 << 5 << false << qint64(0) << qint64(120) << qint64(380);
    QTest::newRow("list call only") << 2 << 0 << false << qint64(50) << qint64(0) << qint64(150);
    QTest::newRow("the sooner of two") << 3 << 1 << false << qint64(0) << qint64(90) << qint64(10);
    QTest::newRow("overdue draws on the next tick") << 1 << 0 << false << qint64(400) << qint64(0) << qint64(1);
    QTest::newRow("sync: NL by the list-call count") << 4 << 9 << true << qint64(350) << qint64(10) << qint64(50);
    QTest::newRow("sync with the list call off") << 0 << 5 << true << qint64(0) << qint64(0) << never;
}

void tst_core_store::pacerCountsToTheNextDraw()
{
    QFETCH(int, callDelay);
    QFETCH(int, nlDelay);
    QFETCH(bool, sync);
    QFETCH(qint64, callTicks);
    QFETCH(qint64, nlTicks);
    QFETCH(qint64, expected);
    const Pacer pacer{callDelay, nlDelay, sync};
    QCOMPARE(pacer.ticksToNextDraw(callTicks, nlTicks), expected);
    QCOMPARE(pacer.nextDueMs(1000, callTicks, nlTicks), expected == Pacer::Never ? Pacer::Never : 1000 + expected * 10);
}

void tst_core_store::failureNamesFileAndCause_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<bool>("busy");
    QTest::newRow("missing") << "remove" << "is missing." << false;
    QTest::newRow("folder in its place") << "folder" << "is a folder" << false;
    QTest::newRow("not a database") << "garbage" << "is not a call database" << false;
    QTest::newRow("empty file") << "empty" << "is empty: it holds no tables" << false;
    QTest::newRow("the use history") << "history" << "is a use history" << false;
    QTest::newRow("a column gone") << "ALTER TABLE tblList DROP COLUMN List_Active" << "has no column List_Active"
                                   << false;
    QTest::newRow("locked outright") << "BEGIN EXCLUSIVE" << "is locked by another program" << true;
    QTest::newRow("replaced after opening") << "replace" << "was replaced by another file" << false;
    QTest::newRow("removed after opening") << "remove later" << "was removed while Vorlet was running" << false;
}

void tst_core_store::failureNamesFileAndCause()
{
    QFETCH(QString, damage);
    QFETCH(QString, cause);
    QFETCH(bool, busy);
    Folder folder;
    CallStore store(QStringLiteral("failures"), folder.path);
    if (damage == "replace" || damage == "remove later") {
        store.database();
        QVERIFY(QFile::rename(folder.path, folder.path + ".old"));
        if (damage == "replace")
            QVERIFY(QFile::copy(folder.path + ".old", folder.path));
    } else if (damage == "remove") {
        QVERIFY(QFile::remove(folder.path));
    } else if (damage == "folder") {
        QVERIFY(QFile::remove(folder.path));
        QVERIFY(QDir(folder.dir.path()).mkdir(CallDatabase::FileName));
    } else if (damage == "garbage" || damage == "empty" || damage == "history") {
        QFile f(folder.path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (damage == "garbage")
            f.write(QByteArray(8192, 'x'));
        f.close();
        if (damage == "history")
            QVERIFY(QSqlQuery(folder.other()).exec("CREATE TABLE tblHistory (Record_ID INTEGER PRIMARY KEY)"));
    } else {
        QSqlQuery q(folder.other());
        QVERIFY2(q.exec(damage), qPrintable(q.lastError().text()));
    }
    try {
        store.run(Waiting::Patience::Tick, [&] { store.execute("UPDATE tblCalls SET Used = 1"); });
        QFAIL("the store worked on a damaged file");
    } catch (const DataError &e) {
        QCOMPARE(e.isBusy(), busy);
        QCOMPARE(e.file(), folder.path);
        QVERIFY2(e.subject().contains("\"Call_List.db\"") && e.subject().contains(folder.dir.path()),
                 qPrintable(e.subject()));
        QVERIFY2(e.cause().contains(cause), qPrintable(e.cause()));
        QVERIFY(!e.advice().isEmpty());
        // A window's form and the command line's carry the same words.
        QCOMPARE(e.message(), e.subject() + ' ' + e.cause() + "\n\n" + e.advice());
        QCOMPARE(e.line(), e.subject() + ' ' + e.cause() + ' ' + e.advice());
    }
    if (damage == "replace") // never written, even once the caller asks again
        QCOMPARE(folder.value("SELECT SUM(Used) FROM tblCalls").toInt(), 0);
}

void tst_core_store::setUsedMarksAndRecordsTogether()
{
    Folder folder;
    CallStore store(QStringLiteral("marks"), folder.path);
    QSignalSpy told(&History::notifier(), &History::Notifier::marksChanged);
    const QString history = History::pathBeside(folder.path);
    auto records = [&] { return folder.value("SELECT COUNT(*) FROM tblHistory", history).toInt(); };

    // Marked and recorded; a call marked already is found but not recorded twice; a gone one is not found.
    QCOMPARE(store.setUsed({1, 2}, true), 2);
    QCOMPARE(records(), 2);
    QCOMPARE(told.size(), 1);
    QCOMPARE(store.setUsed({1, 99}, true), 1);
    QCOMPARE(records(), 2);
    QCOMPARE(told.size(), 1);
    QCOMPARE(folder.value("SELECT Call_Name || '|' || List FROM tblHistory WHERE Call_ID = 2", history).toString(),
             QStringLiteral("Dosado|B"));
    // Cleared: no record; told with the one call changed.
    QCOMPARE(store.setUsed({2}, false), 1);
    QCOMPARE(records(), 2);
    QCOMPARE(told.last().first(), QVariant(2));

    // Inside a transaction of the caller's own it joins that one: a rollback
    // undoes the mark and its record, and nothing was told.
    store.attachHistory();
    {
        CallStore::Transaction outer(store);
        QCOMPARE(store.setUsed({3}, true), 1);
        QCOMPARE(told.size(), 2);
    }
    QCOMPARE(folder.value("SELECT Used FROM tblCalls WHERE Call_ID = 3").toInt(), 0);
    QCOMPARE(records(), 2);
    {
        CallStore::Transaction outer(store);
        store.setUsed({3}, true);
        outer.commit();
    }
    QCOMPARE(records(), 3);
    QCOMPARE(told.size(), 3);

    // A value as typed: the record follows what the file stores.
    QCOMPARE(store.setUsed({4}, QVariant(QStringLiteral("1"))), 1);
    QCOMPARE(records(), 4);
    QVERIFY_THROWS_EXCEPTION(DataError, store.setUsed({5}, QVariant(QStringLiteral("abc"))));
    QCOMPARE(folder.value("SELECT typeof(Used) || Used FROM tblCalls WHERE Call_ID = 5").toString(), "integer0");

    // The history locked: the mark stays unset, and the error names the history, not the call database.
    QSqlQuery lock(folder.other(history));
    QVERIFY(lock.exec("BEGIN IMMEDIATE"));
    try {
        store.setUsed({5}, true);
        QFAIL("marked without its record");
    } catch (const DataError &e) {
        QVERIFY(e.isBusy());
        QCOMPARE(e.file(), history);
        QVERIFY2(e.subject().startsWith("The use history"), qPrintable(e.subject()));
    }
    // Waited for, the wait names the history too, not the call database.
    CountingWait wait;
    Waiting::setPolicy(&wait);
    QVERIFY_THROWS_EXCEPTION(DataError, store.run(Waiting::Patience::Command, [&] { store.setUsed({5}, true); }));
    Waiting::setPolicy(nullptr);
    QVERIFY2(wait.file.startsWith("use history"), qPrintable(wait.file));
    QVERIFY(lock.exec("ROLLBACK"));
    QCOMPARE(folder.value("SELECT Used FROM tblCalls WHERE Call_ID = 5").toInt(), 0);
}

void tst_core_store::aLockIsWaitedForThroughThePolicy_data()
{
    QTest::addColumn<QString>("end"); // how the wait ends
    QTest::newRow("freed while waiting") << "freed";
    QTest::newRow("given up by the caller") << "cancel";
    QTest::newRow("out of time") << "timeout";
    QTest::newRow("a paced draw never waits") << "tick";
}

void tst_core_store::aLockIsWaitedForThroughThePolicy()
{
    QFETCH(QString, end);
    Folder folder;
    CallStore store(QStringLiteral("waits"), folder.path);
    store.database();
    CountingWait wait;
    if (end == "cancel")
        wait.giveUpAfter = 3;
    Waiting::setPolicy(&wait);
    const auto restore = qScopeGuard([] { Waiting::setPolicy(nullptr); });
    QSqlQuery lock(folder.other());
    QVERIFY(lock.exec("BEGIN IMMEDIATE"));
    if (end == "freed") // another program lets go while the store waits
        QTimer::singleShot(60, [&lock] { lock.exec("ROLLBACK"); });
    const auto work = [&] {
        CallStore::Transaction t(store);
        store.execute("UPDATE tblCalls SET Used = 1 WHERE Call_ID = 1");
        t.commit();
    };
    const Waiting::Patience patience = end == "tick" ? Waiting::Patience::Tick : Waiting::Patience::Command;
    DataError::Kind kind = DataError::Kind::Failed;
    bool done = false;
    try {
        store.run(patience, work);
        done = true;
    } catch (const DataError &e) {
        kind = e.kind();
        QVERIFY2(e.cause().contains("Call_List.db") || e.subject().contains("Call_List.db"), qPrintable(e.message()));
    }
    if (end != "freed")
        QVERIFY(lock.exec("ROLLBACK"));
    QCOMPARE(done, end == "freed");
    QCOMPARE(folder.value("SELECT Used FROM tblCalls WHERE Call_ID = 1").toInt(), done ? 1 : 0);
    if (end == "cancel") {
        QCOMPARE(kind, DataError::Kind::Cancelled);
        QCOMPARE(wait.pauses, 3);
    } else if (end == "timeout" || end == "tick") {
        QCOMPARE(kind, DataError::Kind::Busy);
    }
    QCOMPARE(wait.begun, end == "tick" ? 0 : 1);
    QCOMPARE(wait.ended, wait.begun);
    if (wait.begun)
        QVERIFY2(wait.file.startsWith("call database \"Call_List.db\""), qPrintable(wait.file));
}

void tst_core_store::sessionCarriesCommandsToItsHandler()
{
    CallsSession &session = CallsSession::instance();
    QSignalSpy changed(&session, &CallsSession::changed);
    QVERIFY(!session.command(CallsSession::Command::Use)); // no Calls window: nothing to carry it out
    QList<CallsSession::Command> carried;
    session.setHandler([&](CallsSession::Command c) { carried.append(c); });
    QVERIFY(session.command(CallsSession::Command::Use));
    QVERIFY(session.command(CallsSession::Command::Find));
    QCOMPARE(carried, (QList<CallsSession::Command>{CallsSession::Command::Use, CallsSession::Command::Find}));
    CallsSession::State state;
    state.open = true;
    state.listCall = "Swing";
    session.publish(state);
    session.publish(state); // the same state again is no news
    QCOMPARE(changed.size(), 1);
    state.callsLeft = "3";
    session.publish(state);
    QCOMPARE(changed.size(), 2);
    session.setHandler({});
    session.publish({});
    QVERIFY(!session.command(CallsSession::Command::Reset));
}

void tst_core_store::firstStartCopiesTheDefault_data()
{
    QTest::addColumn<QString>("data"); // what stands at $XDG_DATA_HOME
    QTest::addColumn<QString>("told");  // the cause the message gives; empty when copied
    QTest::newRow("first start") << "nothing" << "";
    QTest::newRow("a database is kept") << "own database" << "";
    QTest::newRow("relative data home, HOME used") << "relative" << "";
    QTest::newRow("data home is a file") << "file" << "is a file, not a folder";
    QTest::newRow("HOME unset") << "no HOME" << "neither XDG_DATA_HOME nor HOME";
    QTest::newRow("read-only folder") << "read-only" << (::geteuid() == 0 ? "Read-only file system" : "Permission denied");
    QTest::newRow("full disk") << "full" << "the disk is full";
}

// Whole or nothing, and nothing else beside it: no partial or hidden file.
void tst_core_store::firstStartCopiesTheDefault()
{
    QFETCH(QString, data);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString home = dir.filePath("data");
    const QByteArray defaults = QByteArray(49152, 'd'), own = "a caller's own calls";
    QFile templ(dir.filePath("template.db"));
    QVERIFY(templ.open(QIODevice::WriteOnly) && templ.write(defaults) == defaults.size());
    templ.close();
    QProcessEnvironment env;
    env.insert("HOME", dir.filePath("home"));
    env.insert("XDG_DATA_HOME", data == "relative" ? "data" : home);
    bool mounted = false;
    const auto unmount = qScopeGuard([&] {
        if (mounted)
            QProcess::execute("umount", {home});
    });
    if (data == "own database") {
        QVERIFY(QDir().mkpath(home + "/vorlet"));
        QFile file(home + "/vorlet/Call_List.db");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(own) == own.size());
    } else if (data == "file") {
        QVERIFY(QFile(home).open(QIODevice::WriteOnly));
    } else if (data == "no HOME") {
        env.remove("HOME");
        env.remove("XDG_DATA_HOME");
    } else if (data == "read-only" || data == "full") {
        QVERIFY(QDir().mkpath(home));
        if (data == "read-only" && ::geteuid() != 0)
            QVERIFY(QFile::setPermissions(home, QFile::ReadOwner | QFile::ExeOwner));
        else if (QProcess::execute("mount", {"-t", "tmpfs", "-o", data == "full" ? "size=32k" : "ro,size=32k", "tmpfs", home}) != 0)
            QSKIP("this machine does not mount a small tmpfs");
        mounted = ::geteuid() == 0;
    }

    QString error;
    const QString folder = DataFolder::locate(env, &error);
    QCOMPARE(folder, data == "no HOME" ? QString() : data == "relative" ? dir.filePath("home/.local/share/vorlet") : home + "/vorlet");
    const bool copied = !folder.isEmpty() && DataFolder::provide(folder, templ.fileName(), &error);
    QCOMPARE(copied, told.isEmpty());
    QVERIFY2(copied ? error.isEmpty() : error.contains(told) && error.contains(folder), qPrintable(error));
    if (folder.isEmpty())
        return;
    const QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QCOMPARE(left, copied ? QStringList{"Call_List.db"} : QStringList());
    if (copied) {
        QFile file(folder + "/Call_List.db");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), data == "own database" ? own : defaults);
    }
}

QTEST_GUILESS_MAIN(tst_core_store)
#include "tst_core_store.moc"
