#include "core/data/CallDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

namespace CallDatabase {

namespace {
QString &storedPath()
{
    // cppcheck-suppress unassignedVariable ; filled through the returned reference
    static QString p;
    return p;
}

// Flags hold integers only: SQLite's column affinity turns "1" into 1, and the
// check refuses what is left as text.
const char *const Schema[] = {
    "CREATE TABLE tblList ("
    " List_ID INTEGER PRIMARY KEY,"
    " List TEXT NOT NULL,"
    " List_Active INTEGER NOT NULL DEFAULT 0 CHECK (typeof(List_Active) = 'integer'))",
    "CREATE TABLE tblCalls ("
    " Call_ID INTEGER PRIMARY KEY,"
    " Call_Name TEXT,"
    " List_ID INTEGER NOT NULL REFERENCES tblList (List_ID),"
    " Used INTEGER NOT NULL DEFAULT 0 CHECK (typeof(Used) = 'integer'))",
    "CREATE INDEX idxCallsList ON tblCalls (List_ID)",
    "CREATE TABLE tblType ("
    " Type_ID INTEGER PRIMARY KEY,"
    " Type_Name TEXT NOT NULL)",
};
} // namespace

QString path()
{
    if (storedPath().isEmpty())
        storedPath() = QDir::current().absoluteFilePath(FileName);
    return storedPath();
}

void setPath(const QString &p)
{
    storedPath() = QFileInfo(p).absoluteFilePath();
}

const QStringList &levelTags()
{
    static const QStringList tags = {QStringLiteral("B"),  QStringLiteral("MS"), QStringLiteral("P"),
                                     QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("C1"),
                                     QStringLiteral("C2"), QStringLiteral("C3A"), QStringLiteral("C3B")};
    return tags;
}

QString where(const QString &p)
{
    const QFileInfo file(p);
    return QStringLiteral("The call database \"%1\" in the folder \"%2\"")
        .arg(file.fileName(), QDir::toNativeSeparators(file.absolutePath()));
}

int resultCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : 0;
}

// SQLite's primary result codes, stable across its versions.
enum : int {
    SQLITE_ERROR = 1,
    SQLITE_BUSY = 5,
    SQLITE_LOCKED = 6,
    SQLITE_CORRUPT = 11,
    SQLITE_FULL = 13,
    SQLITE_CONSTRAINT = 19,
    SQLITE_NOTADB = 26,
};

static bool writable(const QString &p)
{
    // access() asks the kernel, which also refuses root on an immutable file
    // or a read-only mount, where the permission bits alone say nothing.
    return ::access(QFile::encodeName(p).constData(), W_OK) == 0;
}

namespace {
// A build folder holds CMakeCache.txt; the tests run one folder below it.
bool inSourceBuild()
{
    if (!QCoreApplication::instance())
        return false;
    const QDir bin(QCoreApplication::applicationDirPath());
    return bin.exists(QStringLiteral("CMakeCache.txt")) || bin.exists(QStringLiteral("../CMakeCache.txt"));
}
} // namespace

QString makesDefault()
{
    return inSourceBuild() ? QStringLiteral("./run.sh creates the default one")
                           : QStringLiteral("Vorlet started from the menu or as \"vorlet\" puts the default one in "
                                            "its data folder");
}

QString toMakeDefault()
{
    return inSourceBuild() ? QStringLiteral("run ./run.sh to create the default call database")
                           : QStringLiteral("start Vorlet from the menu or as \"vorlet\" to put the default call "
                                            "database in its data folder");
}

