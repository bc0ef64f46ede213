// The "Sequences" window over a real call database and the caller's sequence
// files, held against what vorlet-lists prints for the same files.
#include "core/sequences/LoadedSequences.h"
#include "ui/history/Progress.h"
#include "ui/history/ProgressModel.h"
#include "ui/lists/Lists.h"
#include "ui/sequences/Sequences.h"
#include "core/history/History.h"
#include "testsupport.h"

#include <QListWidget>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>

namespace {
const QString ListsTool = QStringLiteral(VORLET_LISTS);

// Each control's mnemonic letter; a letter twice in one window is a fault.
QStringList repeatedMnemonics(QWidget *window)
{
    QStringList seen, repeated;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(w))
            text = l->text();
        const qsizetype at = text.remove(QStringLiteral("&&")).indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= text.size() || !w->isVisibleTo(window))
            continue;
        const QString letter = text.mid(at + 1, 1).toLower();
        (seen.contains(letter) ? repeated : seen).append(letter);
    }
    return repeated;
}

// The view's rows as the tool prints them: name, tab, count, tab, first use.
QStringList rows(const QAbstractItemModel *view)
{
    QStringList out;
    for (int r = 0; r < view->rowCount(); ++r)
        out.append(cells(view, 0)[r] + QLatin1Char('\t') + cells(view, 1)[r] + QLatin1Char('\t') + cells(view, 2)[r]);
    return out;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}
} // namespace

class tst_sequences_window : public QObject
{
    Q_OBJECT

private slots:
    void againstTheTool_data();
    void againstTheTool();
    void badFileMarkupAndMarking();
};

void tst_sequences_window::againstTheTool_data()
{
    QTest::addColumn<bool>("fromProgress");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("Lists, an Sd file") << false << "Plus 2026" << QStringList{"sequence.Plus"};
    QTest::newRow("Progress, Sd and plain") << true << "Mainstream 2026"
                                            << QStringList{"sequence.MS", "squaredesk-test001.txt"};
}

void tst_sequences_window::againstTheTool()
{
    QFETCH(bool, fromProgress);
    QFETCH(QString, list);
    QFETCH(QStringList, files);
    TestDatabase db(defaultLists());
    MessageLog log;
    QStringList paths;
    for (const QString &f : std::as_const(files)) {
        paths.append(db.folder() + QLatin1Char('/') + f);
        QVERIFY(QFile::copy(QStringLiteral(VORLET_FIXTURES "/sequences/") + f, paths.last()));
    }

    // Opened from either window on its chosen list; the button is the opener's last stop.
    QWidget *opener = nullptr;
    if (fromProgress) {
        Progress::instance().showList(list);
        opener = Progress::instance().ui().cmdSequences;
    } else {
        Lists::instance().show();
        Lists::Controls &l = Lists::instance().ui();
        l.tblLists->setCurrentIndex(l.lists->match(l.lists->index(0, 0), Qt::DisplayRole, list).value(0));
        opener = l.cmdSequences;
    }
    QCOMPARE(tabOrder(opener->window()).constLast(), QStringLiteral("cmdSequences"));
    QVERIFY(pressAccessibly(opener));
    Sequences::Controls &c = Sequences::instance().ui();
    QVERIFY(Sequences::instance().isShown());
    QCOMPARE(c.cboList->currentText(), list);
    for (QWidget *w : {opener->window(), c.cmdClose->window()})
        QCOMPARE(repeatedMnemonics(w), QStringList());

    // Nothing loaded: Progress has its four columns.
    Progress::instance().showList(list);
    Progress::Controls &p = Progress::instance().ui();
    QCOMPARE(p.filter->columnCount(), int(ProgressModel::ColumnCount));

    Sequences::nextFileNames() = paths;
    QTest::mouseClick(c.cmdAdd, Qt::LeftButton);
    QCOMPARE(c.lstFiles->count(), files.size());
    const Run tool = run(ListsTool, QStringList{"coverage", "--list", list} + files, db.folder());
    QCOMPARE(tool.status, 0);
    QCOMPARE(rows(c.grdCoverage->model()), tool.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    QCOMPARE(c.unrecognised->rowCount(), int(tool.err.count(QStringLiteral(": not recognised: "))));

    // The filters against the tool's --unused.
    const QStringList unused =
        run(ListsTool, QStringList{"coverage", "--unused", "--list", list} + files, db.folder()).out.split('\n', Qt::SkipEmptyParts);
    QTest::mouseClick(c.optUnused, Qt::LeftButton);
    QCOMPARE(cells(c.grdCoverage->model()), unused);
    QTest::mouseClick(c.optUsed, Qt::LeftButton);
    QVERIFY(c.grdCoverage->model()->rowCount() > 0 && !unused.isEmpty());
    QCOMPARE(c.grdCoverage->model()->rowCount() + unused.size(), c.coverage->rowCount());
    QVERIFY(!cells(c.grdCoverage->model(), 1).contains(QStringLiteral("0")));
    QTest::mouseClick(c.optAll, Qt::LeftButton);

    // The export is the tool's --csv for the same files.
    const QString csv = db.folder() + QStringLiteral("/coverage.csv");
    Sequences::nextFileNames() = QStringList{csv};
    QTest::mouseClick(c.cmdCsv, Qt::LeftButton);
    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()), run(ListsTool, QStringList{"coverage", "--csv", "--list", list} + paths).out);

    // Progress counts each call's sequences while the files are loaded for its list, and only then.
    QCOMPARE(p.filter->columnCount(), int(ProgressModel::ColumnCount) + 1);
    QCOMPARE(p.filter->headerData(ProgressModel::SequencesColumn, Qt::Horizontal).toString(), QStringLiteral("Sequences"));
    QStringList progressRows;
    for (int r = 0; r < p.filter->rowCount(); ++r)
        progressRows.append(p.filter->index(r, 0).data().toString() + QLatin1Char('\t')
                            + p.filter->index(r, ProgressModel::SequencesColumn).data().toString());
    QStringList toolCounts;
    for (const QString &line : tool.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        toolCounts.append(line.section(QLatin1Char('\t'), 0, 1));
    QCOMPARE(progressRows, toolCounts);
    p.cboList->setCurrentIndex(p.cboList->findText(QStringLiteral("B")));
    QCOMPARE(p.filter->columnCount(), int(ProgressModel::ColumnCount));
    p.cboList->setCurrentIndex(p.cboList->findText(list));
    QCOMPARE(p.filter->columnCount(), int(ProgressModel::ColumnCount) + 1);
    c.lstFiles->selectAll();
    QTest::mouseClick(c.cmdRemove, Qt::LeftButton);
    QCOMPARE(c.lstFiles->count(), 0);
    QCOMPARE(p.filter->columnCount(), int(ProgressModel::ColumnCount));
    QCOMPARE(log.messages, QStringList());
}

