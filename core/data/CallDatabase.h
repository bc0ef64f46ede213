#pragma once

#include "core/data/DataError.h"

#include <QList>
#include <QString>
#include <QStringList>

class QSqlDatabase;
class QSqlError;

// The call database file: where it is, what it holds, and how the set-up
// builds it from the call data text. The program itself never creates it.
namespace CallDatabase {

inline const QString FileName = QStringLiteral("Call_List.db");

// The file in the working directory at start-up; fixed from the first call on.
QString path();
void setPath(const QString &path);

// The nine level lists in ladder order, lowest first: each level's check box
// carries its name as Tag.
const QStringList &levelTags();

struct CallList
{
    QString name;
    QStringList calls;
};

// Reads the call data text: "[List]" starts a list, every other non-empty line
// is a call of it, "#" starts a comment line.
QList<CallList> parse(const QString &text, QString *error);

// The tables and columns every reader of the file relies on.
struct Table
{
    QString name;
    QStringList columns;
};
const QList<Table> &requiredTables();

// Whether tblCalls has an index over all its rows that starts with List_ID, through
// which the calls of one list are found without reading the others (a partial
// index cannot serve a count).
bool listIndexed(const QSqlDatabase &db);

// Points a QSQLITE connection at an existing file, read-write: SQLite never
// creates it, not even if it vanishes meanwhile. A lock is waited on inside
// SQLite for at most busyTimeoutMs.
void setExisting(QSqlDatabase &db, const QString &path, int busyTimeoutMs);

// "The call database "Call_List.db" in the folder "...": how every message names the file.
QString where(const QString &path);

// SQLite's primary result code behind a failed statement, 0 when there is none.
int resultCode(const QSqlError &error);

// Why the file cannot be used, found on disk and in SQLite's result code, and
// what to do about it: a whole message for the caller, never the driver's text.
QString problem(const QString &path, int sqliteCode);
DataError problemError(const QString &path, int sqliteCode);

// Advice on getting the default call database that fits how this copy runs:
// ./run.sh beside a build in the source tree, the launcher for an installed
// copy. "./run.sh creates the default one", and "run ./run.sh to create ...".
QString makesDefault();
QString toMakeDefault();

// A failed statement as the error to raise: Busy when another connection
// holds the lock, so that the attempt can be made again.
DataError failure(const QString &path, const QSqlError &error);

// The message for a file removed or replaced since it was opened.
QString lost(const QString &path, bool replaced);
DataError lostError(const QString &path, bool replaced);

// Which file a path names right now, to notice one removed or replaced.
struct Identity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool exists = false;
    bool operator==(const Identity &o) const { return exists == o.exists && device == o.device && inode == o.inode; }
    bool operator!=(const Identity &o) const { return !(*this == o); }
};
Identity identify(const QString &path);

// Builds a new database file holding the lists, every call unused and every
// list inactive. Refuses to touch an existing file; a failed build leaves none.
bool create(const QString &target, const QList<CallList> &lists, QString *error);

} // namespace CallDatabase
