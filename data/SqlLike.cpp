#include "data/SqlLike.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QString>
#include <QVariant>
#include <sqlite3.h>

namespace SqlLike {

namespace {
// Whole characters, not UTF-16 units: "_" stands for one character even
// outside the Basic Multilingual Plane.
QList<uint> folded(const QString &s)
{
    return s.toCaseFolded().toUcs4();
}

// Greedy with one back-track point per "%": linear in practice, never exponential.
bool match(const QList<uint> &p, const QList<uint> &t, char32_t escape)
{
    qsizetype pi = 0;
    qsizetype ti = 0;
    qsizetype starP = -1;
    qsizetype starT = 0;
    while (ti < t.size()) {
        if (pi < p.size()) {
            const uint c = p[pi];
            if (escape && c == escape) {
                // An escaped character stands for itself; a trailing escape matches nothing.
                if (pi + 1 < p.size() && p[pi + 1] == t[ti]) {
                    pi += 2;
                    ++ti;
                    continue;
                }
            } else if (c == U'%') {
                starP = ++pi;
                starT = ti;
                continue;
            } else if (c == U'_' || c == t[ti]) {
                ++pi;
                ++ti;
                continue;
            }
        }
        if (starP < 0)
            return false;
        pi = starP;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi] == U'%')
        ++pi;
    return pi == p.size();
}

QString text(sqlite3_value *value)
{
    const void *data = sqlite3_value_text16(value);
    const int bytes = sqlite3_value_bytes16(value);
    return QString(static_cast<const QChar *>(data), bytes / int(sizeof(QChar)));
}

// like(pattern, text) and like(pattern, text, escape): "text LIKE pattern".
void like(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    char32_t escape = 0;
    if (argc == 3) {
        const QList<uint> e = folded(text(argv[2]));
        if (e.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e.first();
    }
    sqlite3_result_int(context, matches(text(argv[0]), text(argv[1]), escape) ? 1 : 0);
}
} // namespace

bool matches(const QString &pattern, const QString &text, char32_t escape)
{
    return match(folded(pattern), folded(text), escape);
}

bool install(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return false;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (!connection)
        return false;
    const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(connection, "like", 2, flags, nullptr, like, nullptr, nullptr, nullptr)
               == SQLITE_OK
        && sqlite3_create_function_v2(connection, "like", 3, flags, nullptr, like, nullptr, nullptr, nullptr)
               == SQLITE_OK;
}

} // namespace SqlLike
