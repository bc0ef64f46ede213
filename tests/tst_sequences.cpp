// The sequence files, the recognition of the lists' calls in a line, and the
// coverage of a list; none of it needs a window.
#include "core/data/CallDatabase.h"
#include "core/sequences/Coverage.h"
#include "core/sequences/Recogniser.h"
#include "core/sequences/SequenceFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Fixtures = QStringLiteral(VORLET_FIXTURES "/sequences/");

QList<Recogniser::List> defaultLists(bool with2026)
{
    QFile file(QStringLiteral(VORLET_DEFAULT_CALLS));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", VORLET_DEFAULT_CALLS);
    QString error;
    QList<Recogniser::List> lists;
    for (const CallDatabase::CallList &l : CallDatabase::parse(QString::fromUtf8(file.readAll()), &error))
        if (with2026 || !l.name.endsWith(QLatin1String("2026")))
            lists.append({l.name, l.calls});
    return lists;
}

const Recogniser &levels()
{
    static const Recogniser r(defaultLists(false));
    return r;
}

QStringList named(const Recogniser &r, const QString &line)
{
    QStringList out;
    for (const Recogniser::Found &f : r.find(line))
        out.append(r.lists()[f.list].name + QStringLiteral(": ") + r.entryText(f));
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

} // namespace

class TestSequences : public QObject
{
    Q_OBJECT

private slots:
    void recognises_data();
    void recognises();
    void familyMembersSeen();
    void namedOncePerList();
    void entriesAsStored_data();
    void entriesAsStored();

    void sdFilesAsTyped_data();
    void sdFilesAsTyped();
    void sdParts();
    void plainText_data();
    void plainText();
    void publicFiles_data();
    void publicFiles();
    void badInput_data();
    void badInput();
    void unreadable();

    void coverage();
    void labelledSet();
};

