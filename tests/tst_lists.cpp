// The caller's own lists: the file format, the list module's rules, the
// command line and the Lists window.
#include "core/data/DataError.h"
#include "core/lists/ListFile.h"
#include "core/lists/ListStore.h"
#include "ui/lists/ImportPreview.h"
#include "ui/lists/Lists.h"
#include "ui/history/Progress.h"
#include "ui/history/ProgressModel.h"
#include "testsupport.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QStandardItemModel>
#include <QTableView>
#include <sys/stat.h>
#include <thread>

namespace {
const QString Fixtures = QStringLiteral(VORLET_FIXTURES);

QString writeFile(const TestDatabase &db, const QString &name, const QByteArray &bytes)
{
    const QString path = db.folder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
} // namespace

class tst_lists : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void preview_data();
    void preview();
    void previewDialogWritesOnlyWhatItShows();
    void defaultDataHoldsTheLevelsAndTheProgramFiles();
    void roundTripThroughTheDatabase();
    void rulesRefuseAndWriteNothing_data();
    void rulesRefuseAndWriteNothing();
    void replaceKeepsUsedMarksAndMovesAppend();
    void lockedOrReadOnlyDatabaseWritesNothing();
    void useAfterAReplaceMarksTheCallOnShow();
    void exportThatCannotBeWrittenSaysSo_data();
    void exportThatCannotBeWrittenSaysSo();
    void commandLine_data();
    void commandLine();
    void reorderRules_data();
    void reorderRules();
    void reorderCopyAndAddSeveralOnTheFile();
    void windowDrivesTheLists();
    void windowShapesTheCalls();
    void countsAfterEachKindOfChange_data();
    void countsAfterEachKindOfChange();
};

void tst_lists::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("message"); // a note, or the error when no calls

    QTest::newRow("BOM, CRLF, comments, blanks, spaces")
        << QByteArray("\xEF\xBB\xBF# Tuesday\r\n\r\n  Dosado \t\r\n#Swing\r\nStar Thru\r\n")
        << QStringList{"Dosado", "Star Thru"} << "";
    QTest::newRow("lone CR") << QByteArray("Dosado\rSwing\r") << QStringList{"Dosado", "Swing"} << "";
    QTest::newRow("item numbers") << QByteArray("1. Dosado\n2) Swing\n3.a Zoom\n4a. Fold\n5b) Run\n12.c) Hinge")
                                  << QStringList{"Dosado", "Swing", "Zoom", "Fold", "Run", "Hinge"} << "";
    QTest::newRow("family headings")
        << QByteArray("1. Circle Family\n1.a Circle Left\n# aside\n1.b Circle of 4\n2. Dosado\n3. Trade Family\n"
                      "4. Swing\n4a. Swing Thru")
        << QStringList{"Circle Left", "Circle of 4", "Dosado", "Trade Family", "Swing Thru"} << "";
    QTest::newRow("digits that are names") << QByteArray("1/4 Thru\n3/4 Tag the Line\n8 Chain Thru\n2.Dosado")
                                           << QStringList{"1/4 Thru", "3/4 Tag the Line", "8 Chain Thru", "2.Dosado"}
                                           << "";
    QTest::newRow("Windows-1252") << QByteArray("Caf\xE9 \x93Swing\x94\n")
                                  << QStringList{QString::fromUtf8("Café \"Swing\"")} << "read as Windows-1252";
    QTest::newRow("duplicates once, folded and NFC") << QByteArray("Dosado\nStra\xC3\x9F" "e\n3. dosado\nSTRASSE\nCaf\xC3\xA9\nCafe\xCC\x81")
        << QStringList{"Dosado", QString::fromUtf8("Straße"), QString::fromUtf8("Café")}
        << "line 3: \"dosado\" repeats line 1";
    QTest::newRow("a tab in a name") << QByteArray("Dosado\nSwing\tThru\n") << QStringList{} << "line 2: \"Swing\tThru\" holds a tab";
    QTest::newRow("an escape in a name") << QByteArray("Dosado\nSwing\x1B[2J\n") << QStringList{} << "line 2: \"Swing\x1B[2J\" holds";
    QTest::newRow("a DEL in a name") << QByteArray("Dosado\x7F\n") << QStringList{} << "line 1: \"Dosado\x7F\" holds";
    QTest::newRow("a C1 control in a name") << QByteArray("Dosado\nSw\xC2\x85ing\n") << QStringList{} << "another control character";
    QTest::newRow("comments only") << QByteArray("# one\n\n  # two\r\n") << QStringList{} << "no calls";
    QTest::newRow("NUL") << QByteArray("Dosado\nSw\0ing\n", 14) << QStringList{} << "line 2: a NUL byte";
    QTest::newRow("long line") << "Dosado\n" + QByteArray(1001, 'x') << QStringList{} << "line 2: longer than 1000";
    QTest::newRow("1000 emoji are fine") << QString::fromUtf8("😀").repeated(1000).toUtf8()
                                         << QStringList{QString::fromUtf8("😀").repeated(1000)} << "";
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE" "D\0o\0", 6) << QStringList{} << "UTF-16";
    QTest::newRow("UTF-16 LE, no BOM") << QByteArray("D\0o\0s\0\xE9\0\n\0", 10) << QStringList{}
                                       << "UTF-16 without a byte-order mark; save it as UTF-8";
    QTest::newRow("UTF-16 BE, no BOM") << QByteArray("\0D\0o", 4) << QStringList{} << "UTF-16 without a byte-order mark";
    QTest::newRow("UTF-32 LE") << QByteArray("\xFF\xFE\0\0D\0\0\0", 8) << QStringList{} << "UTF-32; save it as UTF-8";
    QTest::newRow("UTF-32 BE") << QByteArray("\0\0\xFE\xFF\0\0\0D", 8) << QStringList{} << "UTF-32";
    QTest::newRow("NUL on line 3, CR line ends") << QByteArray("Dosado\rSwing\r\nSw\0ing\r", 21) << QStringList{}
                                                 << "line 3: a NUL byte";
}

void tst_lists::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, calls);
    QFETCH(QString, message);
    const ListFile::Parsed parsed = ListFile::parse(bytes, "club.txt");
    QCOMPARE(parsed.calls, calls);
    const QString said = parsed.ok() ? parsed.notes.join('\n') : parsed.error;
    QCOMPARE(parsed.ok(), !calls.isEmpty());
    QVERIFY2(message.isEmpty() ? said.isEmpty() : said.startsWith("club.txt: ") && said.contains(message),
             qPrintable(said));
}

