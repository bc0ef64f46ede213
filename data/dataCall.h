#pragma once

#include "data/Recordset.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <memory>

// The process-wide data component: the connection dcCalls to the call database
// and the six named commands, each with its result set.
class dataCall
{
public:
    static dataCall &instance();
    // Drops the component and its connection; the next use starts afresh.
    static void destroy();

    ~dataCall();

    // The connection, opened and checked on first use. Throws DataError with a
    // message for the caller when the file is missing or unusable.
    QSqlDatabase dcCalls();

    // Runs a command on dcCalls, leaving its result set open on the first row.
    void sqlCallNames(const QString &pattern);
    void tblList();
    void tblType();
    void callUse();
    void sqlAllCalls();
    void sqlActList();

    Recordset &rssqlCallNames() { return m_sqlCallNames; }
    Recordset &rstblList() { return m_tblList; }
    Recordset &rstblType() { return m_tblType; }
    Recordset &rscallUse() { return m_callUse; }
    Recordset &rssqlAllCalls() { return m_sqlAllCalls; }
    Recordset &rssqlActList() { return m_sqlActList; }

    // The writes of the "Calls" window, each by key or as one statement.
    void markUsed(const QVariant &callId);
    void resetUsed();
    // Clears every active mark, then marks the first list named exactly like
    // each tag; all of it lands or none.
    void activateLists(const QStringList &tags);

    // Runs one statement with bound values; throws DataError when it fails.
    void execute(const QString &statement, const QVariantList &values);

    // Wraps a run of writes so that they land together or not at all.
    class Transaction
    {
    public:
        explicit Transaction(dataCall &data);
        ~Transaction(); // rolls back unless committed
        void commit();

    private:
        QSqlDatabase m_db;
        bool m_done = false;
    };

    // How long opening, and then each command, waits on a locked file.
    void setTimeouts(int openMs, int commandMs);

private:
    dataCall();
    void openConnection();
    void run(Recordset &rs, const QVariantList &parameters = {});
    void checkTables();

    QString m_connection;
    int m_openTimeoutMs = 15000;
    int m_commandTimeoutMs = 30000;
    QHash<QString, QSqlQuery> m_prepared;

    Recordset m_sqlCallNames;
    Recordset m_tblList;
    Recordset m_tblType;
    Recordset m_callUse;
    Recordset m_sqlAllCalls;
    Recordset m_sqlActList;
};
