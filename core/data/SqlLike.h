#pragma once

#include <QString>

class QSqlDatabase;

// SQLite's own LIKE folds only the ASCII letters. This one ignores letter case
// across all of Unicode, with "%" (any run of characters), "_" (one character)
// and the optional ESCAPE character keeping their meaning.
namespace SqlLike {

// Installs the comparison on an open QSQLITE connection; false when it cannot.
bool install(const QSqlDatabase &db);

// The comparison itself: does text match pattern? escape is 0 for none.
bool matches(const QString &pattern, const QString &text, char32_t escape = 0);

} // namespace SqlLike
