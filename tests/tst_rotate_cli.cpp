// vorlet-rotate run as a real program: its CSV, its cards, its figures, its errors.
#include "testsupport.h"

#include <QTemporaryDir>

namespace {

struct Row
{
    int tip, square, place;
    QString dancer, partner;
};

QList<Row> rows(const QString &csv)
{
    QList<Row> result;
    const QStringList lines = csv.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(QLatin1Char(','));
        if (f.size() != 5)
            return {};
        result.append({f[0].toInt(), f[2].toInt(), f[3].toInt(), f[1], f[4]});
    }
    return result;
}

// Events, if any, as the file events.txt in dir, named on the command line.
void withEvents(QStringList &args, const QTemporaryDir &dir, const QString &events)
{
    if (events.isEmpty())
        return;
    QFile file(dir.filePath("events.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(events.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(file.fileName()));
    args << "--events" << "events.txt";
}

} // namespace

class tst_RotateCli : public QObject
{
    Q_OBJECT
private slots:
    void csvRows_data();
    void csvRows();
    void cardsAndFigures();
    void errors_data();
    void errors();
};

void tst_RotateCli::csvRows_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("dancers");
    QTest::newRow("13 couples") << QStringList{"--couples", "13", "--tips", "4"} << "" << 13;
    QTest::newRow("couples and solos, late and early")
        << QStringList{"--couples", "9", "--boys", "2", "--girls", "3", "--either", "1", "--tips", "6", "--seed", "99"}
        << "3 arrive C2\n# a comment\n\n4 leave G1\n2 out C3\n2 dance B2\n" << 15;
    QTest::newRow("a limit of one square")
        << QStringList{"--couples", "10", "--tips", "3", "--squares", "1"} << "" << 10;
}

void tst_RotateCli::csvRows()
{
    QFETCH(QStringList, args);
    QFETCH(QString, events);
    QFETCH(int, dancers);
    QTemporaryDir dir;
    withEvents(args, dir, events);
    const Run r = run(VORLET_ROTATE, QStringList{"plan", "--csv"} + args, dir.path());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QString());
    QVERIFY(r.out.startsWith("tip,dancer,square,place,partner\n"));
    const int tips = args[args.indexOf("--tips") + 1].toInt();
    const QList<Row> all = rows(r.out);
    QCOMPARE(all.size(), tips * dancers);

    QHash<QString, Row> byName;
    for (const Row &row : all) {
        QVERIFY2(row.square > 0 || (row.place == 0 && row.partner.isEmpty()), qPrintable(row.dancer));
        byName.insert(QString::number(row.tip) + row.dancer, row);
    }
    QHash<QString, int> taken; // tip/square/place: couples count 2, each solo 1
    for (const Row &row : all) {
        const bool couple = row.dancer.startsWith('C');
        if (row.square == 0)
            continue;
        taken[QStringLiteral("%1/%2/%3").arg(row.tip).arg(row.square).arg(row.place)] += couple ? 2 : 1;
        if (couple) {
            QVERIFY(row.partner.isEmpty());
        } else {
            const Row other = byName.value(QString::number(row.tip) + row.partner);
            QCOMPARE(other.partner, row.dancer);
            QCOMPARE(other.square, row.square);
            QCOMPARE(other.place, row.place);
        }
    }
    for (auto it = taken.cbegin(); it != taken.cend(); ++it)
        QVERIFY2(it.value() == 2, qPrintable(it.key()));
    if (!events.isEmpty()) {
        QCOMPARE(byName.value("1C2").square, 0);
        QCOMPARE(byName.value("2C3").square, 0);
        QVERIFY(byName.value("2B2").square > 0);
        QCOMPARE(byName.value("5G1").square, 0);
    }

    // The same command line gives the same evening.
    QCOMPARE(run(VORLET_ROTATE, QStringList{"plan", "--csv"} + args, dir.path()).out, r.out);
}