void tst_lists::preview_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("verdicts"); // "line=call" imported, "line-reason" skipped, "!error"

    QTest::newRow("bullets and curly quotes")
        << QString::fromUtf8("- Dosado\n* Swing Thru\n\u2022 \u2018Hinge\u2019 \u201CIt\u201D\n-Zoom\n").toUtf8()
        << QStringList{"1=Dosado", "2=Swing Thru", "3='Hinge' \"It\"", "4=-Zoom"};
    QTest::newRow("indented sub-items note the call above")
        << QByteArray("Swing Thru\n  a. from waves\n\t(b) left-hand\n- Scoot Back\n    - from a tidal\n  Dosado\n"
                      "b. Bend\n")
        << QStringList{"1=Swing Thru", "2-sub-item of line 1", "3-sub-item of line 1", "4=Scoot Back",
                       "5-sub-item of line 4", "6=Dosado", "7=b. Bend"};
    QTest::newRow("comments, blanks, headings, duplicates")
        << QByteArray("# Club\n\n1. Circle Family\n  1.a Circle Left\n1.b circle left\n2. Dosado\n")
        << QStringList{"1-comment", "2-blank", "3-family heading", "4=Circle Left", "5-duplicate of line 4", "6=Dosado"};
    QTest::newRow("CSV as the export writes it, several lists")
        << ListFile::toCsv({{"Tue", {"Dosado", "Swing, \"Thru\""}}, {"Wed, late", {"Dosado", "dosado"}}})
        << QStringList{"2=Tue/Dosado", "3=Tue/Swing, \"Thru\"", "4=Wed, late/Dosado", "5-duplicate of line 4"};
    QTest::newRow("CSV, a record over two lines") << QByteArray("List,Call\r\nA,\"Sw\ning\"\r\nA,Swing\r\n")
                                                  << QStringList{"!line 2: \"Sw\ning\" holds a tab"};
    QTest::newRow("CSV, a quote left open") << QByteArray("List,Call\nA,Dosado\nA,\"Swing\n")
                                            << QStringList{"!line 3: a quote that is never closed"};
    QTest::newRow("CSV, a third field") << QByteArray("List,Call\nA,Dosado,1\n") << QStringList{"!line 2: 3 fields"};
}

void tst_lists::preview()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, verdicts);
    const ListFile::Preview seen = ListFile::preview(bytes, "club.txt");
    QStringList got;
    for (const ListFile::Verdict &v : seen.lines)
        got.append(v.imported ? QStringLiteral("%1=%2").arg(v.line).arg(v.list.isEmpty() ? v.call : v.list + '/' + v.call)
                              : QStringLiteral("%1-%2").arg(v.line).arg(v.reason));
    if (!seen.ok())
        got = QStringList{'!' + seen.error.mid(QStringLiteral("club.txt: ").size())};
    if (verdicts.size() == 1 && verdicts.first().startsWith('!'))
        QVERIFY2(got.size() == 1 && got.first().startsWith(verdicts.first()), qPrintable(got.join('|')));
    else
        QCOMPARE(got, verdicts);
    // The import takes exactly the calls the preview marks, and parse agrees for one list.
    QStringList marked;
    for (const ListFile::Verdict &v : seen.lines) {
        if (v.imported)
            marked.append(v.call);
    }
    QStringList taken;
    for (const ListFile::NamedList &list : seen.lists())
        taken += list.calls;
    QCOMPARE(taken, marked);
    if (seen.lists().size() == 1)
        QCOMPARE(ListFile::parse(bytes, "club.txt").calls, marked);
}

