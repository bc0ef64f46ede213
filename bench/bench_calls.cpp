// Times the "Calls" window's work end to end on generated call databases, each
// beside the bare SQLite statement it wraps, measured in the same run:
//   bench_calls [runs]
#include "app/Form.h"
#include "app/Message.h"
#include "calls/CallForm.h"
#include "data/CallDatabase.h"
#include "data/dataCall.h"
#include "main/frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr int Lists = 10;

double medianMicros(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        work();
        times.push_back(clock.nsecsElapsed() / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char *what, double vorlet, double bare)
{
    std::printf("  %-14s %12.1f us   bare statement %10.1f us   ratio %6.2f\n", what, vorlet, bare, vorlet / bare);
}

void runSize(int calls, int runs)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CallDatabase::setPath(dir.filePath(CallDatabase::FileName));
    QList<CallDatabase::CallList> lists;
    for (int l = 0; l < Lists; ++l) {
        CallDatabase::CallList list{l == 0 ? QStringLiteral("B") : QStringLiteral("List %1").arg(l), {}};
        for (int c = 0; c < calls / Lists; ++c)
            list.calls.append(QStringLiteral("Call %1-%2").arg(l).arg(c));
        lists.append(list);
    }
    QString error;
    if (!CallDatabase::create(CallDatabase::path(), lists, &error))
        qFatal("%s", qPrintable(error));

    frmMain::instance().show();
    CallForm::instance().show();
    CallForm::Controls &c = CallForm::instance().ui();
    c.Timer1->stop();

    QSqlDatabase bare = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bare"));
    bare.setDatabaseName(CallDatabase::path());
    bare.open();
    auto select = [&bare](const QString &sql, const QVariantList &params) {
        QSqlQuery q(bare);
        q.setForwardOnly(true);
        q.prepare(sql);
        for (const QVariant &p : params)
            q.addBindValue(p);
        q.exec();
        int rows = 0;
        while (q.next())
            rows += q.value(0).isValid() ? 1 : 0;
        return rows;
    };
    auto exec = [&bare](const QString &sql, const QVariantList &params) {
        QSqlQuery q(bare);
        q.prepare(sql);
        for (const QVariant &p : params)
            q.addBindValue(p);
        q.exec();
    };
    auto resetAll = [&] { exec(QStringLiteral("UPDATE tblCalls SET Used = 0"), {}); };
    const auto nothing = [] {};

    std::printf("%d calls (%d in the drawn list, %d active for NL calls), median of %d runs\n", calls,
                calls / Lists, calls / Lists, runs);
    report("Find", medianMicros(runs, nothing, [&] { c.cmdStart->click(); }),
           medianMicros(runs, nothing, [&] { select(dataCall::instance().rssqlCallNames().source(), {"B"}); }));
    report("Get Next", medianMicros(runs, nothing, [&] { c.cmdGetNOL->click(); }),
           medianMicros(runs, nothing, [&] { select(dataCall::instance().rssqlAllCalls().source(), {}); }));
    int id = 1;
    report("Use", medianMicros(runs, [&] { c.cmdStart->click(); }, [&] { c.cmdUse->click(); }),
           medianMicros(runs, nothing, [&] {
               exec(QStringLiteral("UPDATE tblCalls SET Used = 1 WHERE Call_ID = ?"), {id++});
           }));
    // Worst case: every call used. An evening's case: a few dozen used.
    auto useAll = [&] { exec(QStringLiteral("UPDATE tblCalls SET Used = 1"), {}); };
    auto useSome = [&] { exec(QStringLiteral("UPDATE tblCalls SET Used = 1 WHERE Call_ID % ? = 0"), {calls / 40}); };
    auto bareReset = [&] {
        bare.transaction();
        resetAll();
        bare.commit();
    };
    report("Reset, all", medianMicros(runs, useAll, [&] { c.cmdReset->click(); }),
           medianMicros(runs, useAll, bareReset));
    report("Reset, 40 used", medianMicros(runs, useSome, [&] { c.cmdReset->click(); }),
           medianMicros(runs, useSome, bareReset));

    constexpr int Ticks = 100000;
    const double tick = medianMicros(5, nothing, [&] {
                            for (int i = 0; i < Ticks; ++i) {
                                CallForm::instance().CallTicks = 0; // no draw inside the loop
                                CallForm::instance().NLTicks = 0;
                                CallForm::instance().Timer1_Timer();
                            }
                        })
                        / Ticks;
    std::printf("  %-14s %12.3f us   share of the %d ms tick period %.5f\n", "one tick", tick, CallForm::TickMs,
                tick / (CallForm::TickMs * 1000.0));

    bare.close();
    bare = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bare"));
    Form::destroyAll();
    dataCall::destroy();
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Message::setObserver([](const QString &) {});
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;
    const QString start = QDir::currentPath();
    runSize(2000, runs);
    runSize(100000, runs);
    QDir::setCurrent(start);
    return 0;
}
