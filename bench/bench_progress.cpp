// The "Progress" window on one list of 10,000 calls with 20,000 uses recorded,
// each step beside the same step on Qt's plainest view of the same names
// (QTableView over a QSortFilterProxyModel over a QStringListModel), measured
// in the same run:
//   bench_progress [runs]
#include "ui/kit/Form.h"
#include "ui/calls/CallForm.h"
#include "core/data/CallDatabase.h"
#include "core/data/dataCall.h"
#include "core/history/History.h"
#include "ui/history/Progress.h"
#include "ui/history/ProgressModel.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSqlQuery>
#include <QStringListModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr int Calls = 10000;
constexpr int Uses = 20000;

double medianMicros(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        work();
        times.push_back(double(clock.nsecsElapsed()) / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char *what, double ours, double bare)
{
    std::printf("  %-26s %10.2f ms   plain view %8.2f ms   ratio %6.2f\n", what, ours / 1000, bare / 1000, ours / bare);
}

void fill(const QString &folder)
{
    CallDatabase::CallList list{QStringLiteral("Class"), {}};
    for (int c = 0; c < Calls; ++c)
        list.calls.append(QStringLiteral("Call %1").arg(c));
    QString error;
    if (!CallDatabase::create(QDir(folder).filePath(CallDatabase::FileName), {list}, &error))
        qFatal("%s", qPrintable(error));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(QDir(folder).filePath(CallDatabase::FileName));
    db.open();
    History::attach(db);
    QSqlQuery q(db);
    q.exec(QStringLiteral("BEGIN"));
    q.prepare(QStringLiteral("INSERT INTO hist.tblHistory (Call_ID, Call_Name, List, Used_At, Used_UTC) "
                             "VALUES (?, ?, 'Class', ?, ?)"));
    for (int u = 0; u < Uses; ++u) {
        const int call = (u * 7919) % Calls;
        const QString day = QStringLiteral("2026-%1-%2").arg(1 + u % 12, 2, 10, QLatin1Char('0')).arg(1 + u % 28, 2, 10, QLatin1Char('0'));
        q.addBindValue(call + 1);
        q.addBindValue(QStringLiteral("Call %1").arg(call));
        q.addBindValue(day + QStringLiteral("T19:00:00+01:00"));
        q.addBindValue(day + QStringLiteral("T18:00:00.000Z"));
        q.exec();
    }
    QSqlQuery(db).exec(QStringLiteral("COMMIT"));
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 9;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CallDatabase::setPath(dir.filePath(CallDatabase::FileName));
    fill(dir.path());

    QStringList names;
    for (int c = 0; c < Calls; ++c)
        names.append(QStringLiteral("Call %1").arg(c));
    QStringListModel plainModel(names);
    QSortFilterProxyModel plainFilter;
    plainFilter.setSourceModel(&plainModel);
    plainFilter.setFilterCaseSensitivity(Qt::CaseInsensitive);
    QTableView plain;
    plain.setModel(&plainFilter);
    plain.resize(640, 480);
    plain.show();

    Progress &progress = Progress::instance();
    progress.showList(QStringLiteral("Class"));
    Progress::Controls &p = progress.ui();
    p.grdCalls->window()->resize(plain.size() + QSize(0, 120));
    QApplication::processEvents();
    const auto nothing = [] {};

    std::printf("%d calls in one list, %d uses recorded, median of %d runs\n", Calls, Uses, runs);
    report("open the window", medianMicros(runs, [] { Progress::instance().unload(); }, [&] {
               Progress::instance().showList(QStringLiteral("Class"));
               Progress::instance().ui().grdCalls->viewport()->repaint();
           }),
           medianMicros(runs, nothing, [&] {
               // The same rows read bare, into Qt's plainest model, and painted.
               QSqlQuery calls(dataCall::instance().dcCalls());
               calls.setForwardOnly(true);
               calls.exec(QStringLiteral("SELECT Call_Name, Used FROM tblCalls ORDER BY Call_ID"));
               QStringList read;
               while (calls.next())
                   read.append(calls.value(0).toString());
               QSqlDatabase h = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bare-history"));
               h.setDatabaseName(History::path());
               h.open();
               QSqlQuery uses(h);
               uses.setForwardOnly(true);
               uses.exec(QStringLiteral("SELECT Call_Name, COUNT(*), MAX(Used_UTC) FROM tblHistory GROUP BY Call_Name"));
               while (uses.next())
                   read.append(uses.value(0).toString());
               uses = QSqlQuery();
               h.close();
               h = QSqlDatabase();
               QSqlDatabase::removeDatabase(QStringLiteral("bare-history"));
               plainModel.setStringList(read);
               plain.viewport()->repaint();
           }));
    plainModel.setStringList(names);
    Progress::Controls &q = progress.ui();
    auto typed = [&](const QString &text) {
        return medianMicros(runs, [&] { q.txtFilter->clear(); }, [&] {
            q.txtFilter->setText(text);
            q.grdCalls->viewport()->repaint();
        });
    };
    auto plainTyped = [&](const QString &text) {
        return medianMicros(runs, [&] { plainFilter.setFilterFixedString(QString()); }, [&] {
            plainFilter.setFilterFixedString(text);
            plain.viewport()->repaint();
        });
    };
    report("filter by text", typed(QStringLiteral("77")), plainTyped(QStringLiteral("77")));
    q.txtFilter->clear();
    report("show unused only", medianMicros(runs, [&] { q.optAll->setChecked(true); }, [&] {
               q.optUnused->setChecked(true);
               q.grdCalls->viewport()->repaint();
           }),
           plainTyped(QStringLiteral("Call")));
    q.optAll->setChecked(true);
    report("sort by name", medianMicros(runs, [&] { q.cboSort->setCurrentIndex(Progress::ByStoredOrder); }, [&] {
               q.cboSort->setCurrentIndex(Progress::ByName);
               q.grdCalls->viewport()->repaint();
           }),
           medianMicros(runs, [&] { plainFilter.sort(-1); }, [&] {
               plainFilter.sort(0);
               plain.viewport()->repaint();
           }));
    auto scroll = [](QTableView *view) {
        QScrollBar *bar = view->verticalScrollBar();
        for (int step = 0; step < 40; ++step) {
            bar->setValue(bar->maximum() * step / 39);
            view->viewport()->repaint();
        }
    };
    QApplication::processEvents(); // the view lays out its scroll range
    report("scroll top to bottom", medianMicros(runs, nothing, [&] { scroll(q.grdCalls); }),
           medianMicros(runs, nothing, [&] { scroll(&plain); }));
    // A Use in the "Calls" window while the window follows, against the same Use with it closed.
    int id = 1;
    auto use = [&] { dataCall::instance().store().setUsed({id++}, true); };
    const double open = medianMicros(runs, nothing, use);
    Progress::instance().unload();
    report("Use while open", open, medianMicros(runs, nothing, use));
    Form::destroyAll();
    dataCall::destroy();
    return 0;
}
