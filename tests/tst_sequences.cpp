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

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}
} // namespace

class TestSequences : public QObject
{
    Q_OBJECT

private slots:
    void recognises_data();
    void recognises();
    void familyMembersSeen_data();
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
    void tooLarge();
    void unreadable();

    void coverage();
    void labelledSet();
};

void TestSequences::recognises_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected");
    const QString passThru = QStringLiteral("B: Pass Thru");
    const QString squareThru = QStringLiteral("B: Square Thru (1-4 hands) / Left Square Thru (1-4 hands)");
    const QString touch = QStringLiteral("B: Touch 1/4");
    const QString trade = QStringLiteral("B: Trade Family (Named Dancers Trade, Couples Trade, Partner Trade)");
    const QString run = QStringLiteral("B: Run / Cross Run");
    const QString circulate =
        QStringLiteral("B: Circulate Family (Named Dancers, Couples, All 8, Single File, Split / Box Circulate)");
    const QString recycle = QStringLiteral("MS: Recycle (from a wave only)");
    const QString roll = QStringLiteral("P: (Anything) & Roll");
    const QString quarterThru = QStringLiteral("A1: 1/4 Thru / 3/4 Thru");
    // Lines of the issue.
    QTest::newRow("designator and move in") << "Heads Move In and Pass Thru" << QStringList{passThru};
    QTest::newRow("hands after a call") << "Sides Square Thru 3" << QStringList{squareThru};
    QTest::newRow("left where the entry has none") << "Centers Left Touch 1/4" << QStringList{touch};
    QTest::newRow("concept and its call") << "As Couples Quarter Thru"
                                          << QStringList{QStringLiteral("A1: As Couples Concept"), quarterThru};
    QTest::newRow("anything entry and the call in it")
        << "Clover and Touch a Quarter" << QStringList{touch, QStringLiteral("A1: Clover and (Anything)")};
    QTest::newRow("once and a half") << "Acey Deucey Once and a Half" << QStringList{QStringLiteral("P: Acey Deucey")};
    QTest::newRow("and roll") << "Girls Run and Roll" << QStringList{run, roll};
    QTest::newRow("two calls at once") << "Heads Pass the Ocean While Sides Trade"
                                       << QStringList{QStringLiteral("B: Pass the Ocean"), trade};
    // The longest name wins.
    QTest::newRow("gears not spin chain thru")
        << "Spin Chain and Exchange the Gears" << QStringList{QStringLiteral("P: Spin Chain & Exchange the Gears")};
    QTest::newRow("spin chain thru itself") << "spin chain thru" << QStringList{QStringLiteral("MS: Spin Chain Thru")};
    QTest::newRow("pass the ocean not pass thru") << "Pass the Ocean" << QStringList{QStringLiteral("B: Pass the Ocean")};
    QTest::newRow("wheel and deal not wheel around") << "Wheel and Deal" << QStringList{QStringLiteral("B: Wheel & Deal")};
    QTest::newRow("wheel around not wheel and deal") << "Wheel Around" << QStringList{QStringLiteral("B: Wheel Around")};
    QTest::newRow("cross trail thru not trail off") << "Centers Cross Trail Thru"
                                                   << QStringList{QStringLiteral("A1: Cross Trail Thru")};
    QTest::newRow("pass and roll not and roll") << "Pass and Roll" << QStringList{QStringLiteral("A2: Pass and Roll")};
    QTest::newRow("grand swing thru not swing thru") << "Grand Swing Thru"
                                                    << QStringList{QStringLiteral("P: Grand Swing Thru")};
    QTest::newRow("cross clover not clover") << "Cross Clover and Pass Thru"
                                             << QStringList{passThru, QStringLiteral("A1: Cross Clover and (Anything)")};
    QTest::newRow("6 by 2 not acey deucey") << "Six-Two Acey Deucey"
                                            << QStringList{QStringLiteral("A1: 6 by 2 Acey Deucey")};
    QTest::newRow("trade by not trade") << "Trade By" << QStringList{QStringLiteral("B: Trade By")};
    // & and and, fractions, number words, case and spacing.
    QTest::newRow("and for &") << "right and left thru" << QStringList{QStringLiteral("B: Right & Left Thru")};
    QTest::newRow("& for and") << "Heads Wheel & Deal" << QStringList{QStringLiteral("B: Wheel & Deal")};
    QTest::newRow("three quarters") << "Cast Off Three Quarters" << QStringList{QStringLiteral("MS: Cast Off 3/4")};
    QTest::newRow("other fraction of cast off") << "Centers Cast Off 1/4" << QStringList{QStringLiteral("MS: Cast Off 3/4")};
    QTest::newRow("half as 1/2") << "HALF TAG" << QStringList{QStringLiteral("MS: Half Tag")};
    QTest::newRow("half of a line of 8") << "Line of 8 Half Tag" << QStringList{QStringLiteral("MS: Half Tag")};
    QTest::newRow("number word") << "Eight Chain Thru" << QStringList{QStringLiteral("MS: Eight Chain Thru")};
    QTest::newRow("digit for the word") << "8 chain thru" << QStringList{QStringLiteral("MS: Eight Chain Thru")};
    QTest::newRow("roman numeral") << "Track 2"
                                    << QStringList{QStringLiteral("P: Track II"), QStringLiteral("C1: Track 0, 1, 2, 3, 4")};
    QTest::newRow("a quarter in the entry") << "Centers Sweep 1/4" << QStringList{QStringLiteral("B: Sweep a Quarter")};
    QTest::newRow("spacing") << "  flutter   wheel " << QStringList{QStringLiteral("B: Flutterwheel / Reverse Flutterwheel")};
    QTest::newRow("hyphens") << "do-sa-do" << QStringList{QStringLiteral("B: Dosado")};
    QTest::newRow("an ocean wave") << "dixie style to a wave"
                                   << QStringList{QStringLiteral("MS: Dixie Style to an Ocean Wave")};
    QTest::newRow("left allemande") << "left allemande" << QStringList{QStringLiteral("B: Allemande Left")};
    // Numbers of hands or parts.
    QTest::newRow("circulate 1.5") << "Circulate 1.5" << QStringList{circulate};
    QTest::newRow("circulate 1-1/2") << "circulate 1-1/2" << QStringList{circulate};
    QTest::newRow("swing thru 1/2") << "Swing Thru 1/2" << QStringList{QStringLiteral("B: Swing Thru / Left Swing Thru")};
    // Left and Cross where the entry names them.
    QTest::newRow("left variant") << "LEFT swing thru" << QStringList{QStringLiteral("B: Swing Thru / Left Swing Thru")};
    QTest::newRow("cross variant") << "Girls Cross Run" << QStringList{run};
    // Roll and Spread: the base call and the entry that adds them.
    QTest::newRow("sd brackets and roll") << "swing thru and roll"
                                          << QStringList{QStringLiteral("B: Swing Thru / Left Swing Thru"), roll};
    QTest::newRow("and spread") << "Heads Star Thru and Spread"
                                << QStringList{QStringLiteral("B: Star Thru"), QStringLiteral("P: (Anything) & Spread")};
    QTest::newRow("explode and") << "explode and right and left thru"
                                 << QStringList{QStringLiteral("B: Right & Left Thru"),
                                                QStringLiteral("P: Explode & (Anything) (from waves only)")};
    QTest::newRow("anything needs a call") << "Clover and" << QStringList{};
    // Families and designators.
    QTest::newRow("family member") << "Couples Circulate" << QStringList{circulate};
    QTest::newRow("designator not a call") << "Belles Run" << QStringList{run};
    QTest::newRow("all 8 as a designator") << "All 8 Circulate" << QStringList{circulate};
    QTest::newRow("all 8 as the concept") << "All 8 Recycle"
                                          << QStringList{recycle, QStringLiteral("A2: All 4 Couples / All 8 Concepts")};
    QTest::newRow("all 8 in a call's name") << "All 8 Spin the Top" << QStringList{QStringLiteral("P: All 8 Spin the Top")};
    QTest::newRow("designator that is a call") << "Centers In" << QStringList{QStringLiteral("MS: Centers In")};
    QTest::newRow("belles and beaus") << "Belles and Beaus" << QStringList{QStringLiteral("A1: Belles and Beaus")};
    QTest::newRow("hinge") << "GIRLS hinge" << QStringList{QStringLiteral("MS: Single Hinge / Couples Hinge")};
    // Concepts.
    QTest::newRow("tandem") << "TANDEM trade" << QStringList{trade, QStringLiteral("C1: Tandem Concept")};
    QTest::newRow("stretch") << "STRETCH recycle" << QStringList{recycle, QStringLiteral("C1: Stretch Concept")};
    // One formation's call names the first list's entry.
    QTest::newRow("recycle from a wave") << "Recycle" << QStringList{recycle};
    // Not recognised.
    QTest::newRow("no call") << "Face In" << QStringList{};
    QTest::newRow("designator alone") << "Heads" << QStringList{};
}

