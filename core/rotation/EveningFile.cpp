#include "core/rotation/EveningFile.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/data/Waiting.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

using namespace Rotation;

namespace {

QString named(const QString &file)
{
    return QStringLiteral("The evening \"%1\"").arg(QDir::toNativeSeparators(file));
}

DataError error(const QString &file, const QString &cause, const QString &advice,
                DataError::Kind kind = DataError::Kind::Failed)
{
    return DataError(kind, file, named(file), cause, advice);
}

DataError failure(const QString &file, const QSqlError &e)
{
    const int code = CallDatabase::resultCode(e);
    if (code == 5 || code == 6) // SQLITE_BUSY, SQLITE_LOCKED: worth another attempt
        return error(file, QStringLiteral("is locked by another program."),
                     QStringLiteral("Close that program or wait until it is done, then try again."),
                     DataError::Kind::Busy);
    if (code == 8) // SQLITE_READONLY
        return error(file, QStringLiteral("cannot be written: the file or its folder is read-only."),
                     QStringLiteral("Make them writable, then try again."));
    if (code == 13) // SQLITE_FULL
        return error(file, QStringLiteral("cannot be written: the disk is full."),
                     QStringLiteral("Make room, then try again."));
    if (code == 26) // SQLITE_NOTADB
        return error(file, QStringLiteral("is not an evening file."),
                     QStringLiteral("Move it away to start a new evening."));
    const QString cause = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return error(file, QStringLiteral("cannot be used: ") + cause, QString());
}

QSqlQuery run(QSqlDatabase db, const QString &file, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    bool ok = q.prepare(sql);
    for (int i = 0; ok && i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!ok || !q.exec())
        throw failure(file, q.lastError());
    return q;
}

const char *const Schema[] = {
    "CREATE TABLE IF NOT EXISTS evening (key TEXT PRIMARY KEY, value INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS dancer (id INTEGER PRIMARY KEY, name TEXT NOT NULL, kind INTEGER NOT NULL, "
    "status INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS tip (number INTEGER PRIMARY KEY, squares INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS spot (tip INTEGER NOT NULL, dancer INTEGER NOT NULL, status INTEGER NOT NULL, "
    "square INTEGER NOT NULL, place INTEGER NOT NULL, partner INTEGER NOT NULL, PRIMARY KEY (tip, dancer))",
};

void writeStatuses(QSqlDatabase db, const QString &file, const Evening &before, const Evening &after)
{
    for (int d = 0; d < after.dancers().size(); ++d) {
        if (d >= before.dancers().size() || before.dancers()[d].status != after.dancers()[d].status)
            run(db, file, QStringLiteral("UPDATE dancer SET status = ? WHERE id = ?"),
                {static_cast<int>(after.dancers()[d].status), d});
    }
}

} // namespace

QString EveningFile::pathBeside(const QString &callDatabase)
{
    return QFileInfo(callDatabase).absoluteDir().absoluteFilePath(FileName);
}

EveningFile::EveningFile(const QString &path)
    : m_path(QFileInfo(path).absoluteFilePath())
    , m_connection(QStringLiteral("evening-") + QUuid::createUuid().toString())
{
}

EveningFile::~EveningFile()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void EveningFile::connect(bool create)
{
    if (QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen())
        return;
    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile())
        throw error(m_path, QStringLiteral("is not a file."), QStringLiteral("Move what is there away."));
    if (!info.exists() && !create)
        return;
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? QSqlDatabase::database(m_connection, false)
                                                           : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(Waiting::SliceMs));
    if (!db.open())
        throw error(m_path, QStringLiteral("cannot be opened: ") + db.lastError().text(), QString());
}

