#include "core/data/dataCall.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/data/SqlLike.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>

namespace {
std::unique_ptr<dataCall> &component()
{
    static std::unique_ptr<dataCall> instance;
    return instance;
}

// A draw's statements over tblCalls: the calls of the lists that meet
// listTest, those of them that meet callTest (all when empty). Rows come in
// table order, the order in which the joined command returns its rows. With
// an index on List_ID each list is counted and bounded through it, and the list
// test runs once per list rather than once per call.
Recordset::OneRow drawnFrom(const QString &columns, const QString &callTest, const QString &listTest)
{
    const QString kept = callTest.isEmpty() ? QString() : QStringLiteral(" AND ") + callTest;
    const QString source = QStringLiteral(" FROM tblCalls WHERE List_ID IN (SELECT List_ID FROM tblList WHERE ")
                           + listTest + QLatin1Char(')') + kept;
    const QString ofList = QStringLiteral(" FROM tblCalls WHERE tblCalls.List_ID = tblList.List_ID");
    const QString select = QStringLiteral("SELECT ") + columns;
    const QString atOffset = QStringLiteral(" ORDER BY rowid LIMIT 1 OFFSET ?");
    // A list is named by its row, not by its List_ID read back: a key of any type
    // then meets the calls the same way the count met them.
    return {QStringLiteral("SELECT COUNT(*)") + source,
            QStringLiteral("SELECT rowid, (SELECT COUNT(*)") + ofList + kept + QStringLiteral("), (SELECT MIN(rowid)")
                + ofList + QStringLiteral("), (SELECT MAX(rowid)") + ofList + QStringLiteral(") FROM tblList WHERE ")
                + listTest,
            select + QStringLiteral(" FROM tblCalls WHERE List_ID = (SELECT List_ID FROM tblList WHERE rowid = ?)")
                + kept + atOffset,
            select + source + atOffset};
}

QString whereText()
{
    return CallDatabase::where(CallDatabase::path());
}
} // namespace

dataCall &dataCall::instance()
{
    if (!component())
        component().reset(new dataCall);
    return *component();
}

void dataCall::destroy()
{
    component().reset();
}

dataCall::dataCall()
    : m_connection(QStringLiteral("dcCalls"))
    , m_sqlCallNames(QStringLiteral("rssqlCallNames"),
                     QStringLiteral("SELECT tblCalls.Call_Name, tblCalls.Call_ID FROM tblCalls, tblList "
                                    "WHERE tblCalls.List_ID = tblList.List_ID AND (tblList.List LIKE ?) "
                                    "AND (tblCalls.Used = 0)"),
                     drawnFrom(QStringLiteral("Call_Name, Call_ID"), QStringLiteral("Used = 0"),
                               QStringLiteral("List LIKE ?")))
    , m_tblList(QStringLiteral("rstblList"), Recordset::Kind::Table, QStringLiteral("tblList"),
                QString(), false)
    , m_tblType(QStringLiteral("rstblType"), Recordset::Kind::Table, QStringLiteral("tblType"),
                QString(), false)
    , m_callUse(QStringLiteral("rscallUse"), Recordset::Kind::Table, QStringLiteral("tblCalls"),
                QStringLiteral("tblCalls"), true)
    , m_sqlAllCalls(QStringLiteral("rssqlAllCalls"),
                    QStringLiteral("SELECT tblCalls.Call_Name FROM tblCalls, tblList "
                                   "WHERE tblCalls.List_ID = tblList.List_ID AND (tblList.List_Active = 1)"),
                    drawnFrom(QStringLiteral("Call_Name"), QString(), QStringLiteral("List_Active = 1")))
    , m_sqlActList(QStringLiteral("rssqlActList"), Recordset::Kind::Query,
                   QStringLiteral("SELECT List_Active, List FROM tblList"), QStringLiteral("tblList"), true)
{
}