void TestSequences::recognises()
{
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    QCOMPARE(named(levels(), line), expected);
}

void TestSequences::familyMembersSeen_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("seen");
    QTest::newRow("member named") << "Couples Trade" << "Couples Trade";
    QTest::newRow("family base") << "Boys Trade" << "Trade";
    QTest::newRow("member fragment") << "Split Circulate" << "Split Circulate";
    QTest::newRow("variant") << "Cross Run" << "Cross Run";
}

void TestSequences::familyMembersSeen()
{
    QFETCH(QString, line);
    QFETCH(QString, seen);
    const QList<Recogniser::Found> found = levels().find(line);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().seen, seen);
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
    QTest::newRow("MS") << "sequence.MS";
    QTest::newRow("Plus") << "sequence.Plus";
    QTest::newRow("C1") << "sequence.C1";
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
    QCOMPARE(plus.sequences[2].calls[7].comment, QStringLiteral("watch the diamonds"));
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

void TestSequences::tooLarge()
{
    QTemporaryDir dir;
    QByteArray big;
    while (big.size() <= 4 * 1024 * 1024)
        big += "Heads Square Thru 4\nSwing Thru\n\n";
    const QString path = write(dir, QStringLiteral("big.txt"), big);
    const SequenceFile::Parsed parsed = SequenceFile::read(path);
    QVERIFY(!parsed.ok());
    QVERIFY2(parsed.error.startsWith(path) && parsed.error.contains(QLatin1String("too large for a sequence file")),
             qPrintable(parsed.error));
}