void TestSequences::recognises_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected"); // the entries named, " | " between them
    static const char *const rows[][2] = {
        // Lines of the issue.
        {"Heads Move In and Pass Thru", "B: Pass Thru"},
        {"Sides Square Thru 3", "B: Square Thru (1-4 hands) / Left Square Thru (1-4 hands)"},
        {"Centers Left Touch 1/4", "B: Touch 1/4"},
        {"As Couples Quarter Thru", "A1: As Couples Concept | A1: 1/4 Thru / 3/4 Thru"},
        {"Clover and Touch a Quarter", "B: Touch 1/4 | A1: Clover and (Anything)"},
        {"Acey Deucey Once and a Half", "P: Acey Deucey"},
        {"Girls Run and Roll", "B: Run / Cross Run | P: (Anything) & Roll"},
        {"Heads Pass the Ocean While Sides Trade",
         "B: Pass the Ocean | B: Trade Family (Named Dancers Trade, Couples Trade, Partner Trade)"},
        // The longest name wins.
        {"Spin Chain and Exchange the Gears", "P: Spin Chain & Exchange the Gears"},
        {"spin chain thru", "MS: Spin Chain Thru"},
        {"Pass the Ocean", "B: Pass the Ocean"},
        {"Wheel and Deal", "B: Wheel & Deal"},
        {"Wheel Around", "B: Wheel Around"},
        {"Centers Cross Trail Thru", "A1: Cross Trail Thru"},
        {"Pass and Roll", "A2: Pass and Roll"},
        {"Grand Swing Thru", "P: Grand Swing Thru"},
        {"Cross Clover and Pass Thru", "B: Pass Thru | A1: Cross Clover and (Anything)"},
        {"Six-Two Acey Deucey", "A1: 6 by 2 Acey Deucey"},
        {"Trade By", "B: Trade By"},
        // & and and, fractions, number words, case and spacing.
        {"right and left thru", "B: Right & Left Thru"},
        {"Heads Wheel & Deal", "B: Wheel & Deal"},
        {"Cast Off Three Quarters", "MS: Cast Off 3/4"},
        {"Centers Cast Off 1/4", "MS: Cast Off 3/4"},
        {"HALF TAG", "MS: Half Tag"},
        {"Line of 8 Half Tag", "MS: Half Tag"},
        {"Eight Chain Thru", "MS: Eight Chain Thru"},
        {"8 chain thru", "MS: Eight Chain Thru"},
        {"Track 2", "P: Track II | C1: Track 0, 1, 2, 3, 4"},
        {"Centers Sweep 1/4", "B: Sweep a Quarter"},
        {"  flutter   wheel ", "B: Flutterwheel / Reverse Flutterwheel"},
        {"do-sa-do", "B: Dosado"},
        {"dixie style to a wave", "MS: Dixie Style to an Ocean Wave"},
        {"left allemande", "B: Allemande Left"},
        // Numbers of hands or parts.
        {"Circulate 1.5", "B: Circulate Family (Named Dancers, Couples, All 8, Single File, Split / Box Circulate)"},
        {"circulate 1-1/2", "B: Circulate Family (Named Dancers, Couples, All 8, Single File, Split / Box Circulate)"},
        {"Swing Thru 1/2", "B: Swing Thru / Left Swing Thru"},
        // Left and Cross where the entry names them.
        {"LEFT swing thru", "B: Swing Thru / Left Swing Thru"},
        {"Girls Cross Run", "B: Run / Cross Run"},
        // Roll and Spread: the base call and the entry that adds them.
        {"swing thru and roll", "B: Swing Thru / Left Swing Thru | P: (Anything) & Roll"},
        {"Heads Star Thru and Spread", "B: Star Thru | P: (Anything) & Spread"},
        {"explode and right and left thru", "B: Right & Left Thru | P: Explode & (Anything) (from waves only)"},
        {"Clover and", ""},
        // Families and designators.
        {"Couples Circulate",
         "B: Circulate Family (Named Dancers, Couples, All 8, Single File, Split / Box Circulate)"},
        {"Belles Run", "B: Run / Cross Run"},
        {"All 8 Circulate", "B: Circulate Family (Named Dancers, Couples, All 8, Single File, Split / Box Circulate)"},
        {"All 8 Recycle", "MS: Recycle (from a wave only) | A2: All 4 Couples / All 8 Concepts"},
        {"All 8 Spin the Top", "P: All 8 Spin the Top"},
        {"Centers In", "MS: Centers In"},
        {"Belles and Beaus", "A1: Belles and Beaus"},
        {"GIRLS hinge", "MS: Single Hinge / Couples Hinge"},
        // Concepts.
        {"TANDEM trade", "B: Trade Family (Named Dancers Trade, Couples Trade, Partner Trade) | C1: Tandem Concept"},
        {"STRETCH recycle", "MS: Recycle (from a wave only) | C1: Stretch Concept"},
        // One formation's call names the first list's entry.
        {"Recycle", "MS: Recycle (from a wave only)"},
        // Not recognised.
        {"Face In", ""},
        {"Heads", ""},
    };
    for (const auto &[line, expected] : rows)
        QTest::newRow(line) << QString::fromUtf8(line) << QString::fromUtf8(expected);
}

void TestSequences::recognises()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(named(levels(), line).join(QStringLiteral(" | ")), expected);
}

// The words of the line that named the entry.
void TestSequences::familyMembersSeen()
{
    const std::pair<const char *, const char *> lines[] = {
        {"Couples Trade", "Couples Trade"}, {"Boys Trade", "Trade"}, {"Split Circulate", "Split Circulate"},
        {"Cross Run", "Cross Run"}};
    for (const auto &[line, seen] : lines) {
        const QList<Recogniser::Found> found = levels().find(QString::fromUtf8(line));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().seen, QString::fromUtf8(seen));
    }
}

void TestSequences::namedOncePerList()
{
    const Recogniser all(defaultLists(true));
    QCOMPARE(named(all, QStringLiteral("Heads Pass Thru")),
             (QStringList{QStringLiteral("B: Pass Thru"), QStringLiteral("Mainstream 2026: Pass Thru")}));
    // An entry that two of its names match is named once.
    const Recogniser one({{QStringLiteral("Mine"), {QStringLiteral("Run / Cross Run")}}});
    QCOMPARE(named(one, QStringLiteral("Boys Run and Girls Cross Run")), QStringList{QStringLiteral("Mine: Run / Cross Run")});
}

