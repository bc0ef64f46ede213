#include "core/data/CallStore.h"

#include "core/data/SqlLike.h"
#include "core/history/History.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <utility>

CallStore::CallStore(QString connectionName, const QString &path)
    : m_path(QFileInfo(path).absoluteFilePath())
    , m_connection(std::move(connectionName))
{
}

CallStore::~CallStore()
{
    m_prepared.clear();
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void CallStore::close()
{
    m_prepared.clear();
    m_history.clear();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
}

QSqlDatabase CallStore::database()
{
    if (m_isLost)
        throw m_lost;
    if (!QSqlDatabase::contains(m_connection) || !QSqlDatabase::database(m_connection, false).isOpen()) {
        open();
    } else if (const CallDatabase::Identity now = CallDatabase::identify(m_path); now != m_opened) {
        // Through its open handle SQLite would go on writing into a removed file,
        // and a reopen would write into a file the caller never chose: neither.
        m_lost = CallDatabase::lostError(m_path, now.exists);
        m_isLost = true;
        close();
        throw m_lost;
    }
    return QSqlDatabase::database(m_connection, false);
}

void CallStore::open()
{
    m_prepared.clear();
    m_history.clear();
    if (!QFileInfo(m_path).isFile())
        throw CallDatabase::problemError(m_path, 0);
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    CallDatabase::setExisting(db, m_path, Waiting::SliceMs);
    m_opened = CallDatabase::identify(m_path);
    if (!db.open())
        throw failure(db.lastError());
    try {
        checkTables();
        keepRollbackJournal(db, QStringLiteral("main"));
        // After the checks: SQLite refuses a new LIKE while a statement is open.
        if (!SqlLike::install(db))
            throw DataError(DataError::Kind::Failed, m_path, CallDatabase::where(m_path),
                            QStringLiteral("could not be opened: the text comparison that ignores letter case "
                                           "could not be set up."));
        m_listIndexed = CallDatabase::listIndexed(db);
    } catch (const DataError &) {
        db.close();
        throw;
    }
}

// A write-ahead log would let a crash land a mark without its record in the
// attached history: both files keep a rollback journal, or are refused.
void CallStore::keepRollbackJournal(QSqlDatabase db, const QString &schema)
{
    QSqlQuery mode(db);
    if (!mode.exec(QStringLiteral("PRAGMA %1.journal_mode").arg(schema)) || !mode.next())
        throw failure(mode.lastError());
    if (mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return;
    mode.finish();
    QSqlQuery change(db);
    const bool changed = change.exec(QStringLiteral("PRAGMA %1.journal_mode = DELETE").arg(schema)) && change.next()
                         && change.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0;
    change.finish();
    if (!changed)
        throw DataError(DataError::Kind::Failed, m_path, CallDatabase::where(m_path),
                        QStringLiteral("is kept in write-ahead-log (WAL) journal mode by another program, which "
                                       "Vorlet cannot change while that program has it open."),
                        QStringLiteral("Close the other program, then try again: Vorlet switches the file back to "
                                       "its ordinary journal, so that a used mark and its record always land "
                                       "together."));
}

void CallStore::checkTables()
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString where = CallDatabase::where(m_path);
    // The files most often given in its place: an empty one, and the use history.
    {
        QSqlQuery kinds(db);
        if (!kinds.exec(QStringLiteral("SELECT COUNT(*), COALESCE(SUM(name = 'tblHistory'), 0) FROM sqlite_master "
                                       "WHERE type = 'table'"))
            || !kinds.next())
            throw failure(kinds.lastError());
        const QString put =
            QStringLiteral("Put a call database there (%1 when there is none).").arg(CallDatabase::makesDefault());
        if (kinds.value(0).toInt() == 0)
            throw DataError(DataError::Kind::Failed, m_path, where,
                            QStringLiteral("is empty: it holds no tables, so it is not a call database."), put);
        if (kinds.value(1).toInt() > 0)
            throw DataError(DataError::Kind::Failed, m_path, where,
                            QStringLiteral("is a use history (where Vorlet records each call used), not a call "
                                           "database."),
                            put);
    }
    for (const CallDatabase::Table &table : CallDatabase::requiredTables()) {
        QStringList columns;
        {
            QSqlQuery info(db);
            if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table.name)))
                throw failure(info.lastError());
            while (info.next())
                columns.append(info.value(1).toString());
            if (info.lastError().isValid())
                throw failure(info.lastError());
        }
        if (columns.isEmpty())
            throw DataError(DataError::Kind::Failed, m_path, where,
                            QStringLiteral("has no table %1: it is not a call database, or an incomplete one.")
                                .arg(table.name),
                            QStringLiteral("Put a whole call database there (%1 when there is none).")
                                .arg(CallDatabase::makesDefault()));
        for (const QString &column : table.columns) {
            if (!columns.contains(column, Qt::CaseInsensitive))
                throw DataError(DataError::Kind::Failed, m_path, where,
                                QStringLiteral("has no column %1 in its table %2: it is not a call database, or "
                                               "an incomplete one.")
                                    .arg(column, table.name),
                                QStringLiteral("Put a whole call database there."));
        }
    }
}