void tst_lists::previewDialogWritesOnlyWhatItShows()
{
    TestDatabase db({list("B", 1)});
    MessageLog log;
    frmMain::instance().show();
    QTest::mouseClick(frmMain::instance().ui().cmdLists, Qt::LeftButton);
    Lists &lists = Lists::instance();
    QStringList asked;
    lists.prompts.text = [&](const QString &, const QString &) { return std::optional<QString>("Club"); };
    lists.prompts.confirm = [&](const QString &question) {
        asked.append(question);
        return true;
    };
    bool accept = false;
    bool driven = false;
    QString summary;
    lists.prompts.preview = [&](const ListFile::Preview &preview, const QString &fileName) {
        ImportPreview dialog(preview, fileName, lists.ui().tblLists->window());
        dialog.show();
        // The heading on the first row is taken from the keyboard.
        dialog.tblLines->setFocus();
        driven = QTest::qWaitForWindowExposed(&dialog) && dialog.tblLines->currentIndex().row() == 0;
        QTest::keyClick(dialog.tblLines, Qt::Key_Space);
        summary = dialog.lblSummary->text();
        if (accept)
            driven = driven && pressAccessibly(dialog.buttons->button(QDialogButtonBox::Ok));
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result() == QDialog::Accepted ? std::optional(dialog.chosen()) : std::nullopt;
    };
    const QString file = writeFile(db, "club.txt", "1. Circle Family\n1.a Circle Left\n1.b Circle of 4\n# aside\n2. Dosado\n"
                                                   "  a. from a box\n");
    const QString calls = "SELECT Call_Name FROM tblCalls JOIN tblList USING (List_ID) WHERE List = 'Club' ORDER BY Call_ID";
    lists.importFile(file);
    QVERIFY(driven);
    QCOMPARE(summary, QStringLiteral("4 of 6 lines become calls. Space on a family heading takes it as a call."));
    QCOMPARE(db.column("SELECT List FROM tblList ORDER BY List_ID"), QStringList{"B"}); // cancelled: nothing written
    accept = true;
    lists.importFile(file);
    QVERIFY(driven);
    QCOMPARE(db.column(calls), (QStringList{"Circle Family", "Circle Left", "Circle of 4", "Dosado"}));
    QCOMPARE(log.messages.takeLast(), QStringLiteral("4 calls imported into \"Club\"."));

    // A CSV of several lists, dropped: one question for the lists it replaces; other files are refused by name.
    lists.prompts.preview = [](const ListFile::Preview &preview, const QString &) { return std::optional(preview); };
    writeFile(db, "all.csv", ListFile::toCsv({{"B", {"Hinge"}}, {"Club", {"Dosado", "Fold"}}, {"New", {"Zoom"}}}));
    writeFile(db, "notes.pdf", "%PDF");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(db.folder() + "/all.csv"), QUrl::fromLocalFile(db.folder() + "/notes.pdf")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(lists.ui().tblLists->window(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(lists.ui().tblLists->window(), &drop);
    QCOMPARE(asked, QStringList{"The lists \"B\", \"Club\" exist already. Replace their 5 calls with the calls of "
                                "\"all.csv\"? The calls whose names stay keep their used marks."});
    QCOMPARE(log.messages, (QStringList{"1 call imported into \"B\".\n2 calls imported into \"Club\".\n"
                                        "1 call imported into \"New\".",
                                        "notes.pdf: not imported; only list files (.txt) and CSV files (.csv) can be"}));
    QCOMPARE(db.column(calls), (QStringList{"Dosado", "Fold"}));
    QCOMPARE(cells(lists.ui().lists), (QStringList{"B", "Club", "New"}));
}

void tst_lists::defaultDataHoldsTheLevelsAndTheProgramFiles()
{
    // The level lists first, in ladder order, then the 2026 lists; no call twice in a list.
    const QList<CallDatabase::CallList> lists = defaultLists();
    QStringList names;
    for (const CallDatabase::CallList &l : lists) {
        names.append(l.name);
        QVERIFY2(l.calls.size() >= 15 && QSet<QString>(l.calls.begin(), l.calls.end()).size() == l.calls.size(),
                 qPrintable(l.name));
    }
    QCOMPARE(names, (QStringList{"B", "MS", "P", "A1", "A2", "C1", "C2", "C3A", "C3B", "Mainstream 2026", "Plus 2026"}));
    QVERIFY(lists[3].calls.contains("Triple Scoot"));
    const ListFile::Parsed mainstream = ListFile::read(Fixtures + "/mainstream-2026.txt");
    const ListFile::Parsed plus = ListFile::read(Fixtures + "/plus-2026.txt");
    QVERIFY(mainstream.ok() && plus.ok() && mainstream.notes.isEmpty() && plus.notes.isEmpty());
    QCOMPARE(lists[9].calls, mainstream.calls);
    QCOMPARE(lists[10].calls, plus.calls);
    QCOMPARE(mainstream.calls.size(), 78); // 50 items, 13 of them family headings with 41 members
    QVERIFY(!mainstream.calls.contains("Circle Family") && mainstream.calls.contains("Circle of 4 Left / Right"));
}

void tst_lists::roundTripThroughTheDatabase()
{
    TestDatabase db({list("B", 2)});
    ListStore store(db.path());
    const ListStore::Imported in = store.importFile(Fixtures + "/mainstream-2026.txt", {}, false);
    const QByteArray text = store.exportText(in.listId);
    QVERIFY(text.startsWith("# mainstream-2026\nCircle Left / Right\n") && !text.contains('\r'));
    QCOMPARE(ListFile::parse(text, "x").calls, ListFile::read(Fixtures + "/mainstream-2026.txt").calls);
    // Exported, imported again and exported: the same bytes.
    const ListStore::Imported again = store.importFile(writeFile(db, "again.txt", text), "Again", false);
    QCOMPARE(store.exportText(again.listId), QByteArray(text).replace("mainstream-2026", "Again"));

    const int odd = store.createList("Club, \"Tuesday\"");
    store.addCall(odd, "Dosado, then \"Star\"");
    store.addCall(odd, QString::fromUtf8("Café"));
    QCOMPARE(store.exportCsv(odd), QString::fromUtf8("List,Call\r\n\"Club, \"\"Tuesday\"\"\",\"Dosado, then "
                                                     "\"\"Star\"\"\"\r\n\"Club, \"\"Tuesday\"\"\",Café\r\n")
                                       .toUtf8());
    const QList<QByteArray> all = store.exportCsv(std::nullopt).split('\n');
    QCOMPARE(all.size(), 1 + 2 + 78 * 2 + 2 + 1);
    QCOMPARE(all[1], QByteArray("B,B #1\r"));
}

void tst_lists::rulesRefuseAndWriteNothing_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("rename a level") << "renameList" << "B" << "Basic" << "\"B\" is a level list";
    QTest::newRow("delete a level") << "deleteList" << "MS" << "" << "\"MS\" is a level list";
    QTest::newRow("new list, name in other case") << "createList" << "" << "b" << "\"B\" exists already";
    QTest::newRow("new list, LIKE wildcards are letters") << "createList" << "" << "Work_hop" << "";
    QTest::newRow("new list, other case beyond ASCII") << "createList" << "" << QString::fromUtf8("ÉCOLE")
                                                       << "\"École\" exists already";
    QTest::newRow("new list, spaces only") << "createList" << "" << "   " << "a list needs a name";
    QTest::newRow("new list with a tab") << "createList" << "" << "Club\tB" << "cannot hold tabs";
    QTest::newRow("rename to a taken name") << "renameList" << "Workshop" << " ms " << "\"MS\" exists already";
    QTest::newRow("rename keeps its own name") << "renameList" << "Workshop" << "WORKSHOP" << "";
    QTest::newRow("call twice in a list") << "addCall" << "Workshop" << "workshop #1" << "already in the list";
    QTest::newRow("call with an item number") << "addCall" << "Workshop" << "12. Zoom" << "leave the item number";
    QTest::newRow("call with an escape") << "addCall" << "Workshop" << "Swing\x1B[2J" << "cannot hold tabs, line breaks";
    QTest::newRow("call as a comment") << "addCall" << "Workshop" << "#Zoom" << "cannot start with \"#\"";
    QTest::newRow("import a taken name") << "import" << "" << "workshop" << "exists already";
}

void tst_lists::rulesRefuseAndWriteNothing()
{
    QFETCH(QString, op);
    QFETCH(QString, target);
    QFETCH(QString, name);
    QFETCH(QString, message);
    TestDatabase db({list("B", 1), list("MS", 1), list("Workshop", 2), list(QString::fromUtf8("École"), 0)});
    const QString contents = "SELECT List || ':' || COUNT(Call_ID) FROM tblList LEFT JOIN tblCalls USING (List_ID) "
                             "GROUP BY List_ID";
    const QStringList before = db.column(contents);
    ListStore store(db.path());
    const int id = target.isEmpty() ? 0 : store.find(target)->id;
    try {
        if (op == "renameList")
            store.renameList(id, name);
        else if (op == "deleteList")
            store.deleteList(id);
        else if (op == "createList")
            store.createList(name);
        else if (op == "addCall")
            store.addCall(id, name);
        else
            store.importCalls(name, {"Zoom"}, false);
        QVERIFY2(message.isEmpty(), "not refused");
    } catch (const DataError &e) {
        QVERIFY2(!message.isEmpty() && e.message().startsWith(db.path() + ": ") && e.message().contains(message),
                 qPrintable(e.message()));
        QCOMPARE(db.column(contents), before);
    }
}

void tst_lists::replaceKeepsUsedMarksAndMovesAppend()
{
    TestDatabase db({list("B", 2)});
    ListStore store(db.path());
    const int id = store.importCalls("Class", {"Dosado", "Swing", "Zoom"}, false).listId;
    const QList<ListStore::Call> calls = store.calls(id);
    store.setUsed({calls[0].id, calls[2].id}, true);
    // As another program may have stored it; its export reads back with plain quotes.
    db.exec("UPDATE tblCalls SET Call_Name = ? WHERE Call_ID = ?", {QString::fromUtf8("\u201CZoom\u201D"), calls[2].id});
    const ListStore::Imported replaced = store.importCalls("class", {"\"zoom\"", "Fold", "Dosado"}, true);
    QCOMPARE(replaced.listId, id);
    QCOMPARE(replaced.keptUsed, 2);
    QCOMPARE(db.column("SELECT Call_Name || '=' || Used FROM tblCalls WHERE List_ID = ? ORDER BY Call_ID", {id}),
             (QStringList{"Dosado=1", "\"zoom\"=1", "Fold=0"})); // kept ids keep their places
    QVERIFY(store.calls(id)[2].id > calls[2].id);
    QCOMPARE(store.listById(id).name, QStringLiteral("Class"));

    // Moved calls go last in the target, with their marks; a list goes with its calls.
    const int b = store.find("B")->id;
    store.moveCalls({store.calls(id)[0].id, store.calls(id)[1].id}, b);
    QCOMPARE(db.column("SELECT Call_Name || '=' || Used FROM tblCalls WHERE List_ID = ? ORDER BY Call_ID", {b}),
             (QStringList{"B #1=0", "B #2=0", "Dosado=1", "\"zoom\"=1"}));
    QVERIFY_THROWS_EXCEPTION(DataError, store.moveCalls({store.addCall(id, "FOLD")}, b));
    store.deleteList(id);
    QCOMPARE(db.value("SELECT COUNT(*) FROM tblCalls").toInt(), 4);
    QCOMPARE(db.column("SELECT List FROM tblList"), QStringList{"B"});
}

void tst_lists::reorderRules_data()
{
    // Calls as letters; the chosen ones in capitals.
    QTest::addColumn<QString>("order");
    QTest::addColumn<int>("step"); // 0: placed before row
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("result");
    QTest::newRow("up one") << "abCd" << -1 << 0 << "aCbd";
    QTest::newRow("up at the top stays") << "Abc" << -1 << 0 << "Abc";
    QTest::newRow("a run goes up as one") << "abCDe" << -1 << 0 << "aCDbe";
    QTest::newRow("scattered up, the top one stays") << "AbCdE" << -1 << 0 << "ACbEd";
    QTest::newRow("down one") << "aBcd" << 1 << 0 << "acBd";
    QTest::newRow("a run at the bottom stays") << "abCD" << 1 << 0 << "abCD";
    QTest::newRow("placed at the top") << "abCdE" << 0 << 0 << "CEabd";
    QTest::newRow("placed before a later row") << "AbcDe" << 0 << 3 << "bcADe";
    QTest::newRow("placed past the end") << "aBcd" << 0 << 9 << "acdB";
    QTest::newRow("placed onto a chosen row") << "abCD" << 0 << 3 << "abCD";
}

void tst_lists::reorderRules()
{
    QFETCH(QString, order);
    QFETCH(int, step);
    QFETCH(int, row);
    QFETCH(QString, result);
    QList<int> ids;
    QList<int> chosen;
    for (const QChar ch : order) {
        ids.append(ch.toLower().unicode());
        if (ch.isUpper())
            chosen.append(ch.toLower().unicode());
    }
    const QList<int> moved = step == 0 ? ListStore::placed(ids, chosen, row) : ListStore::shifted(ids, chosen, step);
    QString text;
    for (const int id : moved)
        text += chosen.contains(id) ? QChar(id).toUpper() : QChar(id);
    QCOMPARE(text, result);
}

void tst_lists::reorderCopyAndAddSeveralOnTheFile()
{
    TestDatabase db({list("B", 2), list("Party", 4)});
    ListStore store(db.path());
    const int party = store.find("Party")->id;
    const int b = store.find("B")->id;
    const QList<ListStore::Call> before = store.calls(party);
    store.setUsed({before[3].id}, true);
    const QStringList bRows = db.column("SELECT Call_ID || Call_Name FROM tblCalls WHERE List_ID = ?", {b});
    auto shown = [&](int listId) {
        return db.column("SELECT Call_Name || '=' || Used FROM tblCalls WHERE List_ID = ? ORDER BY Call_ID", {listId});
    };

    // The first call stays put and keeps its key; the marks go with the names.
    const QHash<int, int> rekeyed =
        store.reorderCalls(party, {before[0].id, before[3].id, before[1].id, before[2].id});
    QCOMPARE(shown(party), (QStringList{"Party #1=0", "Party #4=1", "Party #2=0", "Party #3=0"}));
    QCOMPARE(rekeyed.size(), 3);
    QVERIFY(!rekeyed.contains(before[0].id));
    for (const ListStore::Call &call : before.mid(1)) {
        QVERIFY(rekeyed.value(call.id) > before[3].id); // no old key names another call
        QCOMPARE(db.value("SELECT COUNT(*) FROM tblCalls WHERE Call_ID = ?", {call.id}).toInt(), 0);
    }
    QCOMPARE(db.column("SELECT Call_ID || Call_Name FROM tblCalls WHERE List_ID = ?", {b}), bRows);
    // An order that is not the list's calls as they are now writes nothing.
    const QStringList now = shown(party);
    QVERIFY_THROWS_EXCEPTION(DataError, store.reorderCalls(party, {before[0].id}));
    QVERIFY_THROWS_EXCEPTION(DataError, store.reorderCalls(party, {before[3].id, before[0].id}));
    QCOMPARE(shown(party), now);

    // Copies are new unused calls; a name the target has refuses the copy as a move does.
    const QList<ListStore::Call> reordered = store.calls(party);
    store.copyCalls({reordered[1].id, reordered[2].id}, b);
    QCOMPARE(shown(b), (QStringList{"B #1=0", "B #2=0", "Party #4=0", "Party #2=0"}));
    QCOMPARE(shown(party), now);
    QVERIFY_THROWS_EXCEPTION(DataError, store.copyCalls({reordered[0].id, reordered[1].id}, b));
    QCOMPARE(shown(b).size(), 4);

    // Several at once: blanks skipped, repeats told once, a bad name refuses them all.
    const ListStore::Added added = store.addCalls(b, {"Dosado", "", "  party #4 ", "Swing\r", "DOSADO", "Zoom"});
    QCOMPARE(added.ids.size(), 3);
    QCOMPARE(added.repeated, (QStringList{"party #4", "DOSADO"}));
    QCOMPARE(shown(b).mid(4), (QStringList{"Dosado=0", "Swing=0", "Zoom=0"}));
    QVERIFY_THROWS_EXCEPTION(DataError, store.addCalls(b, {"Fold", "#Hinge"}));
    QCOMPARE(shown(b).size(), 7);
}

void tst_lists::exportThatCannotBeWrittenSaysSo_data()
{
    QTest::addColumn<QString>("target"); // -o's file; empty: standard output to /dev/full
    QTest::addColumn<QString>("err");
    QTest::newRow("a full device") << "/dev/full" << "/dev/full: cannot be written: the disk is full";
    QTest::newRow("standard output full") << "" << "standard output could not be written: the disk is full";
    QTest::newRow("over the call database") << "{d}/Call_List.db" << "this is a database, not a list file";
    QTest::newRow("over the database by another path") << "{d}/./Call_List.db" << "this is a database";
    QTest::newRow("a file of the system's") << "/proc/version"
                                            << "/proc/version: cannot be written: its folder \"/proc\" takes no new file";
    QTest::newRow("an older file on a full disk") << "{full}/old.txt" << "old.txt: cannot be written: the disk is full";
}

// A failed export exits 1 naming the file and the cause, and an older file stays as it was.
void tst_lists::exportThatCannotBeWrittenSaysSo()
{
    QFETCH(QString, target);
    QFETCH(QString, err);
    TestDatabase db({list("B", 400)});
    QTemporaryDir full;
    const bool onTmpfs = target.contains("{full}");
    if (onTmpfs) {
        if (const QString refused = privileged({"mount", "-t", "tmpfs", "-o", "size=16k", "tmpfs", full.path()});
            !refused.isEmpty())
            QSKIP(qPrintable(refused));
        QFile old(full.filePath("old.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("# B\nkept\n");
        old.close();
        QFile filler(full.filePath("filler")); // the disk full but for a few bytes
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(512, 'x')) == 512 && filler.flush()) {
        }
    }
    const auto unmount = qScopeGuard([&] {
        if (onTmpfs)
            privileged({"umount", full.path()});
    });
    target.replace("{d}", db.folder()).replace("{full}", full.path());
    QProcess p;
    p.setWorkingDirectory(db.folder());
    if (target.isEmpty())
        p.setStandardOutputFile("/dev/full");
    p.start(VORLET_LISTS, target.isEmpty() ? QStringList{"export", "B"} : QStringList{"export", "B", "-o", target});
    QVERIFY(p.waitForFinished(30000));
    const QString stderrText = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(stderrText.startsWith("vorlet-lists: ") && stderrText.contains(err), qPrintable(stderrText));
    QCOMPARE(db.value("SELECT COUNT(*) FROM tblCalls").toInt(), 400);
    if (target.endsWith("old.txt")) {
        QFile old(target);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("# B\nkept\n"));
        QCOMPARE(QDir(full.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "old.txt"}));
    }
}

