// The use history beside the call database and the "Progress" window over it.
#include "ui/editor/CallEdit.h"
#include "core/history/History.h"
#include "ui/hall/Hall.h"
#include "ui/history/Progress.h"
#include "ui/history/ProgressModel.h"
#include "ui/kit/FileDialogs.h"
#include "ui/lists/Lists.h"
#include "testsupport.h"

#include <QHeaderView>

#include <QPrinter>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStandardPaths>
#include <QSqlDatabase>
#include <QStandardItemModel>
#include <QTableView>

namespace {
// The history file through a connection of the test's own, open while this lives.
struct HistoryFile
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-history"));
    HistoryFile() { db.setDatabaseName(History::path()), db.open(); }
    ~HistoryFile() { db.close(), db = {}, QSqlDatabase::removeDatabase(QStringLiteral("test-history")); }
    QVariant exec(const QString &sql)
    {
        QSqlQuery q(db);
        return q.exec(sql) ? (q.next() ? q.value(0) : QVariant(true)) : QVariant();
    }
};

void doubleClick(QTableView *view, int row)
{
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    // A person's double click: a click, then the second press that makes it double.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}
} // namespace

class tst_history : public QObject
{
    Q_OBJECT

private slots:
    void usesAreRecordedFollowedAndOutliveReset();
    void unwritableHistoryLeavesTheMarkUnset_data();
    void unwritableHistoryLeavesTheMarkUnset();
    void progressCountsFiltersSortsAndToggles();
    void exportsCsvAndPaginatedPdf();
    void fileDialogsStartWhereTheLastEnded_data();
    void fileDialogsStartWhereTheLastEnded();
    void listsWindowAndCommandLine();
};

void tst_history::usesAreRecordedFollowedAndOutliveReset()
{
    TestDatabase db({list("B", 2), list("A1", 3)});
    MessageLog log;
    QVERIFY(!QFile::exists(History::path())); // created on first need only
    CallForm::Controls &c = getList("A1");
    QTest::mouseClick(c.cmdProgress, Qt::LeftButton);
    Progress::Controls &p = Progress::instance().ui();
    QVERIFY(Progress::instance().isShown());
    QCOMPARE(p.cboList->currentText(), "A1");
    QTest::mouseClick(p.optUnused, Qt::LeftButton);
    for (int used = 1; used <= 3; ++used) { // the "Progress" window follows each draw and use
        QTest::mouseClick(c.cmdStart, Qt::LeftButton);
        const QModelIndex current = p.grdCalls->currentIndex();
        QCOMPARE(current.data().toString(), c.lblCall->text());
        QVERIFY(current.data(Qt::FontRole).value<QFont>().bold());
        QTest::mouseClick(c.cmdUse, Qt::LeftButton);
        QCOMPARE(p.lblHeadline->text(), QString("%1 of 3 used").arg(used));
        QCOMPARE(p.filter->rowCount(), 3 - used);
    }
    const QString first = History::records().value(0).call;
    QCOMPARE(db.value("SELECT Used FROM tblCalls WHERE Call_Name = ?", {first}).toInt(), 1);

    // The call editor's marks are recorded too, but only a change to 1.
    db.exec("UPDATE tblCalls SET Call_Name = 'Renamed' WHERE Call_Name = ?", {first});
    CallEdit::instance().show();
    CallEdit::Controls &e = CallEdit::instance().ui();
    for (const char *value : {"1", "0", "0"}) { // B #1: marked, cleared, left
        e.txtFields[1]->clear();
        QTest::keyClicks(e.txtFields[1], QString::fromLatin1(value));
        QTest::mouseClick(e.cmdUpdate, Qt::LeftButton);
    }
    CallEdit::instance().unload();
    QTest::mouseClick(c.cmdReset, Qt::LeftButton);
    QCOMPARE(log.messages, QStringList{"All calls have been used.  Please reset."});
    QCOMPARE(used(db), 0);
    QCOMPARE(p.lblHeadline->text(), "0 of 3 used");
    QCOMPARE(p.filter->rowCount(), 3);

    const QList<History::Record> records = History::records();
    QCOMPARE(records.size(), 4); // the first by the name it was called, not as renamed since
    QCOMPARE(records[0].list + records[0].call + records[3].list + records[3].call, "A1" + first + "BB #1");
    static const QRegularExpression iso(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$)");
    QVERIFY2(iso.match(records[0].date).hasMatch(), qPrintable(records[0].date));
    const QDateTime at = QDateTime::fromString(records[0].date, Qt::ISODate);
    QCOMPARE(at.offsetFromUtc(), QDateTime::currentDateTime().offsetFromUtc());
    QVERIFY(qAbs(at.secsTo(QDateTime::currentDateTime())) < 60);
    QCOMPARE(HistoryFile().exec("PRAGMA user_version").toInt(), History::Version);

    // Closed, its window goes later than its controls: a draw and a Use meanwhile are no harm.
    Progress::instance().unload();
    QTest::mouseClick(c.cmdStart, Qt::LeftButton);
    QTest::mouseClick(c.cmdUse, Qt::LeftButton);
    QCOMPARE(History::records().size(), 5);
}