void CallStore::run(Waiting::Patience patience, const std::function<void()> &work)
{
    const Waiting::Patience opening = patience == Waiting::Patience::Tick ? patience : Waiting::Patience::Open;
    Waiting::retry(opening, m_path, [this] { database(); });
    Waiting::retry(patience, m_path, work);
}

DataError CallStore::failure(const QSqlError &error) const
{
    return CallDatabase::failure(m_path, error);
}

void CallStore::execute(const QString &statement, const QVariantList &values)
{
    const QSqlDatabase db = database();
    auto it = m_prepared.find(statement);
    if (it == m_prepared.end()) {
        QSqlQuery fresh(db);
        if (!fresh.prepare(statement))
            throw failure(fresh.lastError());
        it = m_prepared.insert(statement, fresh);
    }
    QSqlQuery &prepared = it.value();
    for (int i = 0; i < values.size(); ++i)
        prepared.bindValue(i, values[i]);
    const bool ok = prepared.exec();
    const QSqlError error = prepared.lastError();
    prepared.finish();
    if (!ok)
        throw failure(error);
}

QSqlQuery CallStore::query(const QString &statement, const QVariantList &values)
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.prepare(statement))
        throw failure(q.lastError());
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec())
        throw failure(q.lastError());
    return q;
}

CallStore::Transaction::Transaction(CallStore &store)
    : m_store(store)
{
    if (m_store.m_depth == 0) {
        try {
            m_store.execute(QStringLiteral("BEGIN IMMEDIATE"));
        } catch (const DataError &e) {
            // BEGIN IMMEDIATE takes every attached file at once; a lock on either is told as its own.
            if (e.isBusy() && !m_store.m_history.isEmpty())
                History::blameLock(m_store.database(), m_store.m_history);
            throw;
        }
    }
    ++m_store.m_depth;
}

CallStore::Transaction::~Transaction()
{
    // An inner one that failed throws through the outer one, which rolls back.
    if (--m_store.m_depth > 0)
        return;
    if (m_done)
        return;
    m_store.m_changedMarks.clear();
    if (!QSqlDatabase::contains(m_store.m_connection))
        return;
    // A COMMIT refused as busy leaves the transaction open: it ends here, whole.
    QSqlDatabase db = QSqlDatabase::database(m_store.m_connection, false);
    if (db.isOpen())
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    if (m_superJournalsBefore)
        m_store.dropSuperJournalsBut(*m_superJournalsBefore);
}

void CallStore::Transaction::commit()
{
    if (m_store.m_depth > 1) {
        m_done = true;
        return;
    }
    // With the history attached, a commit may go through a super-journal; one
    // that fails midway (a full disk) leaves it behind after the rollback.
    const QStringList before = m_store.m_history.isEmpty() ? QStringList() : m_store.superJournals();
    try {
        m_store.execute(QStringLiteral("COMMIT"));
    } catch (const DataError &) {
        if (!m_store.m_history.isEmpty())
            m_superJournalsBefore = before;
        throw;
    }
    m_done = true;
    m_store.tellChangedMarks();
}

QStringList CallStore::superJournals() const
{
    const QFileInfo file(m_path);
    return QDir(file.absolutePath()).entryList({file.fileName() + QStringLiteral("-mj*")}, QDir::Files | QDir::Hidden);
}

void CallStore::dropSuperJournalsBut(const QStringList &kept) const
{
    // A journal still there names its super-journal: without it, SQLite would take
    // the half-written transaction as committed. Rolled back, the journals are
    // gone, and so is any other writer's, whose super-journal goes before them.
    if (QFileInfo::exists(m_path + QStringLiteral("-journal"))
        || (!m_history.isEmpty() && QFileInfo::exists(m_history + QStringLiteral("-journal"))))
        return;
    const QDir folder = QFileInfo(m_path).absoluteDir();
    for (const QString &name : superJournals()) {
        if (!kept.contains(name))
            QFile::remove(folder.filePath(name));
    }
}