// The list on show replaced from the command line, one call added at the top.
void tst_lists::useAfterAReplaceMarksTheCallOnShow()
{
    TestDatabase db({list("B", 1)});
    MessageLog log;
    writeFile(db, "tonight.txt", "Circle Left\nStar Thru\nSwing\n");
    QCOMPARE(run(VORLET_LISTS, {"import", db.folder() + "/tonight.txt"}, db.folder()).status, 0);
    CallForm::Controls &c = getList("tonight");
    c.cmdStart->click();
    const QString shown = c.lblCall->text();
    writeFile(db, "tonight.txt", "Allemande Left\nCircle Left\nStar Thru\nSwing\n");
    QCOMPARE(run(VORLET_LISTS, {"import", db.folder() + "/tonight.txt", "--replace"}, db.folder()).status, 0);
    c.cmdUse->click(); // the replace kept the shown call's id: Use marks it and no other
    QCOMPARE(db.column("SELECT Call_Name FROM tblCalls WHERE Used <> 0"), QStringList{shown});
    QCOMPARE(log.messages, QStringList{});
}

void tst_lists::lockedOrReadOnlyDatabaseWritesNothing()
{
    TestDatabase db({list("B", 1)});
    ListStore store(db.path());
    Waiting::setTimeouts(100, 100);
    db.exec("BEGIN IMMEDIATE"); // another program's write lock
    try {
        store.createList("Party");
        QFAIL("written under another program's lock");
    } catch (const DataError &e) {
        QVERIFY2(e.isBusy() && e.line().contains("\"Call_List.db\"") && e.line().contains("locked")
                     && !e.line().contains('\n'),
                 qPrintable(e.line()));
    }
    // The command line waits its bounded 5 s, says so, and gives up: each line its name first, one space apart.
    const Run locked = run(VORLET_LISTS, {"import", Fixtures + "/plus-2026.txt"}, db.folder());
    QCOMPARE(locked.status, 1);
    const QStringList lines = locked.err.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith("vorlet-lists: waiting up to 5 seconds for the call database \"Call_List.db\""),
             qPrintable(lines[0]));
    QVERIFY2(lines[1].startsWith("vorlet-lists: ") && lines[1].contains("locked") && !lines[1].contains("  "),
             qPrintable(lines[1]));
    db.exec("ROLLBACK");
    QCOMPARE(db.column("SELECT List FROM tblList"), QStringList{"B"});
    store.createList("Party"); // the lock gone, the same store writes
    QCOMPARE(db.column("SELECT List FROM tblList"), (QStringList{"B", "Party"}));

    // A file nobody may write, root included: one line naming it, exit 1.
    if (const QString refused = privileged({"chattr", "+i", db.path()}); !refused.isEmpty())
        QSKIP(qPrintable(refused));
    const Run r = run(VORLET_LISTS, {"import", Fixtures + "/plus-2026.txt"}, db.folder());
    privileged({"chattr", "-i", db.path()});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("\"Call_List.db\"") && r.err.contains("read-only") && r.err.count('\n') == 1, qPrintable(r.err));
    QCOMPARE(db.column("SELECT List FROM tblList"), (QStringList{"B", "Party"}));
}

