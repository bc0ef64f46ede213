// The call database: its commands, result sets, and what happens to a bad file.
#include "core/data/DataError.h"
#include "ui/editor/CallEdit.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <cstdio>

class tst_data : public QObject
{
    Q_OBJECT

private slots:
    void callNamesPattern_data();
    void callNamesPattern();
    void likeOnEveryConnection_data();
    void likeOnEveryConnection();
    void moveByOffset();
    void unusableFile_data();
    void unusableFile();
    void setUpToolLeavesNothingBehind_data();
    void setUpToolLeavesNothingBehind();
};

void tst_data::callNamesPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("exact name") << "A1" << QStringList{"A1 #1", "A1 #2"};
    QTest::newRow("letter case ignored") << "a1" << QStringList{"A1 #1", "A1 #2"};
    QTest::newRow("A% takes every A list") << "A%" << QStringList{"A1 #1", "A1 #2", "A2 #1", "a3 #1"};
    QTest::newRow("underscore is one character") << "_S" << QStringList{"MS #1"};
    QTest::newRow("% takes all lists") << "%" << QStringList{"A1 #1", "A1 #2", "A2 #1", "B #1", "Class 2 #1", "Class_2 #1",
                                                          "MS #1", "a3 #1", "Äx #1", "ÜBUNG #1", "Übung #1", "😀x #1"};
    QTest::newRow("a list's own name is that list alone") << "Class_2" << QStringList{"Class_2 #1"};
    QTest::newRow("the same text in another case is a pattern") << "class_2" << QStringList{"Class 2 #1", "Class_2 #1"};
    QTest::newRow("case ignored beyond ASCII") << "übung" << QStringList{"ÜBUNG #1", "Übung #1"};
    QTest::newRow("underscore is one letter, any letter") << "_X" << QStringList{"Äx #1", "😀x #1"};
    QTest::newRow("two underscores are two letters") << "__bung" << QStringList{};
    QTest::newRow("list without calls") << "Empty" << QStringList{};
    QTest::newRow("no such list") << "Nothing" << QStringList{};
    QTest::newRow("wildcard not at the end") << "B%" << QStringList{"B #1"};
}

void tst_data::callNamesPattern()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    TestDatabase db({list("B", 1), list("MS", 1), list("A1", 2), list("A2", 1), list("a3", 1), list("Empty", 0),
                     list("Übung", 1), list("ÜBUNG", 1), list("Äx", 1), list("😀x", 1), list("Class 2", 1),
                     list("Class_2", 1)});
    // A used call never comes back from the list draw.
    db.exec("INSERT INTO tblCalls (Call_Name, List_ID, Used) SELECT 'used one', List_ID, 1 FROM tblList");

    dataCall &data = dataCall::instance();
    data.sqlCallNames(pattern);
    Recordset &rs = data.rssqlCallNames();
    QCOMPARE(rs.recordCount(), expected.size());
    QStringList names;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        names.append(rs.field("Call_Name").toString());
    names.sort();
    QCOMPARE(names, expected);
    rs.close();
    // A call marked used through another connection meanwhile drops out of the next run.
    if (!expected.isEmpty())
        db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name = ?", {expected.first()});
    data.sqlCallNames(pattern);
    QCOMPARE(&data.rssqlCallNames(), &rs);
    QCOMPARE(rs.recordCount(), std::max(0, int(expected.size()) - 1));
}

void tst_data::likeOnEveryConnection_data()
{
    QTest::addColumn<bool>("editor");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("escaped % is itself") << false << "'A%B' LIKE 'a!%b' ESCAPE '!'" << QVariant(1);
    QTest::newRow("escaped % is no wildcard") << false << "'AxB' LIKE 'a!%b' ESCAPE '!'" << QVariant(0);
    QTest::newRow("escaped _ beyond ASCII") << false << "'Ü_' LIKE 'ü#_' ESCAPE '#'" << QVariant(1);
    QTest::newRow("null stays null") << false << "NULL LIKE 'a'" << QVariant();
    QTest::newRow("editor: case beyond ASCII") << true << "'ÜBUNG' LIKE 'übung'" << QVariant(1);
    QTest::newRow("editor: % between letters beyond ASCII") << true << "'Ärger über Übung' LIKE 'ä%ÜBUNG'" << QVariant(1);
}

void tst_data::likeOnEveryConnection()
{
    QFETCH(bool, editor);
    QFETCH(QString, expression);
    QFETCH(QVariant, expected);
    TestDatabase db({list("B", 1)});
    MessageLog log;
    if (editor)
        CallEdit::instance().window();
    QSqlQuery q(editor ? QSqlDatabase::database(CallEdit::ConnectionName, false) : dataCall::instance().dcCalls());
    QVERIFY(q.exec("SELECT " + expression) && q.next());
    QCOMPARE(q.value(0).isNull(), expected.isNull());
    if (!expected.isNull())
        QCOMPARE(q.value(0).toInt(), expected.toInt());
    q.finish();
}

