// Times the "Calls" window's work end to end on generated call databases, each
// beside the bare SQLite statements the same result needs, measured in the same
// run. Prints one line per figure: "name value bound unit", ratios as value.
//   bench_calls [runs]            the timed figures at 2,000 and 100,000 calls
//   bench_calls --make N FOLDER   writes FOLDER/Call_List.db with N calls
//   bench_calls --peak FOLDER     a caller's session on that file; peak memory
#include "ui/kit/Form.h"
#include "ui/kit/Message.h"
#include "ui/calls/CallForm.h"
#include "core/data/CallDatabase.h"
#include "core/data/dataCall.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
// Medians of the window's work and of its bare statements, timed turn about
// so that a busy machine weighs on both alike.
struct Pair
{
    double vorlet;
    double bare;
};

Pair medianMicros(int runs, const std::function<void()> &prepare, const std::function<void()> &work,
                  const std::function<void()> &bareWork)
{
    std::vector<double> vorlet, bare;
    auto timeOne = [&prepare](const std::function<void()> &what) {
        prepare();
        QElapsedTimer clock;
        clock.start();
        what();
        return double(clock.nsecsElapsed()) / 1000.0;
    };
    for (int i = 0; i < runs; ++i) {
        vorlet.push_back(timeOne(work));
        bare.push_back(timeOne(bareWork));
    }
    std::sort(vorlet.begin(), vorlet.end());
    std::sort(bare.begin(), bare.end());
    return {vorlet[vorlet.size() / 2], bare[bare.size() / 2]};
}

// One figure a line, for bench/run.py: name|value|bound|what was compared.
void figure(const QString &name, double value, double bound, const QString &detail)
{
    std::printf("%s|%.2f|%.2f|%s\n", qPrintable(name), value, bound, qPrintable(detail));
    std::fflush(stdout);
}

void ratio(const QString &name, Pair t)
{
    figure(name, t.vorlet / t.bare, 2.0,
           QStringLiteral("%1 ms against %2 ms").arg(t.vorlet / 1000, 0, 'f', 2).arg(t.bare / 1000, 0, 'f', 2));
}

// Lists of equal size; the first is "B", the one the main window starts with.
void make(const QString &path, int calls, int lists)
{
    QList<CallDatabase::CallList> all;
    for (int l = 0; l < lists; ++l) {
        CallDatabase::CallList list{l == 0 ? QStringLiteral("B") : QStringLiteral("List %1").arg(l), {}};
        for (int c = 0; c < calls / lists; ++c)
            list.calls.append(QStringLiteral("Call %1-%2").arg(l).arg(c));
        all.append(list);
    }
    QFile::remove(path);
    QString error;
    if (!CallDatabase::create(path, all, &error))
        qFatal("%s", qPrintable(error));
}

// The cheapest statements a program needs without the window: prepared once.
class Bare
{
public:
    explicit Bare(const QString &path)
        : m_db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bare")))
    {
        m_db.setDatabaseName(path);
        m_db.open();
    }
    ~Bare()
    {
        m_queries.clear();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("bare"));
    }
    QSqlQuery &run(const QString &sql, const QVariantList &params = {})
    {
        auto it = m_queries.find(sql);
        if (it == m_queries.end()) {
            QSqlQuery q(m_db);
            q.setForwardOnly(true);
            if (!q.prepare(sql))
                qFatal("bare statement: %s", qPrintable(sql));
            it = m_queries.insert(sql, q);
        }
        for (int i = 0; i < params.size(); ++i)
            it->bindValue(i, params[i]);
        it->exec();
        return *it;
    }
    // A count, then the row at a random offset: one draw.
    struct Draw
    {
        QString count;
        QString row;
    };
    QVariant draw(const Draw &statements, const QVariantList &params)
    {
        QSqlQuery &count = run(statements.count, params);
        count.next();
        const int rows = count.value(0).toInt();
        count.finish();
        QVariantList at = params;
        at.append(QRandomGenerator::global()->bounded(std::max(rows, 1)));
        QSqlQuery &row = run(statements.row, at);
        row.next();
        QVariant value = row.value(0);
        row.finish();
        return value;
    }
    void exec(const QString &sql, const QVariantList &params = {}) { run(sql, params).finish(); }
    QSqlDatabase &db() { return m_db; }

private:
    QSqlDatabase m_db;
    QHash<QString, QSqlQuery> m_queries;
};