void tst_lists::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("added"); // the list it adds
    QTest::newRow("show") << QStringList{"show"} << 0 << "B\t2\t1\nP\t1\t0\nWorkshop\t1\t0\n" << "" << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "usage: vorlet-lists" << "" << "";
    QTest::newRow("export") << QStringList{"export", "b"} << 0 << "# B\nB #1\nB #2\n" << "" << "";
    QTest::newRow("export, names that will not read back")
        << QStringList{"export", "Workshop"} << 0 << "# Workshop\nWorkshop #1\n12. Zoom\n workshop #1\n"
        << "standard output: line 3: \"12. Zoom\" will read back as \"Zoom\"" << "";
    QTest::newRow("export CSV") << QStringList{"export", "P", "--csv"} << 0 << "List,Call\r\nP,P #1\r\n" << "" << "";
    QTest::newRow("import") << QStringList{"import", "{f}/mainstream-2026.txt", "--name", "MS26"} << 0
                            << "created \"MS26\" with 78 calls" << "" << "MS26";
    QTest::newRow("import by file name") << QStringList{"import", "{d}/dup.txt"} << 0 << "created \"dup\""
                                         << "dup.txt: line 2: \"swing\" repeats line 1" << "dup";
    QTest::newRow("import a taken name") << QStringList{"import", "{d}/dup.txt", "--name", "workshop"} << 1 << ""
                                         << "\"Workshop\" exists already; add --replace" << "";
    QTest::newRow("import, the file's name taken") << QStringList{"import", "{d}/p.txt"} << 1 << ""
                                                   << "\"P\" exists already; add --replace to replace its calls, or --name" << "";
    QTest::newRow("import, no name in the file's") << QStringList{"import", "{d}/.txt"} << 1 << ""
                                                   << "Call_List.db: a list needs a name, and the list takes its name "
                                                      "from the file \".txt\"; give one with --name" << "";
    QTest::newRow("import, bad file") << QStringList{"import", "{d}/nul.txt"} << 1 << "" << "nul.txt: line 1: a NUL" << "";
    QTest::newRow("import a FIFO, over 4 MB") << QStringList{"import", "{d}/fifo", "--name", "Big"} << 1 << ""
                                              << "fifo: 5242880 bytes, too large" << "";
    QTest::newRow("import CSV of two lists") << QStringList{"import", "{d}/two.csv"} << 0
                                             << "created \"Tue\" with 2 calls\ncreated \"Wed\" with 1 calls" << "" << "Tue|Wed";
    QTest::newRow("import, dry run") << QStringList{"import", "{d}/dup.txt", "--dry-run"} << 0 << "1\tcall\tSwing\n2\tduplicate of line 1\tswing\n"
                                     << "" << "";
    QTest::newRow("import CSV, a list taken") << QStringList{"import", "{d}/taken.csv"} << 1 << ""
                                              << "\"P\" exists already; add --replace" << "";
    QTest::newRow("import CSV, a later list refused: none written")
        << QStringList{"import", "{d}/half.csv"} << 1 << "" << "a list name cannot hold tabs" << "";
    QTest::newRow("import, no file") << QStringList{"import", "{d}/gone.txt"} << 1 << "" << "gone.txt: cannot be read" << "";
    QTest::newRow("import, blank name") << QStringList{"import", "{d}/dup.txt", "--name", " "} << 2 << ""
                                        << "--name needs a list name" << "";
    QTest::newRow("no such list") << QStringList{"export", "Party"} << 1 << "" << "Call_List.db: no list named \"Party\""
                                  << "";
    QTest::newRow("history of no such list") << QStringList{"history", "--list", "Party"} << 1 << ""
                                             << "Call_List.db: no list named \"Party\"" << "";
    QTest::newRow("history, no such database") << QStringList{"--db", "{d}/none.db", "history", "--list", "B"} << 1
                                               << "" << "none.db: no such call database" << "";
    QTest::newRow("a text file for the database") << QStringList{"--db", "{d}/dup.txt", "show"} << 1 << ""
                                                  << "Move it away and put a call database there (./run.sh creates the "
                                                     "default one when there is none)." << "";
    QTest::newRow("no such database") << QStringList{"--db", "{d}/none.db", "show"} << 1 << ""
                                      << "none.db: no such call database" << "";
    QTest::newRow("no command") << QStringList{} << 2 << "" << "no command given" << "";
    QTest::newRow("unknown command") << QStringList{"delete", "B"} << 2 << "" << "unknown command" << "";
    QTest::newRow("unknown option") << QStringList{"show", "--all"} << 2 << "" << "unknown option --all" << "";
    QTest::newRow("all needs CSV") << QStringList{"export", "--all"} << 2 << "" << "add --csv" << "";
}