void EveningFile::open()
{
    Waiting::retry(Waiting::Patience::Open, m_path, [this] {
        connect(false);
        if (!QSqlDatabase::contains(m_connection)) {
            m_evening = Evening();
            return;
        }
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        // One read transaction: a writer's half-written tip is never seen.
        run(db, m_path, QStringLiteral("BEGIN"));
        try {
            QSqlQuery v = run(db, m_path, QStringLiteral("PRAGMA user_version"));
            const int version = v.next() ? v.value(0).toInt() : 0;
            if (version > Version)
                throw error(m_path,
                            QStringLiteral("was written by a newer version of Vorlet (layout %1; this one knows up "
                                           "to %2).")
                                .arg(version)
                                .arg(Version),
                            QStringLiteral("It is left as it is: use the newer version, or move the file away to "
                                           "start a new evening."));
            if (version == 0) { // created but never written: as no file
                run(db, m_path, QStringLiteral("COMMIT"));
                m_evening = Evening();
                return;
            }
            QSqlQuery meta = run(db, m_path, QStringLiteral("SELECT key, value FROM evening"));
            std::uint32_t seed = 1;
            int limit = 0;
            while (meta.next()) {
                if (meta.value(0).toString() == QLatin1String("seed"))
                    seed = static_cast<std::uint32_t>(meta.value(1).toLongLong());
                else if (meta.value(0).toString() == QLatin1String("squares"))
                    limit = meta.value(1).toInt();
            }
            Evening e(seed);
            e.setSquareLimit(limit);
            QVector<Status> statuses;
            QSqlQuery dancers = run(db, m_path, QStringLiteral("SELECT id, name, kind, status FROM dancer ORDER BY id"));
            while (dancers.next()) {
                if (dancers.value(0).toInt() != e.dancers().size())
                    throw error(m_path, QStringLiteral("is damaged: a dancer is missing."),
                                QStringLiteral("Move it away to start a new evening."));
                const int kind = dancers.value(2).toInt();
                const int status = dancers.value(3).toInt();
                // Read as indices by every face: one out of range would be read past an end.
                if (kind < 0 || kind > static_cast<int>(Kind::Either) || status < 0
                    || status > static_cast<int>(Status::Removed))
                    throw error(m_path, QStringLiteral("is damaged: dancer %1 has no known kind or status.")
                                            .arg(e.dancers().size() + 1),
                                QStringLiteral("Move it away to start a new evening."));
                e.addDancer(dancers.value(1).toString(), static_cast<Kind>(kind));
                statuses.append(static_cast<Status>(status));
            }
            QSqlQuery tips = run(db, m_path, QStringLiteral("SELECT number, squares FROM tip ORDER BY number"));
            QVector<Tip> read;
            while (tips.next()) {
                Tip tip;
                tip.squares = tips.value(1).toInt();
                read.append(tip);
            }
            QSqlQuery spots = run(db, m_path,
                                  QStringLiteral("SELECT tip, dancer, status, square, place, partner FROM spot "
                                                 "ORDER BY tip, dancer"));
            while (spots.next()) {
                const int t = spots.value(0).toInt() - 1;
                const int d = spots.value(1).toInt();
                if (t < 0 || t >= read.size() || d != read[t].spots.size() || d >= e.dancers().size())
                    throw error(m_path, QStringLiteral("is damaged: tip %1 does not hold every dancer.").arg(t + 1),
                                QStringLiteral("Move it away to start a new evening."));
                read[t].statuses.append(static_cast<Status>(spots.value(2).toInt()));
                read[t].spots.append({spots.value(3).toInt(), spots.value(4).toInt(), spots.value(5).toInt()});
            }
            run(db, m_path, QStringLiteral("COMMIT"));
            for (const Tip &tip : std::as_const(read))
                e.replayTip(tip);
            for (int d = 0; d < statuses.size(); ++d)
                e.setStatus(d, statuses[d]);
            m_evening = e;
        } catch (const DataError &) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
    });
}