QString CallStore::attachHistory()
{
    QSqlDatabase db = database();
    m_history = History::attach(db);
    try {
        keepRollbackJournal(db, QStringLiteral("hist"));
    } catch (const DataError &e) {
        // The same words, about the history file.
        throw DataError(e.kind(), m_history, History::named(m_history), e.cause(), e.advice());
    }
    return m_history;
}

int CallStore::setUsed(const QVariantList &callIds, bool used)
{
    return setUsed(callIds, QVariant(used ? 1 : 0));
}

int CallStore::setUsed(const QVariantList &callIds, bool used, const QStringList &names)
{
    return setUsed(callIds, QVariant(used ? 1 : 0), names);
}

int CallStore::setUsedFrom(const QVariantList &callIds, const QStringList &sources)
{
    return setUsed(callIds, QVariant(1), {}, sources);
}

int CallStore::setUsed(const QVariantList &callIds, const QVariant &value, const QStringList &names)
{
    return setUsed(callIds, value, names, {});
}

int CallStore::setUsed(const QVariantList &callIds, const QVariant &value, const QStringList &names,
                       const QStringList &sources)
{
    QSqlDatabase db = database();
    // What else the value may come to, only the file's own affinity tells.
    const bool plain = value.typeId() == QMetaType::Int && (value.toInt() == 0 || value.toInt() == 1);
    const bool used = !plain || value.toInt() == 1;
    const QString history = used ? attachHistory() : QString();
    int found = 0;
    QVariantList changed;
    {
        Transaction transaction(*this);
        for (qsizetype i = 0; i < callIds.size(); ++i) {
            const QVariant &id = callIds[i];
            // Without a name to check, any name is the call's own.
            const QVariant name = i < names.size() ? QVariant(names[i]) : QVariant();
            QSqlQuery update = query(QStringLiteral("UPDATE tblCalls SET Used = ? WHERE Call_ID = ? AND Used IS NOT ? "
                                                    "AND (? IS NULL OR Call_Name IS ?)"),
                                     {value, id, value, name, name});
            if (update.numRowsAffected() > 0) {
                ++found;
                changed.append(id);
                bool marked = used;
                if (!plain) {
                    QSqlQuery now = query(QStringLiteral("SELECT typeof(Used) = 'integer' AND Used = 1 "
                                                         "FROM tblCalls WHERE Call_ID = ?"),
                                          {id});
                    marked = now.next() && now.value(0).toInt() == 1;
                }
                if (marked)
                    History::recordUse(db, id, history, i < sources.size() ? sources[i] : QString());
            } else if (query(QStringLiteral("SELECT 1 FROM tblCalls WHERE Call_ID = ? AND (? IS NULL OR Call_Name IS ?)"),
                             {id, name, name})
                           .next()) {
                ++found;
            }
        }
        try {
            transaction.commit();
        } catch (const DataError &e) {
            if (history.isEmpty())
                throw;
            throw DataError(e.kind(), e.file(), e.subject(), e.cause(),
                            e.advice() + QStringLiteral("\n\n") + History::notWrittenEither(history));
        }
    }
    m_changedMarks += changed;
    if (m_depth == 0)
        tellChangedMarks();
    return found;
}

QVariantList CallStore::resetUsed()
{
    QVariantList cleared;
    {
        Transaction transaction(*this);
        QSqlQuery marked = query(QStringLiteral("SELECT Call_ID FROM tblCalls WHERE Used = 1"));
        while (marked.next())
            cleared.append(marked.value(0));
        marked.finish();
        execute(QStringLiteral("UPDATE tblCalls SET Used = 0 WHERE Used IS NOT 0"));
        transaction.commit();
    }
    m_changedMarks += cleared;
    if (m_depth == 0)
        tellChangedMarks();
    return cleared;
}

int CallStore::restoreUsed(const QVariantList &callIds)
{
    QVariantList changed;
    {
        Transaction transaction(*this);
        for (const QVariant &id : callIds) {
            // A call used meanwhile stays as it is.
            if (query(QStringLiteral("UPDATE tblCalls SET Used = 1 WHERE Call_ID = ? AND Used = 0"), {id})
                    .numRowsAffected()
                > 0)
                changed.append(id);
        }
        transaction.commit();
    }
    m_changedMarks += changed;
    if (m_depth == 0)
        tellChangedMarks();
    return int(changed.size());
}

// Told once the marks are in the file: other connections read them then.
void CallStore::tellChangedMarks()
{
    const QVariantList changed = std::exchange(m_changedMarks, {});
    if (changed.size() == 1)
        emit History::notifier().marksChanged(changed.first());
    else if (!changed.isEmpty())
        emit History::notifier().marksChanged(QVariant());
}
