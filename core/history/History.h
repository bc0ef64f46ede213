#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The use history: every time a call was marked used, kept in its own file
// beside the call database so that the call database keeps only its own tables.
// Each record holds the names as text, so it stays readable after a call is
// renamed or deleted or the call database is replaced.
namespace History {

inline const QString FileName = QStringLiteral("Call_History.db");
// The layout this program writes; a file with a higher user_version is refused.
constexpr int Version = 1;

// Call_History.db in the call database's folder.
QString path();
QString pathBeside(const QString &callDatabase);

// For writers that run their own transaction: makes the history beside db's
// call database reachable from db (creating it on first need) and returns its
// file; then records one use inside that transaction. A use has a source when
// it came from elsewhere than the caller's own press (a sequence file).
QString attach(QSqlDatabase db);
void recordUse(QSqlDatabase db, const QVariant &callId, const QString &file, const QString &source = QString());
// A write that took both files was turned away as busy: throws the history's
// own lock error when it is the history that is locked.
void blameLock(QSqlDatabase db, const QString &file);
// "The use history "...": how every message names the file.
QString named(const QString &file);
// Added to a failed commit's message: the record did not land either.
QString notWrittenEither(const QString &file);

// Used marks changed: every face that shows them follows. callId names the
// one call changed; when it is null, any number may have changed.
class Notifier : public QObject
{
    Q_OBJECT
signals:
    void marksChanged(const QVariant &callId);
};
Notifier &notifier();

struct Record
{
    QString date; // local time with its UTC offset, ISO 8601
    QString list;
    QString call;
    QString source; // empty for a use the caller made in the program
};

struct Summary
{
    int times = 0;
    QString last;    // the date of the latest record, as recorded
    QString lastUtc; // the same in UTC, for ordering
};

// Readers never create the file: a missing history is an empty one. They
// throw DataError naming the file when it cannot be read.
QList<Record> records(const QString &list = QString(), const QString &since = QString(),
                      const QString &file = path());
// Keyed by call name; with call given, that call's summary alone.
QHash<QString, Summary> summaryOfList(const QString &list, const QString &call = QString());

// RFC 4180: every field quoted, quotes doubled, lines ending in CRLF.
QString csvLine(const QStringList &fields);
QString csv(const QList<Record> &rows);

} // namespace History
