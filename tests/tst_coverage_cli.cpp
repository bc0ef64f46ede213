// vorlet-lists coverage and calls, run as a caller runs them, on real databases.
#include "testsupport.h"
#include <QSqlError>

namespace {
const QString Lists = QStringLiteral(VORLET_LISTS);

QList<CallDatabase::CallList> classLists()
{
    return {{QStringLiteral("Class"),
             {QStringLiteral("Pass Thru"), QStringLiteral("Trade Family (Couples Trade, Partner Trade)"),
              QStringLiteral("Zoom"), QStringLiteral("(Anything) & Roll")}},
            {QStringLiteral("Other"), {QStringLiteral("Pass Thru"), QStringLiteral("Swing Thru")}}};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

const QByteArray Friday = "# Friday\n"           // 1
                          "Heads Pass Thru\n"    // 2
                          "Couples Trade\n"      // 3
                          "Face In\n"            // 4
                          "\n"                   // 5
                          "Swing Thru and Roll\n" // 6
                          "Heads Pass Thru\n";   // 7
} // namespace

class TestCoverageCli : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void sdFileOnDefaultLists();
    void markUsed();
};

void TestCoverageCli::runs_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // in its one line
    const QString faceIn = QStringLiteral("friday.txt:4: not recognised: Face In");
    QTest::newRow("coverage") << QStringList{"coverage", "--list", "Class", "friday.txt"} << 0
                              << "Pass Thru\t2\tfriday.txt:2\n"
                                 "Trade Family (Couples Trade, Partner Trade)\t1\tfriday.txt:3\n"
                                 "Zoom\t0\t\n"
                                 "(Anything) & Roll\t1\tfriday.txt:6\n"
                              << faceIn;
    QTest::newRow("list named ignoring case") << QStringList{"coverage", "--list", "other", "friday.txt"} << 0
                                              << "Pass Thru\t2\tfriday.txt:2\nSwing Thru\t1\tfriday.txt:6\n" << faceIn;
    QTest::newRow("unused") << QStringList{"coverage", "--unused", "--list=Class", "friday.txt"} << 0 << "Zoom\n"
                            << faceIn;
    QTest::newRow("csv") << QStringList{"coverage", "--list", "Class", "--csv", "friday.txt"} << 0
                         << "Call,Sequences,First\r\n"
                            "Pass Thru,2,friday.txt:2\r\n"
                            "\"Trade Family (Couples Trade, Partner Trade)\",1,friday.txt:3\r\n"
                            "Zoom,0,\r\n"
                            "(Anything) & Roll,1,friday.txt:6\r\n"
                         << faceIn;
    QTest::newRow("calls") << QStringList{"calls", "friday.txt"} << 0
                           << "friday.txt:2\tClass: Pass Thru | Other: Pass Thru\n"
                              "friday.txt:3\tClass: Trade Family (Couples Trade, Partner Trade)\n"
                              "friday.txt:4\t\n"
                              "friday.txt:6\tClass: (Anything) & Roll | Other: Swing Thru\n"
                              "friday.txt:7\tClass: Pass Thru | Other: Pass Thru\n"
                           << faceIn;
    const QString none;
    QTest::newRow("no such list") << QStringList{"coverage", "--list", "Nope", "friday.txt"} << 1 << none
                                  << "no list named \"Nope\"";
    QTest::newRow("missing file") << QStringList{"calls", "friday.txt", "none.txt"} << 1 << none
                                  << "none.txt: cannot be read";
    QTest::newRow("NUL byte") << QStringList{"coverage", "--list", "Class", "friday.txt", "bad.txt"} << 1 << none
                              << "bad.txt: line 2: a NUL byte";
    QTest::newRow("no database") << QStringList{"--db", "gone.db", "calls", "friday.txt"} << 1 << none << "gone.db";
    QTest::newRow("no files") << QStringList{"calls"} << 2 << none << "calls needs one sequence file";
    QTest::newRow("no list") << QStringList{"coverage", "friday.txt"} << 2 << none << "coverage needs --list NAME";
    QTest::newRow("unknown option") << QStringList{"coverage", "--list", "Class", "--all", "friday.txt"} << 2 << none
                                    << "unknown option --all";
}