DataError problemError(const QString &p, int code)
{
    const QFileInfo file(p);
    const QString folder = file.absolutePath();
    QString cause;
    QString todo;
    if (file.isDir()) {
        cause = QStringLiteral("is a folder, not a call database file.");
        todo = QStringLiteral("Move or rename that folder, then put a call database there (%1).").arg(makesDefault());
    } else if (!file.exists()) {
        cause = QStringLiteral("is missing.");
        todo = toMakeDefault() + QStringLiteral(", or copy a call database there.");
        todo[0] = todo[0].toUpper();
    } else if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
        cause = QStringLiteral("is locked by another program (another copy of Vorlet, a database browser or a "
                               "backup tool).");
        todo = QStringLiteral("Close that program or wait until it is done, then try again.");
    } else if (code == SQLITE_FULL) {
        cause = QStringLiteral("cannot be written: the disk is full.");
        todo = QStringLiteral("Free some space on that disk, then try again.");
    } else if (code == SQLITE_NOTADB) {
        cause = QStringLiteral("is not a call database: it is some other kind of file, or damaged.");
        todo = QStringLiteral("Move it away and put a call database there (%1 when there is none).").arg(makesDefault());
    } else if (code == SQLITE_CORRUPT) {
        cause = QStringLiteral("is damaged.");
        todo = QStringLiteral("Restore it from a backup, or move it away and %1.").arg(toMakeDefault());
    } else if (!writable(p)) {
        cause = QStringLiteral("is a read-only file: Vorlet can read the calls but cannot mark them.");
        todo = QStringLiteral("Allow writing to the file (its permissions, or the disk it is on), then try again.");
    } else if (!writable(folder)) {
        cause = QStringLiteral("lies in a read-only folder: Vorlet writes a journal file beside the call database "
                               "to change it safely.");
        todo = QStringLiteral("Allow writing to the folder, or move the call database to a folder you can write "
                              "to, then try again.");
    } else {
        cause = QStringLiteral("could not be read or written (SQLite result code %1).").arg(code);
        todo = QStringLiteral("Check the disk and the file, then try again.");
    }
    const DataError::Kind kind =
        code == SQLITE_BUSY || code == SQLITE_LOCKED ? DataError::Kind::Busy : DataError::Kind::Failed;
    return DataError(kind, p, where(p), cause, todo);
}

QString problem(const QString &p, int code)
{
    return problemError(p, code).message();
}

DataError failure(const QString &p, const QSqlError &error)
{
    const int code = resultCode(error);
    // A rule of the file itself (a check, a trigger) refused the row: its words are the cause.
    if (code == SQLITE_CONSTRAINT)
        return DataError(DataError::Kind::Failed, p, where(p),
                         QStringLiteral("refused the change: %1.").arg(error.databaseText()),
                         QStringLiteral("The file's own rules (its checks and triggers) do not allow it."));
    // A file not laid out as a call database (tblCalls a view, say): SQLite's own words tell what.
    if (code == SQLITE_ERROR && !error.databaseText().isEmpty())
        return DataError(DataError::Kind::Failed, p, where(p),
                         QStringLiteral("could not carry out the change: %1.").arg(error.databaseText()),
                         QStringLiteral("Its tables are not laid out as a call database keeps them: put a whole "
                                        "call database there."));
    if (code == 0) // not SQLite's: a statement of the program's own that went wrong
        return DataError(error.text());
    return problemError(p, code);
}

DataError lostError(const QString &p, bool replaced)
{
    if (replaced)
        return DataError(DataError::Kind::Failed, p, where(p),
                         QStringLiteral("was replaced by another file while Vorlet was running."),
                         QStringLiteral("Vorlet writes nothing into a file it did not open. Close Vorlet and start "
                                        "it again to work with the file that is there now."));
    return DataError(DataError::Kind::Failed, p, where(p), QStringLiteral("was removed while Vorlet was running."),
                     QStringLiteral("Nothing more is written to it. Put the call database back, then close Vorlet "
                                    "and start it again."));
}

QString lost(const QString &p, bool replaced)
{
    return lostError(p, replaced).message();
}

Identity identify(const QString &p)
{
    struct stat info;
    if (::stat(QFile::encodeName(p).constData(), &info) != 0)
        return {};
    return {quint64(info.st_dev), quint64(info.st_ino), true};
}

QList<CallList> parse(const QString &text, QString *error)
{
    QList<CallList> lists;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (name.isEmpty()) {
                *error = QStringLiteral("line %1: a list needs a name").arg(i + 1);
                return {};
            }
            lists.append({name, {}});
            continue;
        }
        if (lists.isEmpty()) {
            *error = QStringLiteral("line %1: a call before the first [list] line").arg(i + 1);
            return {};
        }
        lists.last().calls.append(line);
    }
    return lists;
}

const QList<Table> &requiredTables()
{
    static const QList<Table> tables = {
        {QStringLiteral("tblCalls"),
         {QStringLiteral("Call_ID"), QStringLiteral("Call_Name"), QStringLiteral("List_ID"),
          QStringLiteral("Used")}},
        {QStringLiteral("tblList"),
         {QStringLiteral("List_ID"), QStringLiteral("List"), QStringLiteral("List_Active")}},
        {QStringLiteral("tblType"), {}},
    };
    return tables;
}