void tst_lists::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, added);
    TestDatabase db({list("Workshop", 1), list("P", 1), list("B", 2)});
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name = 'B #2'");
    // As other tools may leave them: a numbered name, a repeated one.
    if (QTest::currentDataTag() == QLatin1String("export, names that will not read back"))
        db.exec("INSERT INTO tblCalls (Call_Name, List_ID) SELECT ?, List_ID FROM tblList WHERE List = 'Workshop' "
                "UNION ALL SELECT ?, List_ID FROM tblList WHERE List = 'Workshop'",
                {"12. Zoom", " workshop #1"});
    writeFile(db, "dup.txt", "Swing\nswing\n");
    writeFile(db, "nul.txt", QByteArray("Swing\0", 6));
    for (const char *name : {"p.txt", ".txt"})
        writeFile(db, name, "Swing\n");
    writeFile(db, "two.csv", ListFile::toCsv({{"Tue", {"Dosado", "Swing, Thru"}}, {"Wed", {"Fold"}}}));
    writeFile(db, "half.csv", ListFile::toCsv({{"Tue", {"Dosado"}}, {"Wed\tThu", {"Fold"}}}));
    writeFile(db, "taken.csv", ListFile::toCsv({{"Tue", {"Dosado"}}, {"p", {"Fold"}}}));
    args.replaceInStrings("{f}", Fixtures).replaceInStrings("{d}", db.folder());
    // A FIFO fed by a thread, as a pipe from another program would be.
    QFile fifo(db.folder() + "/fifo");
    QVERIFY(mkfifo(qPrintable(fifo.fileName()), 0600) == 0);
    std::thread feed([&] {
        if (args.contains(fifo.fileName()) && fifo.open(QIODevice::WriteOnly))
            fifo.write(QByteArray(5 * 1024 * 1024, 'x')), fifo.close();
    });
    const Run r = run(VORLET_LISTS, args, db.folder());
    feed.join();
    QCOMPARE(r.status, status);
    QVERIFY2(out.isEmpty() ? r.out.isEmpty() : r.out.contains(out), qPrintable(r.out));
    QVERIFY2(err.isEmpty() ? r.err.isEmpty()
                           : r.err.startsWith("vorlet-lists: ") && r.err.contains(err)
                                 && r.err.count('\n') == r.err.count("vorlet-lists: "),
             qPrintable(r.err));
    const QStringList before{"Workshop", "P", "B"};
    QCOMPARE(db.column("SELECT List FROM tblList ORDER BY List_ID"), added.isEmpty() ? before : before + added.split('|'));
}

