#pragma once

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/data/Waiting.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

// The one way to the call database file: it opens the file (never creating
// it), checks its tables, sets up the case-blind LIKE, notices a file removed
// or replaced under it, writes in one transaction, waits on a lock through the
// face's waiting policy, and marks calls used together with their record in
// the use history. One store is one connection of its own.
class CallStore
{
public:
    explicit CallStore(QString connectionName, const QString &path = CallDatabase::path());
    ~CallStore();
    CallStore(const CallStore &) = delete;
    CallStore &operator=(const CallStore &) = delete;

    const QString &path() const { return m_path; }
    const QString &connectionName() const { return m_connection; }

    // The connection, opened and checked on first use. Throws DataError when
    // the file is missing or unusable, and when the file it opened has been
    // removed or replaced since.
    QSqlDatabase database();
    // Lets go of the connection; the next use opens the file afresh.
    void close();
    // tblCalls has an index that starts with List_ID (known once opened).
    bool listIndexed() const { return m_listIndexed; }

    // Runs work against the file: opens it first when needed, and makes the
    // attempts again while another program holds the lock, within the bounds
    // of the patience (see Waiting::retry). work reads, or runs one Transaction.
    void run(Waiting::Patience patience, const std::function<void()> &work);

    // A failed statement on this file as the error to raise.
    DataError failure(const QSqlError &error) const;

    // One statement with bound values, prepared once per connection; it leaves
    // nothing open. Throws DataError when it fails.
    void execute(const QString &statement, const QVariantList &values = {});
    // One statement whose rows or insert id the caller reads.
    QSqlQuery query(const QString &statement, const QVariantList &values = {});

    // A run of writes that land together or not at all. It takes the write lock
    // at its start (BEGIN IMMEDIATE), so a busy file turns it away before
    // anything is read; it rolls back unless committed. One begun inside
    // another joins it: only the outermost commits.
    class Transaction
    {
    public:
        explicit Transaction(CallStore &store);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        void commit();

    private:
        CallStore &m_store;
        bool m_done = false;
        // A COMMIT over both files that failed, and the super-journals there were before it.
        std::optional<QStringList> m_superJournalsBefore;
    };

    // Sets the used mark of each call; every call that becomes used is
    // recorded in the use history in the same transaction, so neither lands
    // without the other. Returns how many of the calls were found.
    int setUsed(const QVariantList &callIds, bool used);
    // The same for calls that must still bear these names: a call whose id now
    // names another call (a list replaced meanwhile) is not found.
    int setUsed(const QVariantList &callIds, bool used, const QStringList &names);
    // The same with the value as typed (the editor's): a call becomes used when
    // the value stored is the number 1.
    int setUsed(const QVariantList &callIds, const QVariant &value, const QStringList &names = {});
    // Marked used for a reason outside the program: each record names its source.
    int setUsedFrom(const QVariantList &callIds, const QStringList &sources);
    // Makes the use history reachable from the connection, creating it on first
    // need, and returns its file. setUsed does it itself; a writer that calls
    // setUsed inside a transaction of its own does it first, since a file cannot
    // be attached within a transaction.
    QString attachHistory();
    // Clears every used mark in one transaction; returns the calls that bore
    // one, so that the clearing can be undone.
    QVariantList resetUsed();
    // Marks these calls used again, in one transaction, where they are still
    // there and unused; nothing is recorded in the history: their use was,
    // when it happened. Returns how many were marked.
    int restoreUsed(const QVariantList &callIds);

private:
    int setUsed(const QVariantList &callIds, const QVariant &value, const QStringList &names,
                const QStringList &sources);
    void open();
    void checkTables();
    void keepRollbackJournal(QSqlDatabase db, const QString &schema);
    void tellChangedMarks();
    // The super-journals SQLite keeps beside the call database for a commit over two files.
    QStringList superJournals() const;
    void dropSuperJournalsBut(const QStringList &kept) const;

    QString m_path;
    QString m_connection;
    CallDatabase::Identity m_opened; // the file the connection was opened on
    DataError m_lost{QString()};     // why the file opened can no longer be used, once noticed
    bool m_isLost = false;
    bool m_listIndexed = false;
    QString m_history; // the use history attached to the connection, if any
    int m_depth = 0;              // transactions open, the outermost first
    QVariantList m_changedMarks; // calls whose marks the open transaction changed
    QHash<QString, QSqlQuery> m_prepared;
};
