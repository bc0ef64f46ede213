#include "tests/RemoteDbTarget.h"

#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
QSqlQuery exec(const QString &connection, const QString &sql, const QVariantList &params = {})
{
    QSqlQuery q(QSqlDatabase::database(connection));
    q.prepare(sql);
    for (const QVariant &p : params)
        q.addBindValue(p);
    if (!q.exec())
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q;
}
} // namespace

RemoteDbTarget::RemoteDbTarget(const QString &path, const QString &listName, QObject *parent)
    : RemoteTarget(parent)
    , m_connection(QStringLiteral("remote-target-%1").arg(quintptr(this)))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    if (!db.open())
        qFatal("cannot open %s", qPrintable(path));
    QSqlQuery q = exec(m_connection, QStringLiteral("SELECT List_ID FROM tblList WHERE List = ?"), {listName});
    if (!q.next())
        qFatal("no list %s", qPrintable(listName));
    m_listId = q.value(0).toInt();
    drawList();
    drawNL();
}

RemoteDbTarget::~RemoteDbTarget()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

QJsonObject RemoteDbTarget::state() const
{
    return {{QStringLiteral("listCall"), m_listCall}, {QStringLiteral("nlCall1"), m_nl1},
            {QStringLiteral("nlCall2"), m_nl2},       {QStringLiteral("callsLeft"), m_left},
            {QStringLiteral("status"), m_status},     {QStringLiteral("paused"), m_paused}};
}

void RemoteDbTarget::command(const QString &name)
{
    applied.append(name);
    if (name == QLatin1String("use") && m_callId != 0) {
        exec(m_connection, QStringLiteral("UPDATE tblCalls SET Used = 1 WHERE Call_ID = ?"), {m_callId});
        drawList();
    } else if (name == QLatin1String("find")) {
        drawList();
    } else if (name == QLatin1String("nextNL")) {
        drawNL();
    } else if (name == QLatin1String("pause")) {
        m_paused = !m_paused;
    }
    emit changed();
}

void RemoteDbTarget::drawList()
{
    QSqlQuery count = exec(m_connection, QStringLiteral("SELECT COUNT(*) FROM tblCalls WHERE List_ID = ? AND Used = 0"),
                           {m_listId});
    m_left = count.next() ? count.value(0).toInt() : 0;
    QSqlQuery q = exec(m_connection,
                       QStringLiteral("SELECT Call_ID, Call_Name FROM tblCalls WHERE List_ID = ? AND Used = 0 "
                                      "ORDER BY RANDOM() LIMIT 1"),
                       {m_listId});
    const bool any = q.next();
    m_callId = any ? q.value(0).toInt() : 0;
    m_listCall = any ? q.value(1).toString() : QString();
    m_status = any ? QString() : QStringLiteral("All calls have been used.  Please reset.");
}

void RemoteDbTarget::drawNL()
{
    QSqlQuery q = exec(m_connection,
                       QStringLiteral("SELECT Call_Name FROM tblCalls WHERE List_ID = ? ORDER BY RANDOM() LIMIT 1"),
                       {m_listId});
    m_nl2 = m_nl1;
    m_nl1 = q.next() ? q.value(0).toString() : QString();
}