void TestCoverageCli::runs()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    TestDatabase db(classLists());
    writeFile(db.folder() + QStringLiteral("/friday.txt"), Friday);
    writeFile(db.folder() + QStringLiteral("/bad.txt"), QByteArray("Zoom\nPass\0Thru\n", 15));
    const Run r = run(Lists, args, db.folder());
    QCOMPARE(r.status, status);
    QCOMPARE(r.out, out);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
}

void TestCoverageCli::sdFileOnDefaultLists()
{
    TestDatabase db(defaultLists());
    QVERIFY(QFile::copy(QStringLiteral(VORLET_FIXTURES "/sequences/sequence.Plus"), db.folder() + QStringLiteral("/seq.Plus")));
    const Run r = run(Lists, {QStringLiteral("calls"), QStringLiteral("seq.Plus")}, db.folder());
    QCOMPARE(r.status, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Header, title, pictures and blank lines are not call lines: 6 sequences, 76 call lines in all.
    QCOMPARE(lines.size(), 76);
    QCOMPARE(lines[1], QStringLiteral("seq.Plus:8\tB: Swing Thru / Left Swing Thru | P: (Anything) & Roll | "
                                      "Mainstream 2026: Swing Thru / Left Swing Thru | Plus 2026: (Anything) and Roll"));
    QCOMPARE(lines[11], QStringLiteral("seq.Plus:29\tB: Allemande Left | Mainstream 2026: Allemande Left / Right"));
    QVERIFY2(r.err.contains(QLatin1String("seq.Plus:118: not recognised: quarter left")), qPrintable(r.err));
}

void TestCoverageCli::markUsed()
{
    TestDatabase db(classLists());
    writeFile(db.folder() + QStringLiteral("/friday.txt"), Friday);
    {
        // A history written before records had a source: read as it is, then given the column.
        QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        old.setDatabaseName(db.folder() + QStringLiteral("/Call_History.db"));
        QVERIFY(old.open());
        for (const char *sql : {"CREATE TABLE tblHistory (Record_ID INTEGER PRIMARY KEY, Call_ID INTEGER, "
                                "Call_Name TEXT NOT NULL, List TEXT NOT NULL, Used_At TEXT NOT NULL, Used_UTC TEXT NOT NULL)",
                                "INSERT INTO tblHistory VALUES (1, 1, 'Pass Thru', 'Class', '2026-01-05T19:00:00+01:00', "
                                "'2026-01-05T18:00:00.000Z')",
                                "PRAGMA user_version = 1"})
            QVERIFY(old.exec(QString::fromLatin1(sql)).lastError().type() == QSqlError::NoError);
        old.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    QCOMPARE(run(Lists, {"history"}, db.folder()).out, QStringLiteral("2026-01-05T19:00:00+01:00\tClass\tPass Thru\n"));
    const Run r = run(Lists, {"coverage", "--list", "Class", "--mark-used", "friday.txt"}, db.folder());
    QCOMPARE(r.status, 0);
    QCOMPARE(db.column(QStringLiteral("SELECT Call_Name FROM tblCalls WHERE Used <> 0 ORDER BY Call_ID")),
             (QStringList{QStringLiteral("Pass Thru"), QStringLiteral("Trade Family (Couples Trade, Partner Trade)"),
                          QStringLiteral("(Anything) & Roll")}));
    // Recorded as "&Use" records them, each with the file it was seen in.
    const QStringList history = run(Lists, {"history", "--list", "Class", "--csv"}, db.folder()).out.split("\r\n");
    QCOMPARE(history.size(), 6);
    QCOMPARE(history[1], QStringLiteral("\"2026-01-05T19:00:00+01:00\",\"Class\",\"Pass Thru\",\"\""));
    for (int i = 2; i < 5; ++i)
        QVERIFY2(history[i].endsWith(QStringLiteral(",\"friday.txt\"")), qPrintable(history[i]));
}

QTEST_MAIN(TestCoverageCli)
#include "tst_coverage_cli.moc"