dataCall::~dataCall()
{
    // Open result sets hold the connection: they let go of it before it is removed.
    for (Recordset *rs : {&m_sqlCallNames, &m_tblList, &m_tblType, &m_callUse, &m_sqlAllCalls, &m_sqlActList}) {
        if (rs->isOpen())
            rs->close();
    }
    m_prepared.clear();
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void dataCall::setTimeouts(int openMs, int commandMs)
{
    Waiting::setTimeouts(openMs, commandMs);
}

QSqlDatabase dataCall::dcCalls()
{
    if (!m_lost.isEmpty())
        throw DataError(m_lost);
    if (!QSqlDatabase::contains(m_connection) || !QSqlDatabase::database(m_connection, false).isOpen()) {
        openConnection();
    } else if (const CallDatabase::Identity now = CallDatabase::identify(CallDatabase::path()); now != m_opened) {
        // Through its open handle SQLite would go on writing into a removed file,
        // and a reopen would write into a file the caller never chose: neither.
        m_lost = CallDatabase::lost(CallDatabase::path(), now.exists);
        m_prepared.clear();
        QSqlDatabase::database(m_connection, false).close();
        throw DataError(m_lost);
    }
    return QSqlDatabase::database(m_connection, false);
}

void dataCall::run(Waiting::Patience patience, const std::function<void()> &work)
{
    const QString path = CallDatabase::path();
    const Waiting::Patience opening = patience == Waiting::Patience::Tick ? patience : Waiting::Patience::Open;
    Waiting::retry(opening, path, [this] { dcCalls(); });
    Waiting::retry(patience, path, work);
}

DataError dataCall::failure(const QSqlError &error) const
{
    return CallDatabase::failure(CallDatabase::path(), error);
}

void dataCall::openConnection()
{
    m_prepared.clear();
    const QString path = CallDatabase::path();
    if (!QFileInfo(path).isFile())
        throw DataError(CallDatabase::problem(path, 0));
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    CallDatabase::setExisting(db, path, Waiting::SliceMs);
    m_opened = CallDatabase::identify(path);
    if (!db.open())
        throw failure(db.lastError());
    try {
        if (!SqlLike::install(db))
            throw DataError(whereText() + QStringLiteral(" could not be opened: the text comparison "
                                                         "that ignores letter case could not be set up."));
        checkTables();
        m_listIndexed = CallDatabase::listIndexed(db);
    } catch (const DataError &) {
        m_prepared.clear();
        db.close();
        throw;
    }
}

void dataCall::checkTables()
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    for (const CallDatabase::Table &table : CallDatabase::requiredTables()) {
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table.name)))
            throw failure(info.lastError());
        QStringList columns;
        while (info.next())
            columns.append(info.value(1).toString());
        if (info.lastError().isValid())
            throw failure(info.lastError());
        if (columns.isEmpty())
            throw DataError(whereText() + QStringLiteral(" has no table %1: it is not a call database, or an "
                                                         "incomplete one.\n\nPut a whole call database there "
                                                         "(./run.sh creates the default one when there is none).")
                                              .arg(table.name));
        for (const QString &column : table.columns) {
            if (!columns.contains(column, Qt::CaseInsensitive))
                throw DataError(whereText() + QStringLiteral(" has no column %1 in its table %2: it is not a "
                                                             "call database, or an incomplete one.\n\nPut a whole "
                                                             "call database there.")
                                                  .arg(column, table.name));
        }
    }
}

void dataCall::execute(const QString &statement, const QVariantList &values)
{
    const QSqlDatabase db = dcCalls();
    auto it = m_prepared.find(statement);
    if (it == m_prepared.end()) {
        QSqlQuery query(db);
        if (!query.prepare(statement))
            throw failure(query.lastError());
        it = m_prepared.insert(statement, query);
    }
    QSqlQuery &query = it.value();
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    const bool ok = query.exec();
    const QSqlError error = query.lastError();
    query.finish();
    if (!ok)
        throw failure(error);
}

void dataCall::run(Recordset &rs, const QVariantList &parameters)
{
    // Opened first: opening is what finds out whether the calls are indexed by list.
    const QSqlDatabase db = dcCalls();
    rs.run(db, parameters, m_listIndexed);
}

void dataCall::sqlCallNames(const QString &pattern)
{
    run(m_sqlCallNames, {pattern});
}

void dataCall::tblList()
{
    run(m_tblList);
}

void dataCall::tblType()
{
    run(m_tblType);
}

void dataCall::callUse()
{
    run(m_callUse);
}

void dataCall::sqlAllCalls()
{
    run(m_sqlAllCalls);
}

void dataCall::sqlActList()
{
    run(m_sqlActList);
}

// Rows that hold 0 already are left alone: a reset mostly meets unused calls.
void dataCall::resetUsed()
{
    execute(QStringLiteral("UPDATE tblCalls SET Used = 0 WHERE Used IS NOT 0"), {});
}

void dataCall::activateLists(const QStringList &tags)
{
    Transaction transaction(*this);
    execute(QStringLiteral("UPDATE tblList SET List_Active = 0 WHERE List_Active IS NOT 0"), {});
    // Exact and case-sensitive, whatever collation the file gives the column; the
    // first row in table order wins.
    for (const QString &tag : tags)
        execute(QStringLiteral("UPDATE tblList SET List_Active = 1 WHERE rowid = (SELECT rowid FROM tblList "
                               "WHERE List = ? COLLATE BINARY ORDER BY rowid LIMIT 1)"),
                {tag});
    transaction.commit();
}

dataCall::Transaction::Transaction(dataCall &data)
    : m_data(data)
{
    m_data.execute(QStringLiteral("BEGIN IMMEDIATE"), {});
}

dataCall::Transaction::~Transaction()
{
    if (m_done || !QSqlDatabase::contains(m_data.m_connection))
        return;
    // A COMMIT refused as busy leaves the transaction open: it ends here, whole.
    QSqlDatabase db = QSqlDatabase::database(m_data.m_connection, false);
    if (db.isOpen())
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
}

void dataCall::Transaction::commit()
{
    m_data.execute(QStringLiteral("COMMIT"), {});
    m_done = true;
}
