#include "core/data/SqlLike.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QString>
#include <QVarLengthArray>
#include <QVariant>
#include <algorithm>
#include <memory>
#include <sqlite3.h>

namespace SqlLike {

namespace {
using Chars = QVarLengthArray<char32_t, 128>;

// Whole characters, not UTF-16 units: "_" stands for one character even
// outside the Basic Multilingual Plane.
void fold(const QString &s, Chars *out)
{
    const QList<uint> all = s.toCaseFolded().toUcs4();
    out->resize(all.size());
    std::copy(all.cbegin(), all.cend(), out->begin());
}

// The rows a draw tests are mostly plain ASCII: those fold without a detour
// through QString, which keeps the comparison in step with SQLite's own LIKE.
void fold(const char *utf8, int bytes, Chars *out)
{
    out->resize(bytes);
    for (int i = 0; i < bytes; ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80)
            return fold(QString::fromUtf8(utf8, bytes), out);
        (*out)[i] = c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    }
}

void fold(sqlite3_value *value, Chars *out)
{
    const auto *utf8 = reinterpret_cast<const char *>(sqlite3_value_text(value));
    fold(utf8, sqlite3_value_bytes(value), out);
}

// Greedy with one back-track point per "%": linear in practice, never exponential.
bool match(const Chars &p, const Chars &t, char32_t escape)
{
    qsizetype pi = 0;
    qsizetype ti = 0;
    qsizetype starP = -1;
    qsizetype starT = 0;
    while (ti < t.size()) {
        if (pi < p.size()) {
            const char32_t c = p[pi];
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
        Chars e;
        fold(argv[2], &e);
        if (e.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e.first();
    }
    // A bound or literal pattern is the same for every row: folded once per run.
    auto *pattern = static_cast<Chars *>(sqlite3_get_auxdata(context, 0));
    std::unique_ptr<Chars> folded;
    if (!pattern) {
        folded = std::make_unique<Chars>();
        fold(argv[0], folded.get());
        pattern = folded.get();
    }
    Chars text;
    fold(argv[1], &text);
    sqlite3_result_int(context, match(*pattern, text, escape) ? 1 : 0);
    // SQLite may drop it at once, so it is handed over only after its last use.
    if (folded)
        sqlite3_set_auxdata(context, 0, folded.release(), [](void *p) { delete static_cast<Chars *>(p); });
}
} // namespace

bool matches(const QString &pattern, const QString &text, char32_t escape)
{
    Chars p;
    Chars t;
    fold(pattern, &p);
    fold(text, &t);
    return match(p, t, escape);
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
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(connection, "like", 2, flags, nullptr, like, nullptr, nullptr, nullptr)
               == SQLITE_OK
        && sqlite3_create_function_v2(connection, "like", 3, flags, nullptr, like, nullptr, nullptr, nullptr)
               == SQLITE_OK;
}

} // namespace SqlLike
