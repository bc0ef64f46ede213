#pragma once

#include "core/data/CallDatabase.h"
#include "core/data/Recordset.h"
#include "core/data/Waiting.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <functional>
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
    // message for the caller when the file is missing or unusable, and when the
    // file it opened has been removed or replaced since.
    QSqlDatabase dcCalls();

    // Runs work against the file: opens it first when needed, and makes the
    // attempts again while another program holds the lock, within the bounds
    // of the patience (see Waiting::retry). work reads, or runs one Transaction.
    void run(Waiting::Patience patience, const std::function<void()> &work);

    // A failed statement on dcCalls as the error to raise.
    DataError failure(const QSqlError &error) const;

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

    // The writes of the "Calls" window as one statement each.
    void resetUsed();
    // Clears every active mark, then marks the first list named exactly like
    // each tag; all of it lands or none.
    void activateLists(const QStringList &tags);

    // Runs one statement with bound values; throws DataError when it fails.
    void execute(const QString &statement, const QVariantList &values);

    // Wraps a run of writes so that they land together or not at all. It takes
    // the write lock at its start (BEGIN IMMEDIATE), so a busy file turns it
    // away before anything is read, and every writer waits the same way.
    class Transaction
    {
    public:
        explicit Transaction(dataCall &data);
        ~Transaction(); // rolls back unless committed
        void commit();

    private:
        dataCall &m_data;
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
    CallDatabase::Identity m_opened; // the file the connection was opened on
    QString m_lost; // why the file opened can no longer be used, once noticed
    QHash<QString, QSqlQuery> m_prepared;
    bool m_listIndexed = false; // tblCalls has an index that starts with List_ID

    Recordset m_sqlCallNames;
    Recordset m_tblList;
    Recordset m_tblType;
    Recordset m_callUse;
    Recordset m_sqlAllCalls;
    Recordset m_sqlActList;
};