void tst_RotateCli::cardsAndFigures()
{
    // 28 places: everyone dances every tip.
    const Run cards = run(VORLET_ROTATE, {"plan", "--couples", "26", "--boys", "2", "--girls", "2", "--tips", "12"});
    QCOMPARE(cards.status, 0);
    QCOMPARE(cards.out.count(QRegularExpression("^Tip \\d+$", QRegularExpression::MultilineOption)), 12);
    QCOMPARE(cards.out.count("Square 7\n"), 12);
    QCOMPARE(cards.out.count("1 head  "), 12 * 7);
    QCOMPARE(cards.out.count("4 side  "), 12 * 7);
    QCOMPARE(cards.out.count(" & "), 12 * 2); // the two pairs of solos each tip
    QCOMPARE(cards.out.count("Sitting out: nobody\n"), 12);

    const QStringList args{"--couples", "27", "--boys", "3", "--girls", "3", "--tips", "12", "--seed", "5"};
    const Run help = run(VORLET_ROTATE, {"--help"});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.contains("Exit status: 0 done, 1 data error, 2 bad usage."));

    const Run stats = run(VORLET_ROTATE, QStringList{"stats"} + args);
    QCOMPARE(stats.status, 0);
    QCOMPARE(stats.err, QString());
    QVERIFY(stats.out.contains("tips valid: yes\n"));
    QVERIFY(stats.out.contains("sit-outs in a row: 0, avoidable 0\n"));
    QVERIFY(stats.out.contains("head/side difference: couples at most 1"));
    const QRegularExpression share("distinct square-mates per dancer: ([\\d.]+) of ([\\d.]+) most possible \\(([\\d.]+) %\\)");
    const QRegularExpressionMatch m = share.match(stats.out);
    QVERIFY2(m.hasMatch(), qPrintable(stats.out));
    QVERIFY(m.captured(1).toDouble() <= m.captured(2).toDouble());
    QVERIFY(m.captured(3).toDouble() >= 85);
    QVERIFY(stats.out.contains(QRegularExpression("random placement: [\\d.]+ \\([\\d.]+ %\\); way from random to most "
                                                  "possible: [\\d.]+ %\n")));
    QVERIFY(stats.out.contains(QRegularExpression("time per tip: [\\d.]+ ms average, [\\d.]+ ms most\n")));
}

void tst_RotateCli::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("events"); // written to a file given as --events
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QStringList base{"plan", "--couples", "8", "--tips", "3"};
    QTest::newRow("no command") << QStringList{"--couples", "8"} << "" << 2 << "no command given";
    QTest::newRow("unknown command") << QStringList{"dance", "--couples", "8", "--tips", "2"} << "" << 2
                                     << "unknown command \"dance\"";
    QTest::newRow("unknown option") << base + QStringList{"--colour"} << "" << 2 << "Unknown option 'colour'";
    QTest::newRow("no couples") << QStringList{"plan", "--tips", "3"} << "" << 2 << "--couples is needed";
    QTest::newRow("no tips") << QStringList{"stats", "--couples", "3"} << "" << 2 << "--tips is needed";
    QTest::newRow("no dancers") << QStringList{"plan", "--couples", "0", "--tips", "3"} << "" << 2 << "no dancers";
    QTest::newRow("tips not a number") << QStringList{"plan", "--couples", "8", "--tips", "x"} << "" << 2
                                       << "--tips needs a whole number from 1 to 500, not \"x\"";
    QTest::newRow("negative boys") << base + QStringList{"--boys", "-1"} << "" << 2 << "--boys needs a whole number";
    QTest::newRow("squares 0") << base + QStringList{"--squares", "0"} << "" << 2 << "--squares needs";
    QTest::newRow("seed too big") << base + QStringList{"--seed", "4294967296"} << "" << 2 << "--seed needs";
    QTest::newRow("csv for stats") << QStringList{"stats", "--couples", "8", "--tips", "3", "--csv"} << "" << 2
                                   << "--csv is for plan only";
    QTest::newRow("a word too many") << base + QStringList{"tonight"} << "" << 2 << "takes no further words";
    QTest::newRow("missing events file") << base + QStringList{"--events", "nowhere.txt"} << "" << 1
                                         << "nowhere.txt: cannot read the events file";
    QTest::newRow("a line of two words") << base << "1 out C1\n2 out\n" << 1 << "events.txt:2: expected";
    QTest::newRow("a tip past the evening") << base << "4 out C1\n" << 1 << "events.txt:1: the tip must be a number from 1 to 3";
    QTest::newRow("an unknown event") << base << "2 swing C1\n" << 1 << "unknown event \"swing\"";
    QTest::newRow("an unknown dancer") << base << "2 out C9\n" << 1 << "events.txt:1: no dancer \"C9\" tonight";
    QTest::newRow("out after leaving") << base << "2 leave C1\n3 out C1\n" << 1
                                       << "events.txt:2: C1 is not in the hall at tip 3";
    QTest::newRow("back after removal") << base << "2 remove C1\n3 arrive C1\n" << 1
                                        << "events.txt:2: C1 was removed before tip 3";
    QTest::newRow("out before arriving") << base << "1 out C1\n3 arrive C2\n2 dance C2\n" << 1
                                         << "events.txt:3: C2 is not in the hall at tip 2";
}

void tst_RotateCli::errors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, events);
    QFETCH(int, status);
    QFETCH(QString, message);
    QTemporaryDir dir;
    withEvents(args, dir, events);
    const Run r = run(VORLET_ROTATE, args, dir.path());
    QCOMPARE(r.status, status);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.startsWith("vorlet-rotate: ") && r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.err.endsWith('\n'));
}

QTEST_GUILESS_MAIN(tst_RotateCli)
#include "tst_rotate_cli.moc"
