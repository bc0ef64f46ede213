#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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

// Builds a new database file holding the lists, every call unused and every
// list inactive. Refuses to touch an existing file; a failed build leaves none.
bool create(const QString &path, const QList<CallList> &lists, QString *error);

} // namespace CallDatabase
