#pragma once

#include "core/data/CallStore.h"
#include "core/data/Recordset.h"
#include "core/data/Waiting.h"

#include <QSqlDatabase>
#include <functional>
#include <memory>

// The process-wide data component: the connection dcCalls to the call database,
// through the call store, and the named commands the windows draw from.
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
    // The name of the list a call belongs to; empty when there is no such call.
    QString listOfCall(const QVariant &callId);
    void tblList();
    void sqlAllCalls();

    Recordset &rssqlCallNames() { return m_sqlCallNames; }
    Recordset &rstblList() { return m_tblList; }
    Recordset &rssqlAllCalls() { return m_sqlAllCalls; }

    // The store behind dcCalls: every write of the windows goes through it.
    CallStore &store() { return m_store; }

    // The writes of the "Calls" window as one statement each.
    QVariantList resetUsed();
    // Clears every active mark, then marks the first list named exactly like
    // each tag; all of it lands or none.
    void activateLists(const QStringList &tags);

    // Runs one statement with bound values; throws DataError when it fails.
    void execute(const QString &statement, const QVariantList &values);

    // A run of writes that land together or not at all (BEGIN IMMEDIATE).
    class Transaction : public CallStore::Transaction
    {
    public:
        explicit Transaction(dataCall &data)
            : CallStore::Transaction(data.m_store)
        {
        }
    };

    // How long opening, and then each command, waits on a locked file.
    void setTimeouts(int openMs, int commandMs);

private:
    dataCall();
    void run(Recordset &rs, const QVariantList &parameters = {});

    CallStore m_store;
    Recordset m_sqlCallNames;
    Recordset m_tblList;
    Recordset m_sqlAllCalls;
};