void TestSequences::entriesAsStored_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("names");
    QTest::newRow("slash, first part") << "Lead Right / Lead Left" << "Heads Lead Right" << true;
    QTest::newRow("one word borrows the front") << "Drop In / Out / Right / Left" << "Drop Out" << true;
    QTest::newRow("one word borrows the back") << "Cut / Flip the Galaxy" << "Cut the Galaxy" << true;
    QTest::newRow("one word alone is not the call") << "Cut / Flip the Galaxy" << "Cut" << false;
    QTest::newRow("commas of numbers") << "Track 0, 1, 2, 3, 4" << "Track 3" << true;
    QTest::newRow("range of numbers") << "Zip Code 1-6" << "Zip Code 3" << true;
    QTest::newRow("qualifier dropped") << "Linear Cycle (from waves only)" << "Linear Cycle" << true;
    QTest::newRow("members after the name") << "Shoot the Star (Regular, Full Around)" << "Shoot the Star Full Around"
                                            << true;
    QTest::newRow("family fragment needs the call") << "Promenade Family (Couples: Full, 1/2, 3/4; Single File)"
                                                    << "Single File Circulate" << false;
    QTest::newRow("family fragment with the call") << "Promenade Family (Couples: Full, 1/2, 3/4; Single File)"
                                                   << "Single File Promenade" << true;
    QTest::newRow("concept word") << "Siamese Concept" << "Siamese Diamond Circulate" << true;
    QTest::newRow("anything in the middle") << "Lines (Anything) Thru" << "Lines Pass Thru" << true;
    QTest::newRow("anything must be there") << "Lines (Anything) Thru" << "Lines Thru" << false;
    QTest::newRow("optional dancers") << "(Named Dancers) Circulate" << "Girls Circulate" << true;
    QTest::newRow("no designator needed") << "(Named Dancers) Circulate" << "Circulate" << true;
    QTest::newRow("ampersand") << "Right & Left Grand" << "right and left grand" << true;
    QTest::newRow("case") << "ZOOM" << "zoom" << true;
}

void TestSequences::entriesAsStored()
{
    QFETCH(QString, entry);
    QFETCH(QString, line);
    QFETCH(bool, names);
    const Recogniser r({{QStringLiteral("Mine"), {entry}}});
    QCOMPARE(!r.find(line).isEmpty(), names);
}

void TestSequences::sdFilesAsTyped_data()
{
    QTest::addColumn<QString>("file");
    for (const char *file : {"sequence.MS", "sequence.Plus", "sequence.C1"})
        QTest::newRow(file) << QString::fromUtf8(file);
}

void TestSequences::sdFilesAsTyped()
{
    QFETCH(QString, file);
    const SequenceFile::Parsed parsed = SequenceFile::read(Fixtures + file);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QVERIFY(parsed.sd);
    const QStringList fileLines = QString::fromUtf8(fileBytes(Fixtures + file)).split(QLatin1Char('\n'));
    QList<QJsonObject> typed;
    for (const QJsonValue &v : QJsonDocument::fromJson(fileBytes(Fixtures + QStringLiteral("typed.json"))).array())
        if (v.toObject().value(QStringLiteral("file")).toString() == file)
            typed.append(v.toObject());
    QCOMPARE(parsed.sequences.size(), typed.size());
    for (int s = 0; s < typed.size(); ++s) {
        const SequenceFile::Sequence &sequence = parsed.sequences[s];
        const QJsonObject &t = typed[s];
        QCOMPARE(sequence.header, t.value(QStringLiteral("header")).toString());
        QCOMPARE(sequence.level, t.value(QStringLiteral("level")).toString());
        QStringList titleLines;
        for (const QString &l : t.value(QStringLiteral("title_line")).toString().split(QLatin1Char('\n')))
            titleLines.append(l.trimmed());
        QCOMPARE(sequence.title, titleLines.join(QLatin1Char(' ')).trimmed());

        QStringList expected, comments;
        for (const QJsonValue &c : t.value(QStringLiteral("calls")).toArray()) {
            expected.append(c.toObject().value(QStringLiteral("as_written")).toString());
            comments.append(c.toObject().value(QStringLiteral("comment")).toString());
        }
        for (const QJsonValue &r : t.value(QStringLiteral("resolve_lines")).toArray()) {
            expected.append(r.toString());
            comments.append(QString());
        }
        QStringList written;
        int warnings = 0;
        for (const SequenceFile::CallLine &call : sequence.calls) {
            written.append(call.written);
            warnings += int(call.warnings.size());
            // The line number is the editor's: that line of the file holds the call.
            QCOMPARE(fileLines.value(call.line - 1).trimmed(), call.written);
        }
        QCOMPARE(written, expected);
        QCOMPARE(warnings, int(t.value(QStringLiteral("warning_lines")).toArray().size()));
        QVERIFY(sequence.calls.last().resolve);
        for (int c = 0; c + 1 < sequence.calls.size(); ++c) {
            QVERIFY(!sequence.calls[c].resolve);
            if (!comments[c].isEmpty())
                QCOMPARE(sequence.calls[c].comment, comments[c]);
        }
    }
}

