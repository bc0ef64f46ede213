#include "core/history/History.h"

#include "core/app/Csv.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <functional>

namespace History {

QString named(const QString &file)
{
    return QStringLiteral("The use history \"%1\"").arg(QDir::toNativeSeparators(file));
}

namespace {

QString newerText(const QString &file, int version)
{
    return named(file)
           + QStringLiteral(" was written by a newer version of Vorlet (layout %1; this one knows up to %2). "
                            "It is left as it is: use the newer version, or move the file away to start a "
                            "new history.")
                 .arg(version)
                 .arg(Version);
}

// SQLite names the file by the URI it was opened with; the message names it by its path.
QString cause(const QSqlError &e, const QString &file)
{
    QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    static const QRegularExpression uri(QStringLiteral("file:[^\\s]*"));
    return text.replace(uri, QDir::toNativeSeparators(file));
}

using Failure = std::function<DataError(const QSqlError &)>;

DataError locked(const QString &file)
{
    return DataError(DataError::Kind::Busy, file, named(file), QStringLiteral("is locked by another program."),
                     QStringLiteral("Close that program or wait until it is done, then try again."));
}

// A failed statement on the history: Busy while another connection holds it,
// so that the caller's bounded wait makes the attempt again.
Failure historyFailure(const QString &file, const QString &what)
{
    return [file, what](const QSqlError &e) {
        const int code = CallDatabase::resultCode(e);
        if (code == 5 || code == 6) // SQLITE_BUSY, SQLITE_LOCKED
            return locked(file);
        if (code == 13) // SQLITE_FULL
            return DataError(DataError::Kind::Failed, file, named(file),
                             QStringLiteral("cannot be written: the disk is full."),
                             QStringLiteral("Free some space on that disk, then try again."));
        return DataError(DataError::Kind::Failed, file, named(file), what.mid(1) + cause(e, file));
    };
}

DataError callDatabaseFailure(const QSqlError &e)
{
    return CallDatabase::failure(CallDatabase::path(), e);
}

QSqlQuery run(QSqlDatabase db, const QString &sql, const QVariantList &values, const Failure &fail)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    bool ok = q.prepare(sql);
    for (int i = 0; ok && i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!ok || !q.exec())
        throw fail(q.lastError());
    return q;
}

// The files a connection has open as main and as hist (empty when none).
QPair<QString, QString> databaseFiles(QSqlDatabase db)
{
    // The pragma, not its table-valued form: that one reads the schema, which a
    // lock on the call database refuses.
    QSqlQuery q = run(db, QStringLiteral("PRAGMA database_list"), {}, callDatabaseFailure);
    QPair<QString, QString> files;
    while (q.next()) {
        if (q.value(1).toString() == QLatin1String("main"))
            files.first = q.value(2).toString();
        else if (q.value(1).toString() == QLatin1String("hist"))
            files.second = q.value(2).toString();
    }
    return files;
}

// The layout of the file a connection reaches under prefix ("" or "hist.");
// throws for a file that cannot be read or comes from a newer version.
int checkedVersion(QSqlDatabase db, const QString &prefix, const QString &file)
{
    QSqlQuery q = run(db, QStringLiteral("PRAGMA %1user_version").arg(prefix), {},
                      historyFailure(file, QStringLiteral(" cannot be read: ")));
    const int version = q.next() ? q.value(0).toInt() : 0;
    if (version > Version)
        throw DataError(newerText(file, version));
    return version;
}

bool hasSource(QSqlDatabase db, const QString &prefix)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA %1table_info(tblHistory)").arg(prefix)))
        return false;
    while (q.next()) {
        if (q.value(1).toString().compare(QLatin1String("Source"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void requireFile(const QString &file)
{
    if (!QFileInfo(file).isFile())
        throw DataError(named(file) + QStringLiteral(" is not a file; move what is there away."));
}

// Local time with its offset, and UTC with milliseconds for ordering.
QPair<QString, QString> now()
{
    const QDateTime t = QDateTime::currentDateTime();
    const int offset = t.offsetFromUtc();
    const QString local = t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
                          + QStringLiteral("%1%2:%3")
                                .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                                .arg(qAbs(offset) / 3600, 2, 10, QLatin1Char('0'))
                                .arg(qAbs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
    return {local, t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"))};
}

// A read-only connection of its own for the time of one read; none when the
// history does not exist yet.
class Reader
{
public:
    explicit Reader(const QString &file)
        : m_file(file)
        , m_name(QStringLiteral("history-read-") + QUuid::createUuid().toString())
    {
    }
    ~Reader()
    {
        if (QSqlDatabase::contains(m_name)) {
            QSqlDatabase::database(m_name, false).close();
            QSqlDatabase::removeDatabase(m_name);
        }
    }
    // False when there is nothing to read.
    bool open()
    {
        if (!QFileInfo::exists(m_file))
            return false;
        requireFile(m_file);
        // cppcheck-suppress shadowFunction ; the connection being made, which db() returns later
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        // Read-write when allowed, though nothing is written: a journal left by
        // a crash is rolled back only by a connection that may write.
        const bool mayWrite = QFileInfo(m_file).isWritable() && QFileInfo(QFileInfo(m_file).absolutePath()).isWritable();
        db.setDatabaseName(QUrl::fromLocalFile(m_file).toString(QUrl::FullyEncoded)
                           + (mayWrite ? QStringLiteral("?mode=rw") : QStringLiteral("?mode=ro")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open())
            throw DataError(named(m_file) + QStringLiteral(" cannot be read: ") + db.lastError().text());
        return checkedVersion(db, QString(), m_file) > 0;
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_file;
    QString m_name;
};
} // namespace

QString pathBeside(const QString &callDatabase)
{
    return QFileInfo(callDatabase).absoluteDir().absoluteFilePath(FileName);
}

QString path()
{
    return pathBeside(CallDatabase::path());
}

// The file each connection attached: one replaced since (restored from a
// backup) is attached afresh, never written through the old one.
static QHash<QString, CallDatabase::Identity> &attachedFiles()
{
    static QHash<QString, CallDatabase::Identity> files;
    return files;
}

Notifier &notifier()
{
    static Notifier n;
    return n;
}

QString attach(QSqlDatabase db)
{
    const auto [callDatabase, attached] = databaseFiles(db);
    const QString file = pathBeside(callDatabase);
    // Attached once per connection; a file removed or replaced meanwhile is attached afresh.
    const CallDatabase::Identity current = CallDatabase::identify(file);
    const bool exists = current.exists;
    if (!attached.isEmpty()) {
        if (exists && current == attachedFiles().value(db.connectionName()))
            return file;
        run(db, QStringLiteral("DETACH DATABASE hist"), {}, historyFailure(file, QStringLiteral(" could not be let go: ")));
    }
    if (exists)
        requireFile(file);
    run(db, QStringLiteral("ATTACH DATABASE ? AS hist"),
        {QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rwc")},
        historyFailure(file, QStringLiteral(" could not be opened or created: ")));
    try {
        // One sync fewer per Use on the history's side; the call database keeps its own setting.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA hist.synchronous = NORMAL"));
        if (checkedVersion(db, QStringLiteral("hist."), file) == 0) {
            const Failure failure = historyFailure(file, QStringLiteral(" could not be created: "));
            run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS hist.tblHistory ("
                                   " Record_ID INTEGER PRIMARY KEY,"
                                   " Call_ID INTEGER,"
                                   " Call_Name TEXT NOT NULL,"
                                   " List TEXT NOT NULL,"
                                   " Used_At TEXT NOT NULL,"
                                   " Used_UTC TEXT NOT NULL,"
                                   " Source TEXT)"),
                {}, failure);
            run(db, QStringLiteral("CREATE INDEX IF NOT EXISTS hist.idxHistoryList ON tblHistory (List, Call_Name, Used_UTC, Used_At)"),
                {}, failure);
            run(db, QStringLiteral("PRAGMA hist.user_version = %1").arg(Version), {}, failure);
        } else if (!hasSource(db, QStringLiteral("hist."))) {
            // Files from before sources were kept gain the column; their records have none.
            run(db, QStringLiteral("ALTER TABLE hist.tblHistory ADD COLUMN Source TEXT"), {},
                historyFailure(file, QStringLiteral(" could not be updated: ")));
        }
        attachedFiles().insert(db.connectionName(), CallDatabase::identify(file));
    } catch (const DataError &) {
        QSqlQuery(db).exec(QStringLiteral("DETACH DATABASE hist"));
        throw;
    }
    return file;
}

void recordUse(QSqlDatabase db, const QVariant &callId, const QString &file, const QString &source)
{
    const auto [local, utc] = now();
    run(db,
        QStringLiteral("INSERT INTO hist.tblHistory (Call_ID, Call_Name, List, Used_At, Used_UTC, Source) "
                       "SELECT c.Call_ID, COALESCE(c.Call_Name, ''), COALESCE(l.List, ''), ?, ?, ? "
                       "FROM main.tblCalls c LEFT JOIN main.tblList l ON l.List_ID = c.List_ID "
                       "WHERE c.Call_ID = ?"),
        {local, utc, source.isEmpty() ? QVariant() : QVariant(source), callId},
        historyFailure(file, QStringLiteral(" could not be written: ")));
}

QString notWrittenEither(const QString &file)
{
    return named(file) + QStringLiteral(" was not written either.");
}

void blameLock(QSqlDatabase db, const QString &file)
{
    if (file.isEmpty())
        return;
    // A write that takes the call database alone: when it goes through, the
    // lock that turned the transaction away is the history's.
    QSqlQuery probe(db);
    const bool begun = probe.exec(QStringLiteral("BEGIN"));
    const bool callsFree = begun && probe.exec(QStringLiteral("UPDATE main.tblCalls SET Used = Used WHERE 0"));
    if (begun)
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    if (callsFree)
        throw locked(file);
}

QList<Record> records(const QString &list, const QString &since, const QString &file)
{
    Reader reader(file);
    QList<Record> out;
    if (!reader.open())
        return out;
    // An older file may have no Source column yet: it is only added when written to.
    QString sql = QStringLiteral("SELECT Used_At, List, Call_Name, %1 FROM tblHistory WHERE 1")
                      .arg(hasSource(reader.db(), QString()) ? QStringLiteral("Source") : QStringLiteral("NULL"));
    QVariantList values;
    if (!list.isNull()) {
        sql += QStringLiteral(" AND List = ?");
        values.append(list);
    }
    if (!since.isNull()) {
        // The local date on which the use took place.
        sql += QStringLiteral(" AND substr(Used_At, 1, 10) >= ?");
        values.append(since);
    }
    sql += QStringLiteral(" ORDER BY Used_UTC, Record_ID");
    const Failure failure = historyFailure(file, QStringLiteral(" cannot be read: "));
    QSqlQuery q = run(reader.db(), sql, values, failure);
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()});
    if (q.lastError().isValid())
        throw failure(q.lastError());
    return out;
}

QHash<QString, Summary> summaryOfList(const QString &list, const QString &call)
{
    const QString file = path();
    Reader reader(file);
    QHash<QString, Summary> out;
    if (!reader.open())
        return out;
    // With MAX(), SQLite takes the other bare columns from the row holding the maximum.
    const Failure failure = historyFailure(file, QStringLiteral(" cannot be read: "));
    QSqlQuery q = run(reader.db(),
                      QStringLiteral("SELECT Call_Name, COUNT(*), Used_At, MAX(Used_UTC) FROM tblHistory "
                                     "WHERE List = ? AND (? IS NULL OR Call_Name = ?) GROUP BY Call_Name"),
                      {list, call, call}, failure);
    while (q.next())
        out.insert(q.value(0).toString(), {q.value(1).toInt(), q.value(2).toString(), q.value(3).toString()});
    if (q.lastError().isValid())
        throw failure(q.lastError());
    return out;
}

QString csvLine(const QStringList &fields)
{
    return Csv::record(fields, Csv::Quoting::Always);
}

QString csv(const QList<Record> &rows)
{
    QString out = csvLine({QStringLiteral("Date"), QStringLiteral("List"), QStringLiteral("Call"), QStringLiteral("Source")});
    for (const Record &r : rows)
        out += csvLine({r.date, r.list, r.call, r.source});
    return out;
}

} // namespace History
