#include "core/data/dataCall.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/data/SqlLike.h"

#include <QSqlError>
#include <QSqlQuery>
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
    : m_store(QStringLiteral("dcCalls"))
    , m_sqlCallNames(QStringLiteral("rssqlCallNames"),
                     QStringLiteral("SELECT tblCalls.Call_Name, tblCalls.Call_ID FROM tblCalls, tblList "
                                    "WHERE tblCalls.List_ID = tblList.List_ID AND (tblList.List LIKE ? ESCAPE '\\') "
                                    "AND (tblCalls.Used = 0)"),
                     drawnFrom(QStringLiteral("Call_Name, Call_ID"), QStringLiteral("Used = 0"),
                               QStringLiteral("List LIKE ? ESCAPE '\\'")))
    , m_tblList(QStringLiteral("rstblList"), QStringLiteral("SELECT * FROM tblList"))
    , m_sqlAllCalls(QStringLiteral("rssqlAllCalls"),
                    QStringLiteral("SELECT tblCalls.Call_Name FROM tblCalls, tblList "
                                   "WHERE tblCalls.List_ID = tblList.List_ID AND (tblList.List_Active = 1)"),
                    drawnFrom(QStringLiteral("Call_Name"), QString(), QStringLiteral("List_Active = 1")))
{
}

dataCall::~dataCall()
{
    // Open result sets hold the connection: they let go of it before it is removed.
    for (Recordset *rs : {&m_sqlCallNames, &m_tblList, &m_sqlAllCalls}) {
        if (rs->isOpen())
            rs->close();
    }
}

void dataCall::setTimeouts(int openMs, int commandMs)
{
    Waiting::setTimeouts(openMs, commandMs);
}

QSqlDatabase dataCall::dcCalls()
{
    return m_store.database();
}

void dataCall::run(Waiting::Patience patience, const std::function<void()> &work)
{
    m_store.run(patience, work);
}

DataError dataCall::failure(const QSqlError &error) const
{
    return m_store.failure(error);
}

void dataCall::execute(const QString &statement, const QVariantList &values)
{
    m_store.execute(statement, values);
}

void dataCall::run(Recordset &rs, const QVariantList &parameters)
{
    // Opened first: opening is what finds out whether the calls are indexed by list.
    const QSqlDatabase db = dcCalls();
    rs.run(db, parameters, m_store.listIndexed());
}

void dataCall::sqlCallNames(const QString &pattern)
{
    // Text that is exactly a list's name draws from that list alone: "Class_2"
    // is not also "Class 2". Any other text is a pattern, as typed.
    QSqlQuery named(dcCalls());
    named.setForwardOnly(true);
    if (!named.prepare(QStringLiteral("SELECT 1 FROM tblList WHERE List = ? COLLATE BINARY LIMIT 1")))
        throw failure(named.lastError());
    named.addBindValue(pattern);
    if (!named.exec())
        throw failure(named.lastError());
    const bool isName = named.next();
    named.finish();
    run(m_sqlCallNames, {isName ? SqlLike::literal(pattern) : SqlLike::typed(pattern)});
}

QString dataCall::listOfCall(const QVariant &callId)
{
    QSqlQuery q(dcCalls());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT tblList.List FROM tblCalls, tblList "
                                  "WHERE tblCalls.List_ID = tblList.List_ID AND tblCalls.Call_ID = ?")))
        throw failure(q.lastError());
    q.addBindValue(callId);
    if (!q.exec())
        throw failure(q.lastError());
    return q.next() ? q.value(0).toString() : QString();
}

void dataCall::tblList()
{
    run(m_tblList);
}

void dataCall::sqlAllCalls()
{
    run(m_sqlAllCalls);
}

// Rows that hold 0 already are left alone: a reset mostly meets unused calls.
QVariantList dataCall::resetUsed()
{
    return m_store.resetUsed();
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
