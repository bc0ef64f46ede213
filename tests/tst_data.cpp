// The call database: its commands, result sets, and what happens to a bad file.
#include "data/CallDatabase.h"
#include "data/DataError.h"
#include "data/dataCall.h"
#include "editor/CallEdit.h"
#include "testsupport.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>

class tst_data : public QObject
{
    Q_OBJECT

private:
    static QStringList names(Recordset &rs, const QString &column)
    {
        QStringList out;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out.append(rs.field(column).toString());
        out.sort();
        return out;
    }

private slots:
    void callNamesPattern_data();
    void callNamesPattern();
    void likeOnEveryConnection_data();
    void likeOnEveryConnection();
    void allCallsTakesActiveListsUsedOrNot();
    void moveByOffsetAndSaveOnMove();
    void flagsHoldIntegersOnly();
    void unusableFile_data();
    void unusableFile();
    void defaultDataPerLevel();
};

void tst_data::callNamesPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("exact name") << "A1" << QStringList{"A1 #1", "A1 #2"};
    QTest::newRow("letter case ignored") << "a1" << QStringList{"A1 #1", "A1 #2"};
    QTest::newRow("A% takes every A list") << "A%" << QStringList{"A1 #1", "A1 #2", "A2 #1", "a3 #1"};
    QTest::newRow("underscore is one character") << "_S" << QStringList{"MS #1"};
    QTest::newRow("% takes all lists") << "%" << QStringList{"A1 #1", "A1 #2", "A2 #1", "B #1", "MS #1", "a3 #1",
                                                          "Äx #1", "ÜBUNG #1", "Übung #1", "😀x #1"};
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
                     list("Übung", 1), list("ÜBUNG", 1), list("Äx", 1), list("😀x", 1)});
    // A used call never comes back from the list draw.
    db.exec("INSERT INTO tblCalls (Call_Name, List_ID, Used) SELECT 'used one', List_ID, 1 FROM tblList");

    dataCall &data = dataCall::instance();
    data.sqlCallNames(pattern);
    Recordset &rs = data.rssqlCallNames();
    QCOMPARE(rs.recordCount(), expected.size());
    QCOMPARE(names(rs, "Call_Name"), expected);
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

void tst_data::allCallsTakesActiveListsUsedOrNot()
{
    TestDatabase db({list("B", 2), list("MS", 3), list("P", 1), list("Empty", 0)});
    db.exec("UPDATE tblList SET List_Active = 1 WHERE List IN ('B', 'P', 'Empty')");
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name = 'B #2'");

    dataCall &data = dataCall::instance();
    data.sqlAllCalls();
    QCOMPARE(names(data.rssqlAllCalls(), "Call_Name"), (QStringList{"B #1", "B #2", "P #1"}));
    data.rssqlAllCalls().close();

    db.exec("UPDATE tblList SET List_Active = 0");
    data.sqlAllCalls();
    QCOMPARE(data.rssqlAllCalls().recordCount(), 0);
    QVERIFY(data.rssqlAllCalls().eof());
    QVERIFY_THROWS_EXCEPTION(DataError, data.rssqlAllCalls().field("Call_Name"));
}

void tst_data::moveByOffsetAndSaveOnMove()
{
    TestDatabase db({list("B", 5)});
    Recordset &rs = dataCall::instance().rscallUse();
    dataCall::instance().callUse();
    QVERIFY_THROWS_EXCEPTION(DataError, dataCall::instance().callUse()); // open while open
    QCOMPARE(rs.recordCount(), 5);
    rs.moveFirst();
    rs.move(3);
    const QVariant id = rs.field("Call_ID");
    QCOMPARE(db.value("SELECT Call_ID FROM tblCalls WHERE Call_Name = 'B #4'"), id);

    // A changed row is written by the next move, not before.
    rs.setField("Used", 1);
    QCOMPARE(db.value("SELECT Used FROM tblCalls WHERE Call_ID = ?", {id}).toInt(), 0);
    rs.moveNext();
    QCOMPARE(db.value("SELECT Used FROM tblCalls WHERE Call_ID = ?", {id}).toInt(), 1);
    rs.moveNext();
    QVERIFY(rs.eof());
    QVERIFY_THROWS_EXCEPTION(DataError, rs.moveNext());
    QVERIFY_THROWS_EXCEPTION(DataError, rs.move(1));

    // A change dropped by close is not written.
    rs.moveFirst();
    rs.setField("Used", 1);
    rs.close();
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 1);

    Recordset &readOnly = dataCall::instance().rstblList();
    dataCall::instance().tblList();
    QVERIFY_THROWS_EXCEPTION(DataError, readOnly.setField("List_Active", 1));
}