void tst_sequences_window::badFileMarkupAndMarking()
{
    TestDatabase db({{QStringLiteral("Class"),
                      {QStringLiteral("Pass Thru"), QStringLiteral("<b>Zoom</b>"), QStringLiteral("Swing Thru"),
                       QStringLiteral("Recycle")}}});
    MessageLog log;
    const QString friday = db.folder() + QStringLiteral("/friday.txt");
    writeFile(friday, "Heads Pass Thru\n<b>Zoom</b>\n<i>Face</i> In\n\nSwing Thru\n<b>Zoom</b>\n");
    writeFile(db.folder() + QStringLiteral("/more.txt"), "Recycle\n");
    writeFile(db.folder() + QStringLiteral("/bad.txt"), QByteArray("Zoom\nPass\0Thru\n", 15));
    db.exec(QStringLiteral("UPDATE tblCalls SET Used = 1 WHERE Call_Name = 'Swing Thru'"));
    Lists::instance().show();
    QTest::mouseClick(Lists::instance().ui().cmdSequences, Qt::LeftButton);
    Sequences::Controls &c = Sequences::instance().ui();
    Sequences::instance().addFiles({friday});
    const QStringList before = rows(c.grdCoverage->model());
    QCOMPARE(before, (QStringList{"Pass Thru\t1\tfriday.txt:1", "<b>Zoom</b>\t2\tfriday.txt:2",
                                  "Swing Thru\t1\tfriday.txt:5", "Recycle\t0\t"}));
    QCOMPARE(cells(c.unrecognised, 1), QStringList{"<i>Face</i> In"});

    // A file that cannot be read: one message naming it and its line; no file added, the table as it was.
    Sequences::nextFileNames() = QStringList{db.folder() + QStringLiteral("/more.txt"), db.folder() + QStringLiteral("/bad.txt")};
    QTest::mouseClick(c.cmdAdd, Qt::LeftButton);
    QCOMPARE(log.messages.size(), 1);
    QVERIFY2(log.messages[0].contains(QLatin1String("bad.txt: line 2")), qPrintable(log.messages[0]));
    QCOMPARE(c.lstFiles->count(), 1);
    QCOMPARE(rows(c.grdCoverage->model()), before);
    Sequences::instance().addFiles({db.folder() + QStringLiteral("/more.txt")});
    QCOMPARE(c.lstFiles->count(), 2);
    QCOMPARE(rows(c.grdCoverage->model()).constLast(), QStringLiteral("Recycle\t1\tmore.txt:1"));

    // Marking asks with the count of calls still unmarked; No marks nothing, Yes exactly those.
    QTest::mouseClick(c.cmdMarkUsed, Qt::LeftButton);
    QCOMPARE(log.questions, QStringList{"Mark 3 calls of \"Class\" used?"});
    QCOMPARE(used(db), 1);
    log.answer = true;
    QTest::mouseClick(c.cmdMarkUsed, Qt::LeftButton);
    const QStringList marked{"Pass Thru", "<b>Zoom</b>", "Swing Thru", "Recycle"};
    QCOMPARE(db.column(QStringLiteral("SELECT Call_Name FROM tblCalls WHERE Used <> 0 ORDER BY Call_ID")), marked);
    // Each new record names the file the call was first seen in; "Swing Thru" was used before.
    QStringList sources;
    for (const History::Record &r : History::records())
        sources.append(r.call + u'@' + QFileInfo(r.source).fileName());
    QCOMPARE(sources, (QStringList{"Pass Thru@friday.txt", "<b>Zoom</b>@friday.txt", "Recycle@more.txt"}));
    Lists::Controls &l = Lists::instance().ui();
    QStringList ticked;
    for (int r = 0; r < l.calls->rowCount(); ++r)
        if (l.calls->item(r, 1)->checkState() == Qt::Checked)
            ticked.append(l.calls->item(r, 0)->text());
    QCOMPARE(ticked, marked);
}

QTEST_MAIN(tst_sequences_window)
#include "tst_sequences_window.moc"