void TestSequences::sdParts()
{
    const SequenceFile::Parsed plus = SequenceFile::read(Fixtures + QStringLiteral("sequence.Plus"));
    QVERIFY(plus.ok());
    // "[swing thru] and roll", "{ watch the diamonds } pass the ocean", a warning, the resolve's note.
    QCOMPARE(plus.sequences[0].calls[1].text, QStringLiteral("swing thru and roll"));
    QCOMPARE(plus.sequences[0].calls[5].warnings, QStringList{QStringLiteral("Warning:  This may be controversial.")});
    QCOMPARE(plus.sequences[2].calls[7].text, QStringLiteral("pass the ocean"));
    QCOMPARE(plus.sequences[0].calls.last().text, QStringLiteral("left allemande"));
    QCOMPARE(plus.sequences[0].calls.last().comment, QStringLiteral("3/4 promenade"));

    // Abridged output, and a call too long for the width going on in an indented line.
    const QByteArray made = "\nTue Dec  8 04:11:54 2026     Sd38.60:db38.60     Plus (abridged)\n\n\n"
                            "HEADS pass the ocean\n\nCENTERS swing thru and spread while the others\n"
                            "   trade\n\n 1B>   2B>\n\nleft allemande  (at home)\n";
    const SequenceFile::Parsed p = SequenceFile::parse(made, QStringLiteral("made"));
    QVERIFY(p.ok());
    QCOMPARE(p.sequences.size(), 1);
    QCOMPARE(p.sequences[0].level, QStringLiteral("Plus"));
    QVERIFY(p.sequences[0].abridged);
    QCOMPARE(p.sequences[0].calls.size(), 3);
    QCOMPARE(p.sequences[0].calls[1].text, QStringLiteral("CENTERS swing thru and spread while the others trade"));
    QCOMPARE(p.sequences[0].calls[1].line, 7);
}

void TestSequences::plainText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("calls"); // "line text", sequences split by "--"
    QTest::addColumn<QString>("note");
    QTest::newRow("blank lines part sequences")
        << QByteArray("# Friday\nHeads Square Thru 4\nSwing Thru\n\n\nSides Lead Right\n")
        << QStringList{"2 Heads Square Thru 4", "3 Swing Thru", "--", "6 Sides Lead Right"} << QString();
    QTest::newRow("item numbers, not fractions")
        << QByteArray("1. Heads Pass Thru\n2) Separate\n1/4 Thru\n8 Chain Thru\n")
        << QStringList{"1 Heads Pass Thru", "2 Separate", "3 1/4 Thru", "4 8 Chain Thru"} << QString();
    QTest::newRow("comments in parentheses and brackets")
        << QByteArray("Heads Star Thru (a zero)\n[get out] Allemande Left\n(just a comment)\n")
        << QStringList{"1 Heads Star Thru", "2 Allemande Left"} << QString();
    QTest::newRow("CRLF and a BOM") << QByteArray("\xEF\xBB\xBFZoom\r\nPass Thru\r\n")
                                    << QStringList{"1 Zoom", "2 Pass Thru"} << QString();
    QTest::newRow("Windows-1252") << QByteArray("Caf\xE9 Circulate\n") << QStringList{"1 Caf\u00e9 Circulate"}
                                  << QStringLiteral("Windows-1252");
    QTest::newRow("no final line end, trailing spaces") << QByteArray("Zoom \nGirls Run ")
                                                        << QStringList{"1 Zoom", "2 Girls Run"} << QString();
}