void tst_data::flagsHoldIntegersOnly()
{
    TestDatabase db({list("B", 1)});
    Recordset &rs = dataCall::instance().rscallUse();
    dataCall::instance().callUse();
    rs.moveFirst();
    rs.setField("Used", QStringLiteral("abc"));
    QVERIFY_THROWS_EXCEPTION(DataError, rs.update());
    QCOMPARE(db.value("SELECT typeof(Used) || Used FROM tblCalls").toString(), QStringLiteral("integer0"));
    rs.setField("Used", QStringLiteral("1")); // a number typed as text is stored as the number
    rs.update();
    QCOMPARE(db.value("SELECT typeof(Used) || Used FROM tblCalls").toString(), QStringLiteral("integer1"));
    rs.close();

    Recordset &lists = dataCall::instance().rssqlActList();
    dataCall::instance().sqlActList();
    lists.moveFirst();
    lists.setField("List_Active", QStringLiteral("yes"));
    QVERIFY_THROWS_EXCEPTION(DataError, lists.moveNext());
    QCOMPARE(db.value("SELECT List_Active FROM tblList").toInt(), 0);
}

void tst_data::unusableFile_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing") << "missing" << "is missing";
    QTest::newRow("not a database") << "garbage" << "is not a call database";
    QTest::newRow("empty file") << "empty" << "has no table tblCalls";
    QTest::newRow("no tblType") << "DROP TABLE tblType" << "has no table tblType";
    QTest::newRow("no Used column") << "ALTER TABLE tblCalls DROP COLUMN Used" << "has no column Used";
}

void tst_data::unusableFile()
{
    QFETCH(QString, damage);
    QFETCH(QString, says);
    TestDatabase db({list("B", 1)});
    QFile file(db.path());
    if (damage == "missing")
        QVERIFY(file.remove());
    else if (damage == "garbage" || damage == "empty") {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(damage == "garbage" ? 4096 : 0, 'x'));
    } else {
        db.exec(damage);
    }
    file.close();
    try {
        dataCall::instance().sqlCallNames("B");
        QFAIL("the damaged file was accepted");
    } catch (const DataError &e) {
        QVERIFY2(e.message().contains(says) && e.message().contains("Call_List.db")
                     && e.message().contains(QDir::toNativeSeparators(db.folder())),
                 qPrintable(e.message()));
    }
    QCOMPARE(QFile::exists(db.path()), damage != "missing"); // never created

    // Mended file, same process: the next use succeeds. The set-up never overwrites one.
    QFile::remove(db.path());
    QString error;
    QVERIFY(CallDatabase::create(db.path(), {list("B", 1)}, &error));
    QVERIFY(!CallDatabase::create(db.path(), {list("MS", 4)}, &error));
    dataCall::instance().sqlCallNames("B");
    QCOMPARE(dataCall::instance().rssqlCallNames().recordCount(), 1);
}

void tst_data::defaultDataPerLevel()
{
    QFile file(QStringLiteral(VORLET_DEFAULT_CALLS));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString error;
    const auto lists = CallDatabase::parse(QString::fromUtf8(file.readAll()), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // The level lists first, in ladder order, then the 2026 lists; no call twice in a list.
    const QStringList names{"B", "MS", "P", "A1", "A2", "C1", "C2", "C3A", "C3B", "Mainstream 2026", "Plus 2026"};
    QCOMPARE(lists.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(lists[i].name, names[i]);
        QVERIFY2(lists[i].calls.size() >= 15, qPrintable(names[i]));
        QCOMPARE(QSet<QString>(lists[i].calls.begin(), lists[i].calls.end()).size(), lists[i].calls.size());
    }
}

QTEST_MAIN(tst_data)
#include "tst_data.moc"