void TestSequences::unreadable()
{
    QTemporaryDir dir;
    const SequenceFile::Parsed missing = SequenceFile::read(dir.filePath(QStringLiteral("none.txt")));
    QVERIFY(missing.error.startsWith(dir.filePath(QStringLiteral("none.txt")) + QStringLiteral(": cannot be read")));
    const SequenceFile::Parsed folder = SequenceFile::read(dir.path());
    QVERIFY2(!folder.ok(), qPrintable(folder.error));
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
    const Coverage::Report report = Coverage::of(r, 0, files);
    QCOMPARE(report.list, QStringLiteral("Class"));
    QCOMPARE(report.entries.size(), 4);
    // Pass Thru: twice in the first sequence, once in the third: two sequences.
    QCOMPARE(report.entries[0].sequences, 2);
    QCOMPARE(report.entries[0].first.file, QStringLiteral("a.txt"));
    QCOMPARE(report.entries[0].first.line, 1);
    QCOMPARE(report.entries[1].sequences, 2);
    QCOMPARE(report.entries[1].first.line, 2);
    QCOMPARE(report.entries[1].seen, (QStringList{QStringLiteral("Couples Trade"), QStringLiteral("Trade")}));
    QCOMPARE(report.entries[3].first.line, 6);
    QCOMPARE(report.unused(), QStringList{QStringLiteral("Zoom")});
    QVERIFY(report.entries[2].first.isNull());
    QCOMPARE(report.unrecognised.size(), 1);
    QCOMPARE(report.unrecognised[0].place.file, QStringLiteral("b.txt"));
    QCOMPARE(report.unrecognised[0].place.line, 1);
    QCOMPARE(report.unrecognised[0].text, QStringLiteral("Face In"));

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
    const QSet<QString> measured = {QStringLiteral("B"), QStringLiteral("MS"), QStringLiteral("P"), QStringLiteral("A1"),
                                    QStringLiteral("A2")};
    QHash<QString, QStringList> lines;              // file -> its lines
    QHash<QString, QHash<int, QString>> callTexts; // file -> line -> the call as read
    int expectedTotal = 0, foundTotal = 0, hits = 0, rows = 0;
    QStringList misses;
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
        QSet<QString> expected;
        for (const QString &e : cols.value(3).split(QStringLiteral(" | "), Qt::SkipEmptyParts))
            expected.insert(e);
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
            misses.append(cols[0] + QLatin1Char(':') + cols[1] + QStringLiteral(" \"") + text + QStringLiteral("\" expected [")
                          + QStringList(expected.values()).join(QStringLiteral(" | ")) + QStringLiteral("] found [")
                          + QStringList(found.values()).join(QStringLiteral(" | ")) + QLatin1Char(']'));
    }
    const double recall = expectedTotal ? double(hits) / expectedTotal : 0;
    const double precision = foundTotal ? double(hits) / foundTotal : 0;
    qInfo("labelled lines %d, entries labelled %d, found %d, right %d: recall %.1f %%, precision %.1f %%", rows,
          expectedTotal, foundTotal, hits, 100 * recall, 100 * precision);
    for (const QString &m : std::as_const(misses))
        qInfo("%s", qPrintable(m));
    QVERIFY(rows >= 300);
    QVERIFY2(recall >= 0.97, "recall under 97 %");
    QVERIFY2(precision >= 0.97, "precision under 97 %");
}

QTEST_GUILESS_MAIN(TestSequences)
#include "tst_sequences.moc"