void tst_history::unwritableHistoryLeavesTheMarkUnset_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");
    QTest::newRow("folder in its place") << "folder" << "is not a file";
    QTest::newRow("not a database") << "corrupt" << "not a database";
    QTest::newRow("newer version") << "newer" << "newer version";
    QTest::newRow("locked by another connection") << "locked" << "locked";
}

void tst_history::unwritableHistoryLeavesTheMarkUnset()
{
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    TestDatabase db({list("B", 3)});
    MessageLog log;
    std::unique_ptr<HistoryFile> holder;
    if (fault == "folder") {
        QVERIFY(QDir(db.folder()).mkdir(History::FileName));
    } else if (fault == "corrupt") {
        QFile f(History::path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else {
        holder = std::make_unique<HistoryFile>();
        History::attach(holder->db);
        QVERIFY(holder->exec("DETACH DATABASE hist").isValid());
        // A writer of its own: the history can be read but not written meanwhile.
        QVERIFY(holder->exec(fault == "newer" ? "PRAGMA user_version = 2" : "BEGIN IMMEDIATE").isValid());
        dataCall::instance().setTimeouts(300, 300);
    }
    const QString where = QDir::toNativeSeparators(History::path());
    auto toldOnce = [&] { // empty when told once of the file and the cause, else what was told
        const QStringList said = std::exchange(log.messages, {});
        return said.size() == 1 && said[0].contains(where) && said[0].contains(cause) ? QString() : said.join('|') + '.';
    };

    // "&Use": not applied, told; drawing goes on.
    CallForm::Controls &c = getList("B");
    QTest::mouseClick(c.cmdStart, Qt::LeftButton);
    const QString drawn = c.lblCall->text();
    QTest::mouseClick(c.cmdUse, Qt::LeftButton);
    QCOMPARE(toldOnce(), QString());
    QCOMPARE(c.lblCall->text(), drawn);
    QTest::mouseClick(c.cmdStart, Qt::LeftButton);
    QVERIFY(log.messages.isEmpty());
    QCOMPARE(c.lblCallsLeft->text(), "3");

    // The "Progress" window shows the marks, tells once, and refuses a toggle.
    Progress::instance().showList("B");
    if (fault != "locked")
        QCOMPARE(toldOnce(), QString());
    Progress::Controls &p = Progress::instance().ui();
    QCOMPARE(p.lblHeadline->text(), "0 of 3 used");
    doubleClick(p.grdCalls, 0);
    QCOMPARE(toldOnce(), QString());

    // The call editor keeps its row unwritten.
    CallEdit::instance().show();
    QTest::keyClicks(CallEdit::instance().ui().txtFields[1], "1");
    QTest::mouseClick(CallEdit::instance().ui().cmdUpdate, Qt::LeftButton);
    QCOMPARE(toldOnce(), QString());
    QCOMPARE(used(db), 0);
}

void tst_history::progressCountsFiltersSortsAndToggles()
{
    TestDatabase db({list("B", 2), list("A1", 5)});
    MessageLog log;
    Progress::instance().showList("A1");
    Progress::Controls &p = Progress::instance().ui();
    QCOMPARE(p.lblHeadline->text(), "0 of 5 used");

    // Two ticked off from the view, one of them unticked again: the history keeps both ticks.
    p.grdCalls->setFocus();
    doubleClick(p.grdCalls, 3);
    p.grdCalls->setCurrentIndex(p.filter->index(1, 0));
    QTest::keyClick(p.grdCalls, Qt::Key_Space);
    doubleClick(p.grdCalls, 4);
    doubleClick(p.grdCalls, 4);
    QCOMPARE(p.lblHeadline->text(), "2 of 5 used");
    QCOMPARE(db.column("SELECT Call_Name FROM tblCalls WHERE Used = 1 ORDER BY Call_ID"),
             (QStringList{"A1 #2", "A1 #4"}));
    QCOMPARE(History::records("A1").size(), 3);
    QCOMPARE(cells(p.filter, 1)[4] + cells(p.filter, 2)[4], "No1");
    QCOMPARE(cells(p.filter, 3)[3].left(10), QDate::currentDate().toString(Qt::ISODate));

    const QList<std::tuple<QRadioButton *, QString, QStringList>> cases = {
        {p.optUnused, "", {"A1 #1", "A1 #3", "A1 #5"}},
        {p.optUsed, "", {"A1 #2", "A1 #4"}},
        {p.optAll, "#4", {"A1 #4"}},
        {p.optUnused, "#4", {}},
        {p.optAll, "", {"A1 #1", "A1 #2", "A1 #3", "A1 #4", "A1 #5"}},
    };
    for (const auto &[show, text, expected] : cases) {
        QTest::mouseClick(show, Qt::LeftButton);
        p.txtFilter->clear();
        QTest::keyClicks(p.txtFilter, text);
        QCOMPARE(cells(p.filter), expected);
    }

    // The ticks of #4, #2 and #5 a month ago in that order, #1 called yesterday; #3 renamed.
    HistoryFile file;
    QVERIFY(file.exec("UPDATE tblHistory SET Used_UTC = '2026-11-0' || Record_ID || 'T18:00:00.000Z'").isValid());
    QVERIFY(file.exec("INSERT INTO tblHistory (Call_ID, Call_Name, List, Used_At, Used_UTC) VALUES "
                      "(0, 'A1 #1', 'A1', '2026-12-06T19:00:00+01:00', '2026-12-06T18:00:00.000Z')").isValid());
    db.exec("UPDATE tblCalls SET Call_Name = 'a1 #0' WHERE Call_Name = 'A1 #3'");
    Progress::instance().refresh();
    p.cboSort->setCurrentIndex(Progress::ByLastCalled);
    QCOMPARE(cells(p.filter), (QStringList{"A1 #1", "A1 #5", "A1 #2", "A1 #4", "a1 #0"}));
    QCOMPARE(cells(p.filter, 3)[0], "2026-12-06 19:00");
    p.cboSort->setCurrentIndex(Progress::ByName);
    QCOMPARE(cells(p.filter), (QStringList{"a1 #0", "A1 #1", "A1 #2", "A1 #4", "A1 #5"}));
    p.cboSort->setCurrentIndex(Progress::ByStoredOrder);
    QCOMPARE(cells(p.filter), (QStringList{"A1 #1", "A1 #2", "a1 #0", "A1 #4", "A1 #5"}));
    p.cboSort->setCurrentIndex(Progress::ByTimesCalled);
    QCOMPARE(cells(p.filter), (QStringList{"A1 #1", "A1 #2", "A1 #4", "A1 #5", "a1 #0"}));
    // A click on a column's head: "Sort by" says what the view is sorted by.
    QHeaderView *head = p.grdCalls->horizontalHeader();
    auto clickHead = [head](int column) {
        QTest::mouseClick(head->viewport(), Qt::LeftButton, {},
                          QPoint(head->sectionViewportPosition(column) + head->sectionSize(column) / 2, head->height() / 2));
    };
    for (const auto &[column, sortBy] : {std::pair{ProgressModel::CallColumn, "Name"},
                                         std::pair{ProgressModel::TimesColumn, "Times called"},
                                         std::pair{ProgressModel::LastColumn, "Last called"}}) {
        clickHead(column);
        QCOMPARE(p.cboSort->currentText(), QString::fromLatin1(sortBy));
        QCOMPARE(p.filter->sortColumn(), int(column));
    }

    p.cboList->setCurrentText("B");
    QCOMPARE(p.lblHeadline->text(), "0 of 2 used");
    QVERIFY(log.messages.isEmpty());
}

void tst_history::exportsCsvAndPaginatedPdf()
{
    CallDatabase::CallList odd = list("P", 130);
    odd.calls[0] = "Swing \"Thru\", Left";
    const QString longName = "Spin Chain and Exchange the Gears from a Tidal Wave, then Scoot Chain Thru "
                             "to a Left-Hand Column and Trade Circulate Twice";
    odd.calls[1] = longName;
    TestDatabase db({odd});
    MessageLog log;
    Progress::instance().showList("P");
    Progress::Controls &p = Progress::instance().ui();
    doubleClick(p.grdCalls, 0);
    const QString folder = db.folder() + "/";

    auto read = [](const QString &file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    QString next; // the file each dialog answers
    FileDialogs::setAnswerer([&](const QString &) { return next; });
    const auto real = qScopeGuard([] { FileDialogs::setAnswerer({}); });
    next = folder + "view.csv";
    QTest::mouseClick(p.cmdCsv, Qt::LeftButton);
    QVERIFY(read(folder + "view.csv")
                .startsWith("\"Call\",\"Used\",\"Times called\",\"Last called\"\r\n"
                            "\"Swing \"\"Thru\"\", Left\",\"Yes\",\"1\",\"" + QDate::currentDate().toString(Qt::ISODate)));
    next = folder + "history.csv";
    QTest::mouseClick(p.cmdHistoryCsv, Qt::LeftButton);
    const QStringList lines = read(folder + "history.csv").split("\r\n");
    QCOMPARE(lines.size(), 3); // head, one record, and the empty rest after the last CRLF
    QCOMPARE(lines[0], "\"Date\",\"List\",\"Call\",\"Source\"");
    QVERIFY(lines[1].endsWith(",\"P\",\"Swing \"\"Thru\"\", Left\",\"\""));

    // A file that cannot be written is named and nothing is claimed.
    next = folder + "no/such/folder.csv";
    QTest::mouseClick(p.cmdCsv, Qt::LeftButton);
    QCOMPARE(log.messages.size(), 1);
    QVERIFY(log.messages[0].contains(QDir::toNativeSeparators(folder + "no/such/folder.csv")));

    next = folder + "view.pdf";
    QTest::mouseClick(p.cmdPdf, Qt::LeftButton);
    QPrinter printer(QPrinter::HighResolution);
    const int perPage = ProgressPrint::rowsPerPage(printer);
    QVERIFY(perPage > 10 && perPage < 130);
    const Run info = run("pdfinfo", {folder + "view.pdf"});
    QCOMPARE(info.status, 0);
    const int count = QRegularExpression(R"(Pages:\s+(\d+))").match(info.out).captured(1).toInt();
    QCOMPARE(count, (130 + perPage - 1) / perPage);
    const QString words = run("pdftotext", {folder + "view.pdf", "-"}).out;
    QCOMPARE(words.count("Times called"), count); // the column heads on every page
    QCOMPARE(words.count("1 of 130 used"), count);
    QVERIFY(words.contains("P #130"));
    for (const QString &word : longName.split(' ')) // wrapped, not cut short
        QVERIFY2(words.contains(word), qPrintable(word));
    QVERIFY(!words.contains(QChar(0x2026)));
    QCOMPARE(wordsNearEdge(folder + "view.pdf", 10), QStringList());
}

void tst_history::fileDialogsStartWhereTheLastEnded_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("lists import") << "cmdImport";
    QTest::newRow("lists export") << "cmdExport";
    QTest::newRow("lists export all") << "cmdExportAll";
    QTest::newRow("progress view csv") << "cmdCsv";
    QTest::newRow("progress history csv") << "cmdHistoryCsv";
    QTest::newRow("progress pdf") << "cmdPdf";
    QTest::newRow("hall pdf") << "cmdSavePdf";
}

void tst_history::fileDialogsStartWhereTheLastEnded()
{
    QFETCH(QString, button);
    TestDatabase db({list("B", 2)});
    MessageLog log;
    Lists::instance().show();
    Lists::instance().ui().tblLists->setCurrentIndex(Lists::instance().ui().lists->index(0, 0));
    Progress::instance().showList("B");
    Hall::instance().show();
    Hall::Controls &h = Hall::instance().ui();
    for (int i = 1; i <= 8; ++i) {
        h.txtName->setText(QStringLiteral("Couple %1").arg(i));
        QTest::keyClick(h.txtName, Qt::Key_Return);
    }
    h.spnAhead->setValue(1);
    QPushButton *press = nullptr;
    for (QWidget *w : {Lists::instance().ui().tblLists->window(), Progress::instance().ui().cmdClose->window(), h.txtName->window()})
        press = press ? press : w->findChild<QPushButton *>(button);
    QVERIFY(press && press->isEnabled());

    QStringList starts;
    const QString picked = db.folder() + "/picked";
    QVERIFY(QDir().mkpath(picked));
    FileDialogs::setAnswerer([&](const QString &start) {
        starts << start;
        return picked + "/file.csv";
    });
    const auto real = qScopeGuard([] { FileDialogs::setAnswerer({}); });
    QTest::mouseClick(press, Qt::LeftButton);
    QTest::mouseClick(press, Qt::LeftButton);
    QCOMPARE(starts.size(), 2);
    auto folderOf = [&](const QString &start) { return QFileInfo(start).isDir() ? start : QFileInfo(start).absolutePath(); };
    // At first the Documents folder (home when there is none), never the working directory.
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    documents = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    QCOMPARE(folderOf(starts[0]), documents);
    QVERIFY(folderOf(starts[0]) != QDir::currentPath());
    QCOMPARE(folderOf(starts[1]), picked);
    QVERIFY(QDir(picked).removeRecursively()); // a kept folder that is gone
    QTest::mouseClick(press, Qt::LeftButton);
    QCOMPARE(folderOf(starts.value(2)), documents);
}

void tst_history::listsWindowAndCommandLine()
{
    CallDatabase::CallList b = list("B", 2);
    b.calls[0] = "Star \"Thru\", Left";
    TestDatabase db({list("A1", 2), b});
    MessageLog log;

    // Marked in the Lists window: recorded once; cleared again: nothing more.
    Lists::instance().show();
    Lists::Controls &l = Lists::instance().ui();
    l.tblLists->setCurrentIndex(l.lists->index(0, 0)); // "B", the level lists first
    l.tblCalls->setCurrentIndex(l.calls->index(0, 0));
    QTest::mouseClick(l.cmdUsed, Qt::LeftButton);
    QTest::mouseClick(l.cmdUsed, Qt::LeftButton);
    QCOMPARE(used(db), 0);
    QTest::mouseClick(l.cmdProgress, Qt::LeftButton);
    QCOMPARE(Progress::instance().ui().cboList->currentText(), "B");
    QCOMPARE(Progress::instance().ui().filter->index(0, ProgressModel::TimesColumn).data().toString(), "1");
    QVERIFY(log.messages.isEmpty());

    QVERIFY(HistoryFile().exec("INSERT INTO tblHistory (Call_ID, Call_Name, List, Used_At, Used_UTC) VALUES "
                               "(1, 'A1 #1', 'A1', '2026-01-05T19:00:00+01:00', '2026-01-05T18:00:00.000Z')").isValid());
    const QString today = History::records("B").value(0).date;
    QVERIFY(!today.isEmpty());

    const QString star = "B\tStar \"Thru\", Left\n";
    const QList<std::tuple<QStringList, int, QString>> cases = {
        {{"history"}, 0, "2026-01-05T19:00:00+01:00\tA1\tA1 #1\n" + today + '\t' + star},
        {{"history", "--list", "B"}, 0, today + '\t' + star},
        {{"history", "--since", "2026-02-01"}, 0, today + '\t' + star},
        {{"history", "--list=A1", "--csv"}, 0, "\"Date\",\"List\",\"Call\",\"Source\"\r\n\"2026-01-05T19:00:00+01:00\",\"A1\",\"A1 #1\",\"\"\r\n"},
        {{"history", "--csv", "--since", "2026-02-01"}, 0,
         "\"Date\",\"List\",\"Call\",\"Source\"\r\n\"" + today + "\",\"B\",\"Star \"\"Thru\"\", Left\",\"\"\r\n"},
        {{"history", "--since", "2026-13-01"}, 2, ""},
        {{"--db", "elsewhere/Call_List.db", "history"}, 0, ""}, // no history there yet: nothing
    };
    QDir(db.folder()).mkdir("elsewhere");
    for (const auto &[args, status, out] : cases) {
        const Run r = run(VORLET_LISTS, args, db.folder());
        QCOMPARE(r.status, status);
        QCOMPARE(r.out, out);
    }
}

QTEST_MAIN(tst_history)
#include "tst_history.moc"