void tst_data::moveByOffset()
{
    TestDatabase db({list("B", 3), list("MS", 1), list("P", 1)});
    Recordset &rs = dataCall::instance().rstblList();
    dataCall::instance().tblList();
    QVERIFY_THROWS_EXCEPTION(DataError, dataCall::instance().tblList()); // open while open
    QCOMPARE(rs.recordCount(), 3);
    rs.moveFirst();
    rs.move(2);
    QCOMPARE(rs.field("List").toString(), QStringLiteral("P"));
    QCOMPARE(rs.field("list_id"), db.value("SELECT List_ID FROM tblList WHERE List = 'P'")); // any letter case
    QVERIFY_THROWS_EXCEPTION(DataError, rs.field("Used"));
    rs.moveNext();
    QVERIFY(rs.eof());
    QVERIFY_THROWS_EXCEPTION(DataError, rs.moveNext());
    QVERIFY_THROWS_EXCEPTION(DataError, rs.move(1));
    QVERIFY_THROWS_EXCEPTION(DataError, rs.move(-4));
    rs.close();
    QVERIFY_THROWS_EXCEPTION(DataError, rs.recordCount());
}

void tst_data::unusableFile_data()
{
    QTest::addColumn<QString>("damage"); // a statement, or a privileged command on FILE or DIR
    QTest::addColumn<bool>("write");      // the cause shows on a write, after the file was opened
    QTest::addColumn<QString>("says");
    QTest::newRow("missing") << "missing" << false << "is missing";
    QTest::newRow("a folder") << "folder" << false << "is a folder";
    QTest::newRow("not a database") << "garbage" << false << "is not a call database";
    QTest::newRow("empty file") << "empty" << false << "is empty: it holds no tables";
    QTest::newRow("tblCalls a view") << "ALTER TABLE tblCalls RENAME TO t2; CREATE VIEW tblCalls AS SELECT * FROM t2" << true << "cannot modify tblCalls because it is a view";
    QTest::newRow("no tblType") << "DROP TABLE tblType" << false << "has no table tblType";
    QTest::newRow("no Used column") << "ALTER TABLE tblCalls DROP COLUMN Used" << false << "has no column Used";
    QTest::newRow("read-only file") << "chattr +i FILE" << true << "is a read-only file";
    QTest::newRow("read-only folder") << "chattr +i DIR" << true << "lies in a read-only folder";
    QTest::newRow("read-only disk") << "mount -o bind,ro DIR DIR" << true << "is a read-only file";
    QTest::newRow("disk full") << "full" << true << "the disk is full";
    QTest::newRow("disk full, a Use with its record") << "full use" << true << "disk is full";
    QTest::newRow("removed") << "removed" << true << "was removed while Vorlet was running";
    QTest::newRow("replaced") << "replaced" << true << "was replaced by another file while Vorlet was running";
}