void tst_lists::windowDrivesTheLists()
{
    TestDatabase db({list("B", 1), list("Party", 2)});
    MessageLog log;
    frmMain::instance().show();
    QTest::mouseClick(frmMain::instance().ui().cmdLists, Qt::LeftButton);
    Lists &lists = Lists::instance();
    Lists::Controls &c = lists.ui();
    QVERIFY(lists.isShown());
    QCOMPARE(cells(c.lists), (QStringList{"B", "Party"}));
    QCOMPARE(cells(c.calls), QStringList{"B #1"});

    QStringList asked;
    QStringList answers;
    lists.prompts.text = [&](const QString &label, const QString &) -> std::optional<QString> {
        asked.append(label);
        return answers.isEmpty() ? std::nullopt : std::optional<QString>(answers.takeFirst());
    };
    lists.prompts.confirm = [&](const QString &question) {
        asked.append(question);
        return true;
    };
    lists.prompts.lines = lists.prompts.text;
    lists.prompts.preview = [](const ListFile::Preview &preview, const QString &) { return std::optional(preview); };

    answers = {"Tuesday", "Dosado", "Swing"};
    QTest::mouseClick(c.cmdNewList, Qt::LeftButton);
    QTest::mouseClick(c.cmdAddCall, Qt::LeftButton);
    QTest::mouseClick(c.cmdAddCall, Qt::LeftButton);
    QCOMPARE(cells(c.lists), (QStringList{"B", "Party", "Tuesday"}));
    QCOMPARE(cells(c.calls), (QStringList{"Dosado", "Swing"}));
    QCOMPARE(cells(frmMain::instance().ui().box_List->model()), (QStringList{"B", "Party", "Tuesday"})); // the main window follows

    // Used marks: the button and the box in the row both reach the database.
    QTest::mouseClick(c.cmdUsed, Qt::LeftButton);
    c.tblCalls->setCurrentIndex(c.calls->index(0, 1));
    QTest::keyClick(c.tblCalls, Qt::Key_Space);
    QCOMPARE(db.column("SELECT Used FROM tblCalls WHERE Call_Name IN ('Dosado', 'Swing') ORDER BY Call_ID"),
             (QStringList{"1", "1"}));
    QCOMPARE(cells(c.lists, 2).last(), QStringLiteral("2"));
    answers = {"Swing Thru"};
    const QPoint second = c.tblCalls->visualRect(c.calls->index(1, 0)).center();
    QTest::mouseClick(c.tblCalls->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(c.tblCalls->viewport(), Qt::LeftButton, {}, second);
    QCOMPARE(cells(c.calls), (QStringList{"Dosado", "Swing Thru"}));
    c.tblCalls->setCurrentIndex(c.calls->index(0, 0));
    QTest::keyClick(c.tblCalls, Qt::Key_Delete);
    QCOMPARE(asked.last(), QStringLiteral("Delete \"Dosado\" from \"Tuesday\"?"));
    QCOMPARE(cells(c.calls), QStringList{"Swing Thru"});

    answers = {"  "};
    QTest::mouseClick(c.cmdNewList, Qt::LeftButton);
    QCOMPARE(log.messages.takeLast(), QStringLiteral("A list needs a name."));
    answers = {"Thursday"};
    QTest::mouseClick(c.cmdRenameList, Qt::LeftButton);
    QCOMPARE(cells(frmMain::instance().ui().box_List->model()), (QStringList{"B", "Party", "Thursday"}));
    c.tblLists->setCurrentIndex(c.lists->index(1, 0));
    QTest::mouseClick(c.cmdDeleteList, Qt::LeftButton);
    QCOMPARE(asked.last(), QStringLiteral("Delete the list \"Party\" and its 2 calls?"));
    QCOMPARE(cells(c.lists), (QStringList{"B", "Thursday"}));

    // A dropped file becomes a list; answered "replace", it replaces one.
    const QString file = writeFile(db, "thursday.txt", "Fold\r\nswing thru\r\n");
    for (int round = 0; round < 2; ++round) {
        answers = {round == 0 ? "Class" : "thursday"};
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(c.tblLists->window(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(c.tblLists->window(), &drop);
    }
    QCOMPARE(log.messages, (QStringList{"2 calls imported into \"Class\".",
                                         "2 calls imported into \"Thursday\"."}));
    QCOMPARE(cells(c.lists), (QStringList{"B", "Class", "Thursday"}));
    QCOMPARE(cells(c.lists, 2), (QStringList{"0", "0", "1"})); // "swing thru" kept its mark
    QVERIFY(asked.last().startsWith("A list named \"Thursday\" exists already. Replace its 1 call with"));

    // Export writes the file the caller names, in the format its ending says.
    lists.prompts.file = [&](const QString &, const QString &, bool, const QString &suggested) {
        return db.folder() + "/" + suggested;
    };
    QTest::mouseClick(c.cmdExport, Qt::LeftButton);
    QFile exported(db.folder() + "/Thursday.txt");
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(exported.readAll(), QByteArray("# Thursday\nswing thru\nFold\n"));
}

void tst_lists::windowShapesTheCalls()
{
    TestDatabase db({list("B", 1), list("Party", 4)});
    MessageLog log;
    frmMain::instance().show();
    QTest::mouseClick(frmMain::instance().ui().cmdLists, Qt::LeftButton);
    Lists &lists = Lists::instance();
    Lists::Controls &c = lists.ui();
    QStringList answers;
    lists.prompts.text = [&](const QString &, const QString &) -> std::optional<QString> {
        return answers.isEmpty() ? std::nullopt : std::optional<QString>(answers.takeFirst());
    };
    lists.prompts.lines = lists.prompts.text;
    lists.window()->activateWindow(); // Ctrl+F is the window's shortcut
    QVERIFY(QTest::qWaitForWindowActive(lists.window()));
    lists.prompts.pick = [&](const QString &, const QStringList &items) -> std::optional<QString> {
        return items.value(0);
    };
    c.tblLists->setCurrentIndex(c.lists->index(1, 0));
    const auto partyFile = [&] {
        return db.column("SELECT Call_Name FROM tblCalls JOIN tblList USING (List_ID) WHERE List = 'Party' "
                         "ORDER BY Call_ID");
    };

    // Ctrl+Down, then a drop before the first row; the file and the table agree, the moved call stays chosen.
    c.tblCalls->setCurrentIndex(c.calls->index(0, 0));
    QTest::keyClick(c.tblCalls, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(partyFile(), (QStringList{"Party #2", "Party #1", "Party #3", "Party #4"}));
    c.tblCalls->selectionModel()->select(c.calls->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::unique_ptr<QMimeData> rows(c.calls->mimeData({c.calls->index(1, 0)}));
    QCOMPARE(c.calls->supportedDragActions(), Qt::CopyAction); // a move would have the view take the rows out itself
    const QPoint top = c.tblCalls->visualRect(c.calls->index(0, 0)).center();
    QDragEnterEvent enter(top, Qt::CopyAction, rows.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(c.tblCalls->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(top, Qt::CopyAction, rows.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(c.tblCalls->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(partyFile(), (QStringList{"Party #1", "Party #4", "Party #2", "Party #3"}));
    QCOMPARE(cells(c.calls), partyFile());
    QCOMPARE(c.tblCalls->selectionModel()->selectedRows().size(), 2);

    // A search hides the others and says how many match; Ctrl+Up then passes over hidden calls.
    QTest::keyClick(c.tblCalls, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), c.txtSearch);
    QTest::keyClicks(c.txtSearch, "3");
    QCOMPARE(c.lblFound->text(), QStringLiteral("1 of 4"));
    QCOMPARE(cells(c.calls).size() - c.tblCalls->verticalHeader()->hiddenSectionCount(), 1);
    c.tblCalls->setCurrentIndex(c.calls->index(3, 0));
    QTest::keyClick(c.tblCalls, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(partyFile(), (QStringList{"Party #1", "Party #4", "Party #2", "Party #3"})); // alone among the shown
    c.txtSearch->setText("#");
    QCOMPARE(c.lblFound->text(), QStringLiteral("4 of 4"));
    c.txtSearch->clear();
    QCOMPARE(cells(c.lists, 1), (QStringList{"1", "4"})); // counts stay those of the whole list

    // Several calls pasted at once, a repeat told; copied to B; F2 renames.
    QGuiApplication::clipboard()->setText("Dosado\n\nparty #1\nSwing\n");
    QTest::keyClick(c.tblCalls, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(partyFile().mid(4), (QStringList{"Dosado", "Swing"}));
    QCOMPARE(log.messages.takeLast(), QStringLiteral("Already in \"Party\", not added again:\n\nparty #1"));
    QTest::mouseClick(c.cmdCopyCalls, Qt::LeftButton);
    QCOMPARE(db.column("SELECT Call_Name FROM tblCalls WHERE List_ID = (SELECT List_ID FROM tblList WHERE List = 'B') "
                       "ORDER BY Call_ID"),
             (QStringList{"B #1", "Dosado", "Swing"}));
    QCOMPARE(cells(c.lists, 1), (QStringList{"3", "6"}));
    answers = {"Swing Thru", "Club"};
    c.tblCalls->setCurrentIndex(c.calls->index(5, 0));
    QTest::keyClick(c.tblCalls, Qt::Key_F2);
    QCOMPARE(partyFile().last(), QStringLiteral("Swing Thru"));
    QCOMPARE(c.calls->index(5, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Swing Thru"));
    QTest::keyClick(c.tblLists, Qt::Key_F2);
    QCOMPARE(cells(c.lists), (QStringList{"B", "Club"}));
    QCOMPARE(c.lists->index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Club"));
}

void tst_lists::countsAfterEachKindOfChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("Use in the Calls window") << "use";
    QTest::newRow("Reset in the Calls window") << "reset";
    QTest::newRow("toggle in Progress") << "progress";
    QTest::newRow("vorlet-lists in another process") << "cli";
}

void tst_lists::countsAfterEachKindOfChange()
{
    QFETCH(QString, change);
    TestDatabase db({list("B", 3), list("Party", 4)});
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name IN ('B #2', 'Party #1')");
    MessageLog log;
    log.answer = true;
    CallForm::Controls &calls = getList("B");
    QTest::mouseClick(frmMain::instance().ui().cmdLists, Qt::LeftButton);
    Lists &lists = Lists::instance();
    Lists::Controls &c = lists.ui();
    auto fromFile = [&] {
        QStringList rows = db.column("SELECT List || ' ' || COUNT(Call_ID) || '/' || SUM(Used = 1) FROM tblList "
                                     "JOIN tblCalls USING (List_ID) GROUP BY List_ID");
        rows.sort();
        return rows;
    };
    auto shown = [&] {
        QStringList rows;
        for (int i = 0; i < c.lists->rowCount(); ++i)
            rows << cells(c.lists)[i] + ' ' + cells(c.lists, 1)[i] + '/' + cells(c.lists, 2)[i];
        rows.sort();
        return rows;
    };
    QCOMPARE(shown(), (QStringList{"B 3/1", "Party 4/1"}));
    // Settled: its coming to the front re-reads, and must not hide a missed notice.
    QVERIFY(QTest::qWaitForWindowActive(lists.window()));
    QCoreApplication::processEvents();

    if (change == "use") {
        calls.cmdStart->click();
        calls.cmdUse->click();
    } else if (change == "reset") {
        Progress::instance().showList("Party");
        calls.cmdReset->click();
        QCOMPARE(Progress::instance().ui().lblHeadline->text(), "0 of 4 used");
    } else if (change == "progress") {
        Progress::instance().showList("Party");
        Progress::Controls &p = Progress::instance().ui();
        p.grdCalls->setCurrentIndex(p.filter->index(2, 0));
        QTest::keyClick(p.grdCalls, Qt::Key_Space);
    } else {
        const QString file = writeFile(db, "tonight.txt", "Dosado\nSwing\n");
        QCOMPARE(run(VORLET_LISTS, {"import", file}, db.folder()).status, 0);
        calls.cmdUse->window()->activateWindow(); // away and back again
        QVERIFY(QTest::qWaitForWindowActive(calls.cmdUse->window()));
        lists.window()->activateWindow();
    }
    const QStringList expected = fromFile();
    QVERIFY(expected != (QStringList{"B 3/1", "Party 4/1"}));
    QTRY_COMPARE(shown(), fromFile());
}

QTEST_MAIN(tst_lists)
#include "tst_lists.moc"