void TestSequences::plainText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, calls);
    QFETCH(QString, note);
    const SequenceFile::Parsed parsed = SequenceFile::parse(bytes, QStringLiteral("friday.txt"));
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QVERIFY(!parsed.sd);
    QStringList got;
    for (const SequenceFile::Sequence &sequence : parsed.sequences) {
        if (!got.isEmpty())
            got.append(QStringLiteral("--"));
        for (const SequenceFile::CallLine &call : sequence.calls)
            got.append(QString::number(call.line) + QLatin1Char(' ') + call.text);
    }
    QCOMPARE(got, calls);
    QCOMPARE(parsed.notes.join(QLatin1Char(' ')).contains(QLatin1String("Windows-1252")), !note.isEmpty());
}

void TestSequences::publicFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sequences");
    QTest::addColumn<int>("callLines");
    QTest::addColumn<QString>("firstTitle");
    // Counts as the files' README gives them.
    QTest::newRow("taminations") << "taminations-sequencer-tests.txt" << 273 << 3529 << "Back Away";
    QTest::newRow("squaredesk 1") << "squaredesk-test001.txt" << 1 << 21 << "";
    QTest::newRow("squaredesk 2") << "squaredesk-test002.txt" << 1 << 13 << "";
}

void TestSequences::publicFiles()
{
    QFETCH(QString, file);
    QFETCH(int, sequences);
    QFETCH(int, callLines);
    QFETCH(QString, firstTitle);
    const SequenceFile::Parsed parsed = SequenceFile::read(Fixtures + file);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(parsed.sequences.size(), sequences);
    int lines = 0;
    for (const SequenceFile::Sequence &s : parsed.sequences)
        lines += int(s.calls.size());
    QCOMPARE(lines, callLines);
    QCOMPARE(parsed.sequences.first().title, firstTitle);
}

void TestSequences::badInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cause");
    QTest::newRow("NUL byte") << QByteArray("Zoom\nPass\0Thru\n", 15) << "friday.txt: line 2: a NUL byte";
    QTest::newRow("long line") << QByteArray("Zoom\n\n" + QByteArray(1001, 'a') + "\n")
                               << "friday.txt: line 3: longer than 1000 characters";
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFEZ\0o\0", 6) << "friday.txt: the file is UTF-16";
    QTest::newRow("comments only") << QByteArray("# nothing yet\n\n") << "friday.txt: no call lines";
    QTest::newRow("Sd header alone") << QByteArray("Tue Dec  8 04:11:54 2026     Sd38.60:db38.60     Plus\n\n\n")
                                     << "friday.txt: no call lines";
}

void TestSequences::badInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cause);
    const SequenceFile::Parsed parsed = SequenceFile::parse(bytes, QStringLiteral("friday.txt"));
    QVERIFY(!parsed.ok());
    QVERIFY2(parsed.error.startsWith(cause), qPrintable(parsed.error));
    QVERIFY(parsed.sequences.isEmpty());
}

