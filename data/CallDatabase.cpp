#include "data/CallDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace CallDatabase {

namespace {
QString &storedPath()
{
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

static bool build(QSqlDatabase &db, const QList<CallList> &lists, QString *error)
{
    QSqlQuery q(db);
    auto fail = [&](const QSqlQuery &failed) {
        *error = failed.lastError().text();
        return false;
    };
    auto failDb = [&] {
        *error = db.lastError().text();
        return false;
    };
    if (!db.transaction())
        return failDb();
    for (const char *statement : Schema) {
        if (!q.exec(QString::fromLatin1(statement)))
            return fail(q);
    }
    QSqlQuery addList(db);
    QSqlQuery addCall(db);
    addList.prepare(QStringLiteral("INSERT INTO tblList (List, List_Active) VALUES (?, 0)"));
    addCall.prepare(QStringLiteral("INSERT INTO tblCalls (Call_Name, List_ID, Used) VALUES (?, ?, 0)"));
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
    if (!db.commit())
        return failDb();
    return true;
}

bool create(const QString &target, const QList<CallList> &lists, QString *error)
{
    if (QFileInfo::exists(target)) {
        *error = QStringLiteral("%1 exists already; it is left as it is").arg(target);
        return false;
    }
    // Built beside the target under another name, then renamed: an interrupted
    // build never leaves a half-filled call database behind.
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    const QString connection = QStringLiteral("create-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(partial);
        if (!db.open())
            *error = db.lastError().text();
        else
            ok = build(db, lists, error);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (ok && !QFile::rename(partial, target)) {
        *error = QStringLiteral("could not rename %1 to %2").arg(partial, target);
        ok = false;
    }
    if (!ok)
        QFile::remove(partial);
    return ok;
}

} // namespace CallDatabase
