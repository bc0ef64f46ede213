#pragma once

#include <QString>
#include <QStringList>

// The one CSV writer of every export, as RFC 4180 has it: fields joined by
// commas, quotes doubled inside quoted fields, each record ending in CRLF.
namespace Csv {

enum class Quoting {
    WhenNeeded, // only fields holding a quote, a comma or a line break
    Always,     // every field
};

QString record(const QStringList &fields, Quoting quoting = Quoting::WhenNeeded);

// What record writes, read back: quoted fields may hold commas, doubled quotes
// and line breaks. LF, CRLF or CR end a record.
struct Record
{
    int line = 0; // where the record starts, from 1
    QStringList fields;
};
struct Records
{
    QList<Record> records;
    QString error; // "line N: ..." when a quote is left open or stray
};
Records read(const QString &text);

} // namespace Csv