void setExisting(QSqlDatabase &db, const QString &path, int busyTimeoutMs)
{
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
}

bool listIndexed(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT 1 FROM pragma_index_list(?) AS list, pragma_index_info(list.name) AS info "
                                  "WHERE list.partial = 0 AND info.seqno = 0 AND info.name = ? COLLATE NOCASE")))
        return false; // counted as no index: the draws then take the way that needs none
    q.addBindValue(QStringLiteral("tblCalls"));
    q.addBindValue(QStringLiteral("List_ID"));
    return q.exec() && q.next();
}

// Why a build failed, in the set-up's words: never the driver's text.
static QString buildCause(const QString &target, const QSqlError &error)
{
    const int code = resultCode(error);
    const QString folder = QFileInfo(target).absolutePath();
    if (code == SQLITE_FULL)
        return QStringLiteral("the disk is full");
    if (!writable(folder))
        return QStringLiteral("the folder %1 is read-only").arg(QDir::toNativeSeparators(folder));
    if (code == SQLITE_CONSTRAINT || code == SQLITE_ERROR)
        return error.databaseText();
    return QStringLiteral("SQLite result code %1").arg(code);
}

static bool build(QSqlDatabase &db, const QString &target, const QList<CallList> &lists, QString *error)
{
    QSqlQuery q(db);
    auto fail = [&](const QSqlQuery &failed) {
        *error = buildCause(target, failed.lastError());
        return false;
    };
    // Plain statements: the driver's own transaction calls drop SQLite's result code.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q);
    for (const char *statement : Schema) {
        if (!q.exec(QString::fromLatin1(statement)))
            return fail(q);
    }
    QSqlQuery addList(db);
    QSqlQuery addCall(db);
    if (!addList.prepare(QStringLiteral("INSERT INTO tblList (List, List_Active) VALUES (?, 0)")))
        return fail(addList);
    if (!addCall.prepare(QStringLiteral("INSERT INTO tblCalls (Call_Name, List_ID, Used) VALUES (?, ?, 0)")))
        return fail(addCall);
    for (const CallList &list : lists) {
        addList.addBindValue(list.name);
        if (!addList.exec())
            return fail(addList);
        const QVariant listId = addList.lastInsertId();
        for (const QString &call : list.calls) {
            addCall.addBindValue(call);
            addCall.addBindValue(listId);
            if (!addCall.exec())
                return fail(addCall);
        }
    }
    if (!q.exec(QStringLiteral("COMMIT")))
        return fail(q);
    return true;
}

bool create(const QString &target, const QList<CallList> &lists, QString *error)
{
    // One build per target at a time; a lock left by a killed build is taken over.
    QLockFile lock(target + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        *error = lock.error() == QLockFile::LockFailedError
                     ? QStringLiteral("another build of %1 is in progress").arg(target)
                     : QStringLiteral("cannot build %1: its folder cannot be written").arg(target);
        return false;
    }
    if (QFileInfo::exists(target)) {
        *error = QStringLiteral("%1 exists already; it is left as it is").arg(target);
        return false;
    }
    // Built beside the target under another name, then renamed: an interrupted
    // build never leaves a half-filled call database behind.
    const QString partial = target + QStringLiteral(".partial");
    const QStringList sideFiles = {partial, partial + QStringLiteral("-journal"), partial + QStringLiteral("-wal"),
                                   partial + QStringLiteral("-shm")};
    for (const QString &file : sideFiles)
        QFile::remove(file); // left by a killed build
    const QString connection = QStringLiteral("create-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(partial);
        if (!db.open())
            *error = buildCause(target, db.lastError());
        else
            ok = build(db, target, lists, error);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (ok && !QFile::rename(partial, target)) {
        *error = QStringLiteral("could not rename %1 to %2").arg(partial, target);
        ok = false;
    }
    if (!ok) {
        *error = QStringLiteral("cannot build %1: %2; nothing was left behind").arg(target, *error);
        // A failed build may leave SQLite's journal beside the partial file.
        for (const QString &file : sideFiles)
            QFile::remove(file);
    }
    return ok;
}

} // namespace CallDatabase