void TestSequences::unreadable()
{
    QTemporaryDir dir;
    const QString none = dir.filePath(QStringLiteral("none.txt"));
    QVERIFY(SequenceFile::read(none).error.startsWith(none + QStringLiteral(": cannot be read")));
    QVERIFY(!SequenceFile::read(dir.path()).ok());
    QByteArray bytes;
    while (bytes.size() <= 4 * 1024 * 1024)
        bytes += "Heads Square Thru 4\nSwing Thru\n\n";
    QFile big(dir.filePath(QStringLiteral("big.txt")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.write(bytes) == bytes.size());
    big.close();
    const SequenceFile::Parsed parsed = SequenceFile::read(big.fileName());
    QVERIFY2(!parsed.ok() && parsed.error.startsWith(big.fileName())
                 && parsed.error.contains(QLatin1String("too large for a sequence file")),
             qPrintable(parsed.error));
}

void TestSequences::coverage()
{
    const Recogniser r({{QStringLiteral("Class"),
                         {QStringLiteral("Pass Thru"), QStringLiteral("Trade Family (Couples Trade, Partner Trade)"),
                          QStringLiteral("Zoom"), QStringLiteral("(Anything) & Roll")}},
                        {QStringLiteral("Other"), {QStringLiteral("Swing Thru")}}});
    QList<SequenceFile::Parsed> files;
    files.append(SequenceFile::parse("Heads Pass Thru\nCouples Trade\nPass Thru\n\nSwing Thru\nBoys Trade and Roll\n",
                                     QStringLiteral("a.txt")));
    files.append(SequenceFile::parse("Face In\nHeads Pass Thru\n", QStringLiteral("b.txt")));
    // The places, the unused and the unrecognised as vorlet-lists prints them are
    // checked in tst_coverage_cli; here what it does not print.
    const Coverage::Report report = Coverage::of(r, 0, files);
    // Pass Thru: twice in the first sequence, once in the third: two sequences.
    QCOMPARE(report.entries[0].sequences, 2);
    QCOMPARE(report.entries[1].sequences, 2);
    QCOMPARE(report.entries[1].seen, (QStringList{QStringLiteral("Couples Trade"), QStringLiteral("Trade")}));
    QCOMPARE(report.unrecognised.size(), 1);
    QCOMPARE(report.unrecognised[0].place.file, QStringLiteral("b.txt"));

    // Several lists over one reading: the other list's entry is covered once.
    const QList<Coverage::Report> both = Coverage::of(r, QList<int>{0, 1}, files);
    QCOMPARE(both.size(), 2);
    QCOMPARE(both[1].entries[0].sequences, 1);
    QCOMPARE(both[1].entries[0].first.line, 5);
    QCOMPARE(Coverage::calls(r, files).size(), 7);
}

// Recall and precision against lines labelled by hand: labels.tsv holds, for
// each labelled line, the B to A2 entries it names.
void TestSequences::labelledSet()
{
    const Recogniser r(defaultLists(true));
    const QSet<QString> measured = {"B", "MS", "P", "A1", "A2"};
    QHash<QString, QStringList> lines;              // file -> its lines
    QHash<QString, QHash<int, QString>> callTexts; // file -> line -> the call as read
    int expectedTotal = 0, foundTotal = 0, hits = 0, rows = 0;
    const QStringList labels = QString::fromUtf8(fileBytes(Fixtures + QStringLiteral("labels.tsv"))).split(QLatin1Char('\n'));
    for (const QString &row : labels) {
        if (row.isEmpty() || row.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cols = row.split(QLatin1Char('\t'));
        QVERIFY2(cols.size() >= 3, qPrintable(row));
        if (!lines.contains(cols[0])) {
            lines.insert(cols[0], QString::fromUtf8(fileBytes(Fixtures + cols[0])).split(QLatin1Char('\n')));
            const SequenceFile::Parsed parsed = SequenceFile::read(Fixtures + cols[0]);
            QVERIFY2(parsed.ok(), qPrintable(parsed.error));
            for (const SequenceFile::Sequence &s : parsed.sequences)
                for (const SequenceFile::CallLine &c : s.calls)
                    callTexts[cols[0]].insert(c.line, c.text);
        }
        const QString text = lines[cols[0]].value(cols[1].toInt() - 1).trimmed();
        // The label names the line it was written for.
        QCOMPARE(text, cols[2]);
        const QStringList labelled = cols.value(3).split(QStringLiteral(" | "), Qt::SkipEmptyParts);
        const QSet<QString> expected(labelled.begin(), labelled.end());
        QSet<QString> found;
        QVERIFY2(callTexts[cols[0]].contains(cols[1].toInt()), qPrintable(row));
        const QString call = callTexts[cols[0]].value(cols[1].toInt());
        for (const Recogniser::Found &f : r.find(call))
            if (measured.contains(r.lists()[f.list].name))
                found.insert(r.lists()[f.list].name + QStringLiteral(": ") + r.entryText(f));
        ++rows;
        expectedTotal += int(expected.size());
        foundTotal += int(found.size());
        hits += int((expected & found).size());
        if (expected != found)
            qInfo("%s:%s \"%s\" expected [%s] found [%s]", qPrintable(cols[0]), qPrintable(cols[1]), qPrintable(text),
                  qPrintable(labelled.join(" | ")), qPrintable(QStringList(found.values()).join(" | ")));
    }
    const double recall = expectedTotal ? double(hits) / expectedTotal : 0;
    const double precision = foundTotal ? double(hits) / foundTotal : 0;
    qInfo("labelled lines %d, entries labelled %d, found %d, right %d: recall %.1f %%, precision %.1f %%", rows,
          expectedTotal, foundTotal, hits, 100 * recall, 100 * precision);
    QVERIFY(rows >= 300);
    QVERIFY2(recall >= 0.97, "recall under 97 %");
    QVERIFY2(precision >= 0.97, "precision under 97 %");
}

QTEST_GUILESS_MAIN(TestSequences)
#include "tst_sequences.moc"