void tst_data::unusableFile()
{
    QFETCH(QString, damage);
    QFETCH(bool, write);
    QFETCH(QString, says);
    TestDatabase db;
    QStringList undo;
    const auto cleanUp = qScopeGuard([&undo] {
        dataCall::destroy(); // an open file would keep its disk mounted
        if (!undo.isEmpty())
            privileged(undo);
    });
    auto require = [&](const QString &command) {
        const QStringList words = QString(command).replace("FILE", db.path()).replace("DIR", db.folder()).split(' ');
        const QString refused = privileged(words);
        undo = words.first() == "mount" ? QStringList{"umount", db.folder()} : QStringList{"chattr", "-i", words[2]};
        if (!refused.isEmpty())
            undo.clear();
        return refused;
    };
    QString refused = damage.startsWith("full") ? require("mount -t tmpfs -o size=512k tmpfs DIR") : QString();
    if (!refused.isEmpty())
        QSKIP(qPrintable(refused));
    QString error;
    QVERIFY2(CallDatabase::create(db.path(), {list("B", 16)}, &error), qPrintable(error));
    dataCall &data = dataCall::instance();
    if (write)
        data.run(Waiting::Patience::Command, [&] { data.sqlCallNames("B"); });

    QFile file(db.path());
    if (damage == "missing" || damage == "removed" || damage == "folder") {
        QVERIFY(file.remove() && (damage != "folder" || QDir(db.folder()).mkdir(CallDatabase::FileName)));
    } else if (damage == "garbage" || damage == "empty") {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(damage == "garbage" ? 4096 : 0, 'x'));
        file.close();
    } else if (damage == "replaced") {
        QVERIFY(CallDatabase::create(db.path() + ".new", {list("B", 3)}, &error));
        QVERIFY(std::rename(qPrintable(db.path() + ".new"), qPrintable(db.path())) == 0);
    } else if (damage == "full") {
        QFile filler(db.folder() + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) {
        }
    } else if (damage == "full use") {
        // The disk filled but for a page more each time: wherever the Use runs out
        // of room, its two files' super-journal is not left behind.
        data.run(Waiting::Patience::Command, [&] { data.store().setUsed({16}, true); }); // the history made
        int refusals = 0;
        for (int pages = 0; pages < 12; ++pages) {
            QFile filler(db.folder() + "/filler");
            QVERIFY(filler.open(QIODevice::Append | QIODevice::Unbuffered));
            while (filler.write(QByteArray(4096, 'x')) == 4096) {
            }
            QVERIFY(filler.resize(qMax<qint64>(0, filler.size() - pages * 4096)));
            try {
                data.run(Waiting::Patience::Command, [&] { data.store().setUsed({pages + 1}, true); });
            } catch (const DataError &e) {
                ++refusals;
                QVERIFY2(e.message().contains(says), qPrintable(e.message()));
            }
            QCOMPARE(QDir(db.folder()).entryList({"*-mj*"}, QDir::Files | QDir::Hidden), QStringList{});
        }
        QVERIFY(refusals > 0 && refusals < 12);
        return;
    } else if (damage.startsWith("chattr") || damage.startsWith("mount")) {
        refused = require(damage);
    } else {
        for (const QString &statement : damage.split("; "))
            db.exec(statement);
    }
    if (!refused.isEmpty())
        QSKIP(qPrintable(refused));

    try {
        data.run(Waiting::Patience::Command, [&] { write ? data.execute("UPDATE tblCalls SET Used = 1 WHERE Call_ID = ?", {1}) : data.sqlCallNames("B"); });
        QFAIL("the damaged file was accepted");
    } catch (const DataError &e) {
        QVERIFY2(e.message().contains(says) && e.message().contains("Call_List.db")
                     && e.message().contains(QDir::toNativeSeparators(db.folder())) && !e.message().contains("Unable")
                     && !e.message().contains("result code"),
                 qPrintable(e.message()));
    }
    // Never created, and never written into a file Vorlet did not open.
    QCOMPARE(QFileInfo::exists(db.path()), damage != "missing" && damage != "removed");
    if (damage == "replaced")
        QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 0);
    if (write)
        return;

    // Mended before it was ever opened: the next use succeeds. The set-up never overwrites one.
    QDir(db.path()).removeRecursively();
    QFile::remove(db.path());
    QVERIFY(CallDatabase::create(db.path(), {list("B", 1)}, &error));
    QVERIFY(!CallDatabase::create(db.path(), {list("MS", 4)}, &error));
    dataCall::instance().sqlCallNames("B");
    QCOMPARE(dataCall::instance().rssqlCallNames().recordCount(), 1);
}

void tst_data::setUpToolLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("says"); // empty: the build succeeds
    QTest::newRow("another build holds the target") << "race" << "another build of %1 is in progress";
    QTest::newRow("a killed build's leftovers") << "stale" << "";
    QTest::newRow("disk full") << "full" << "cannot build %1: the disk is full; nothing was left behind";
}

void tst_data::setUpToolLeavesNothingBehind()
{
    QFETCH(QString, situation);
    QFETCH(QString, says);
    QTemporaryDir source;
    QTemporaryDir folder;
    const QString target = folder.filePath(CallDatabase::FileName);
    QFile calls(source.filePath("calls.txt"));
    QVERIFY(calls.open(QIODevice::WriteOnly));
    calls.write("[B]\n");
    for (int i = 0; i < (situation == "full" ? 60000 : 3); ++i) // past SQLite's page cache: a journal is written
        calls.write(QByteArray("A call with a long enough name #") + QByteArray::number(i) + '\n');
    calls.close();

    QLockFile held(target + ".lock");
    QString mounted;
    const auto cleanUp = qScopeGuard([&mounted] {
        if (!mounted.isEmpty())
            privileged({"umount", mounted});
    });
    QStringList expected; // what the folder holds afterwards
    if (situation == "race") {
        QVERIFY(held.tryLock(0));
        expected = QStringList{CallDatabase::FileName + ".lock"};
    } else if (situation == "stale") { // its lock names a process that is gone; its files stay
        QProcess gone;
        gone.start("true", {});
        QVERIFY(gone.waitForStarted());
        const QByteArray lock = QByteArray::number(gone.processId()) + "\nvorlet-makedb\n\n";
        QVERIFY(gone.waitForFinished());
        for (const QString left : {".lock", ".partial", ".partial-journal"}) {
            QFile file(target + left);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(left == ".lock" ? lock : "x") > 0);
        }
        expected = QStringList{CallDatabase::FileName};
    } else {
        const QString refused = privileged({"mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", folder.path()});
        if (!refused.isEmpty())
            QSKIP(qPrintable(refused));
        mounted = folder.path();
    }

    const Run makedb = run(VORLET_MAKEDB, {calls.fileName(), target});
    QCOMPARE(makedb.status, says.isEmpty() ? 0 : 1);
    QVERIFY2(makedb.err.contains(says.arg(target)), qPrintable(makedb.err));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), expected);
}

QTEST_MAIN(tst_data)
#include "tst_data.moc"