void timed(int calls, int lists, int runs)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CallDatabase::setPath(dir.filePath(CallDatabase::FileName));
    make(CallDatabase::path(), calls, lists);
    const QString size = calls >= 100000 ? QStringLiteral("100k") : QStringLiteral("%1k").arg(calls / 1000);
    const QString where = QLatin1Char(' ') + size + (lists > 10 ? QStringLiteral("/%1 lists").arg(lists) : QString());

    frmMain::instance().show();
    CallForm::instance().show();
    CallForm::Controls &c = CallForm::instance().ui();
    c.Timer1->stop();
    Bare bare(CallDatabase::path());
    // The plain way to one row of the window's commands: count them all, then
    // step to the row at the drawn offset in table order.
    const QString listCalls = QStringLiteral(" FROM tblCalls WHERE Used = 0 AND List_ID IN "
                                             "(SELECT List_ID FROM tblList WHERE List LIKE ?)");
    const QString nlCalls = QStringLiteral(" FROM tblCalls WHERE List_ID IN "
                                           "(SELECT List_ID FROM tblList WHERE List_Active = 1)");
    const QString atOffset = QStringLiteral(" ORDER BY rowid LIMIT 1 OFFSET ?");
    const Bare::Draw listDraw{"SELECT COUNT(*)" + listCalls, "SELECT Call_Name, Call_ID" + listCalls + atOffset};
    const Bare::Draw nlDraw{"SELECT COUNT(*)" + nlCalls, "SELECT Call_Name" + nlCalls + atOffset};
    const auto nothing = [] {};
    auto useAll = [&] { bare.exec(QStringLiteral("UPDATE tblCalls SET Used = 1")); };

    if (lists > 10) {
        // "Get List": the load activates the ticked levels, then the first draws.
        auto unload = [] { CallForm::instance().unload(); };
        auto getList = [&] {
            frmMain::instance().ui().cmdGo->click();
            CallForm::Controls &w = CallForm::instance().ui();
            w.Timer1->stop();
            w.cmdStart->click();
            w.cmdGetNOL->click();
        };
        auto bareGetList = [&] {
            bare.db().transaction();
            bare.exec(QStringLiteral("UPDATE tblList SET List_Active = 0 WHERE List_Active <> 0"));
            bare.exec(QStringLiteral("UPDATE tblList SET List_Active = 1 WHERE List = ?"), {QStringLiteral("B")});
            bare.db().commit();
            bare.draw(listDraw, {QStringLiteral("B")});
            bare.draw(nlDraw, {});
        };
        ratio("Get List" + where, medianMicros(runs, unload, getList, bareGetList));
    } else {
        ratio("Find" + where, medianMicros(runs, nothing, [&] { c.cmdStart->click(); },
                                           [&] { bare.draw(listDraw, {QStringLiteral("B")}); }));
        ratio("Get Next" + where,
              medianMicros(runs, nothing, [&] { c.cmdGetNOL->click(); }, [&] { bare.draw(nlDraw, {}); }));
        // Before each: a call drawn and on show, as when the caller presses "&Use".
        // A Use marks the call and records it in the history file, in one
        // transaction, then draws the next call.
        c.cmdStart->click();
        c.cmdUse->click(); // the history file exists from here on
        bare.exec(QStringLiteral("ATTACH DATABASE ? AS hist"), {QDir::current().filePath(QStringLiteral("Call_History.db"))});
        bare.exec(QStringLiteral("PRAGMA hist.synchronous = NORMAL"));
        int id = 1;
        ratio("Use" + where, medianMicros(runs, [&] { c.cmdStart->click(); }, [&] { c.cmdUse->click(); }, [&] {
                  bare.db().transaction();
                  bare.exec(QStringLiteral("UPDATE tblCalls SET Used = 1 WHERE Call_ID = ?"), {id});
                  bare.exec(QStringLiteral("INSERT INTO hist.tblHistory (Call_ID, Call_Name, List, Used_At, Used_UTC) "
                                           "SELECT Call_ID, Call_Name, 'B', '', '' FROM tblCalls WHERE Call_ID = ?"),
                            {id++});
                  bare.db().commit();
                  bare.draw(listDraw, {QStringLiteral("B")});
              }));
        ratio("Reset Calls" + where, medianMicros(runs, useAll, [&] { c.cmdReset->click(); },
                                                  [&] { bare.exec(QStringLiteral("UPDATE tblCalls SET Used = 0")); }));
    }
    Form::destroyAll();
    dataCall::destroy();
}

qint64 peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// An evening's work on a file: the windows, a few dozen draws and uses, a reset.
void session(const QString &folder)
{
    QDir::setCurrent(folder);
    CallDatabase::setPath(QDir(folder).filePath(CallDatabase::FileName));
    frmMain::instance().show();
    CallForm::instance().show();
    CallForm::Controls &c = CallForm::instance().ui();
    c.Timer1->stop();
    c.cmdStart->click();
    for (int i = 0; i < 40; ++i) {
        c.cmdUse->click();
        c.cmdGetNOL->click();
    }
    c.cmdReset->click();
    std::printf("%lld\n", peakKb());
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
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == QLatin1String("--make") && args.size() == 3) {
        make(QDir(args[2]).filePath(CallDatabase::FileName), args[1].toInt(), 10);
        return 0;
    }
    if (args.value(0) == QLatin1String("--peak") && args.size() == 2) {
        session(args[1]);
        return 0;
    }
    const int runs = args.isEmpty() ? 31 : std::max(3, args[0].toInt());
    const QString start = QDir::currentPath();
    timed(2000, 10, runs);
    timed(100000, 10, runs);
    timed(100000, 1000, std::max(3, runs / 3));
    QDir::setCurrent(start);
    return 0;
}