template<typename Write>
void EveningFile::commit(Evening next, Write write)
{
    Waiting::retry(Waiting::Patience::Command, m_path, [&] {
        connect(true);
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        // IMMEDIATE: the write lock first, so a busy file refuses before anything is done.
        run(db, m_path, QStringLiteral("BEGIN IMMEDIATE"));
        try {
            QSqlQuery v = run(db, m_path, QStringLiteral("PRAGMA user_version"));
            const int version = v.next() ? v.value(0).toInt() : 0;
            if (version > Version)
                throw error(m_path, QStringLiteral("was written by a newer version of Vorlet."),
                            QStringLiteral("It is left as it is: use the newer version, or move the file away to "
                                           "start a new evening."));
            if (version == 0) {
                for (const char *sql : Schema)
                    run(db, m_path, QString::fromLatin1(sql));
                run(db, m_path, QStringLiteral("PRAGMA user_version = %1").arg(Version));
            }
            write(db);
            run(db, m_path, QStringLiteral("COMMIT"));
        } catch (const DataError &) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
    });
    m_evening = std::move(next);
}

void EveningFile::startNew(std::uint32_t seed, int squareLimit)
{
    Evening next(seed);
    next.setSquareLimit(squareLimit);
    commit(next, [&](QSqlDatabase db) {
        for (const char *table : {"spot", "tip", "dancer", "evening"})
            run(db, m_path, QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
        run(db, m_path, QStringLiteral("INSERT INTO evening (key, value) VALUES ('seed', ?), ('squares', ?)"),
            {static_cast<qlonglong>(seed), squareLimit});
    });
}

void EveningFile::setSquareLimit(int squares)
{
    Evening next = m_evening;
    next.setSquareLimit(squares);
    commit(next, [&](QSqlDatabase db) {
        run(db, m_path, QStringLiteral("INSERT OR REPLACE INTO evening (key, value) VALUES ('seed', ?), ('squares', ?)"),
            {static_cast<qlonglong>(m_evening.seed()), squares});
    });
}

int EveningFile::addDancer(const QString &name, Kind kind, Status status)
{
    Evening next = m_evening;
    const int d = next.addDancer(name, kind, status);
    commit(next, [&](QSqlDatabase db) {
        // The seed goes in with the first dancer of an evening never started by hand.
        run(db, m_path, QStringLiteral("INSERT OR IGNORE INTO evening (key, value) VALUES ('seed', ?), ('squares', ?)"),
            {static_cast<qlonglong>(m_evening.seed()), m_evening.squareLimit()});
        run(db, m_path, QStringLiteral("INSERT INTO dancer (id, name, kind, status) VALUES (?, ?, ?, ?)"),
            {d, name, static_cast<int>(kind), static_cast<int>(status)});
    });
    return d;
}

void EveningFile::setStatus(int dancer, Status status)
{
    Evening next = m_evening;
    next.setStatus(dancer, status);
    commit(next, [&](QSqlDatabase db) { writeStatuses(db, m_path, m_evening, next); });
}

const Tip &EveningFile::nextTip()
{
    Evening next = m_evening;
    const Tip tip = next.nextTip();
    const int number = static_cast<int>(next.tips().size());
    commit(next, [&](QSqlDatabase db) {
        run(db, m_path, QStringLiteral("INSERT INTO tip (number, squares) VALUES (?, ?)"), {number, tip.squares});
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO spot (tip, dancer, status, square, place, partner) "
                                           "VALUES (?, ?, ?, ?, ?, ?)")))
            throw failure(m_path, insert.lastError());
        for (int d = 0; d < tip.spots.size(); ++d) {
            const Spot &s = tip.spots[d];
            const QVariantList values{number, d, static_cast<int>(tip.statuses[d]), s.square, s.place, s.partner};
            for (int i = 0; i < values.size(); ++i)
                insert.bindValue(i, values[i]);
            if (!insert.exec())
                throw failure(m_path, insert.lastError());
        }
        writeStatuses(db, m_path, m_evening, next);
    });
    return m_evening.tips().last();
}

bool EveningFile::undoTip()
{
    if (m_evening.tips().isEmpty())
        return false;
    Evening next = m_evening;
    next.undoTip();
    const int number = static_cast<int>(m_evening.tips().size());
    commit(next, [&](QSqlDatabase db) {
        run(db, m_path, QStringLiteral("DELETE FROM spot WHERE tip = ?"), {number});
        run(db, m_path, QStringLiteral("DELETE FROM tip WHERE number = ?"), {number});
        writeStatuses(db, m_path, m_evening, next);
    });
    return true;
}
