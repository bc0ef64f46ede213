#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The plain-text list file a caller keeps: one call a line, "#" comments,
// an optional item number ("12.", "12)", "12.a", "12a.") or bullet ("- ", "* ",
// "• ") before the name; an indented "a." under a call is a note on it.
namespace ListFile {

// Lines longer than this, or files larger than MaxBytes, are not lists of calls.
constexpr int MaxLineLength = 1000;
constexpr qint64 MaxBytes = qint64(4) * 1024 * 1024;

struct Parsed
{
    QStringList calls;
    QStringList notes; // what the reader should know: the encoding used, repeated names
    QString error;     // set when nothing may be imported; names the file and line
    bool ok() const { return error.isEmpty(); }
};

// A text file's lines as list files are read: UTF-8 with or without a BOM, else
// Windows-1252 (noted); LF, CRLF or CR; refused when UTF-16 or UTF-32, holding a NUL byte
// or a line over MaxLineLength. Other readers of callers' text files share it.
struct Lines
{
    QStringList lines; // every line of the file, untrimmed; line n is lines[n - 1]
    QStringList notes;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
Lines decode(const QByteArray &raw, const QString &fileName);

// A file's bytes, refused past MaxBytes ("too large for <what>").
struct Bytes
{
    QByteArray bytes;
    QString error;
};
Bytes load(const QString &path, const QString &what);

struct NamedList
{
    QString name;
    QStringList calls;
};

// What an import makes of one line of a list file, or one record of a CSV file.
struct Verdict
{
    int line = 0;       // where it starts in the file, from 1
    QString text;       // as written, trimmed
    QString list;       // a CSV record's list; empty in a list file
    QString call;       // the name it gives; empty for blanks and comments
    bool imported = false;
    bool heading = false; // a family heading, which the caller may take as a call
    QString reason;       // why it is not imported: "comment", "family heading", ...
};
struct Preview
{
    QList<Verdict> lines;
    QStringList notes; // the encoding used
    QString error;     // set when nothing may be imported; names the file and line
    bool csv = false;  // the List,Call file the CSV export writes
    bool ok() const { return error.isEmpty(); }
    // The calls the import writes, by list in the file's order; a list file gives
    // one list without a name. Repeats a taken heading brings are dropped.
    QList<NamedList> lists() const;
};
// One verdict a line; the one rule every import of a list file follows.
Preview preview(const QByteArray &raw, const QString &fileName);
Preview previewFile(const QString &path);

// The calls of a file's bytes; fileName only goes into the messages.
Parsed parse(const QByteArray &raw, const QString &fileName);
// Reads and parses a file in one go.
Parsed read(const QString &path);

// The name a line gives, with its item number or bullet taken off.
QString callOf(const QString &line);
// Whether a call name is written and read back as itself; no control characters.
bool readsBack(const QString &name);
// What two names that look the same share: plain quotes, NFC, then full case folding.
QString key(const QString &name);
// Characters (code points), not UTF-16 units.
qsizetype length(const QString &text);

QByteArray toText(const QString &listName, const QStringList &calls);
// What will not come back as it was when toText's file is read again: names a
// list file cannot hold as they stand, and names that repeat.
QStringList problems(const QStringList &calls);

QByteArray toCsv(const QList<NamedList> &lists);

// Writes a file whole or not at all; returns what went wrong, or nothing.
QString save(const QString &path, const QByteArray &bytes);

} // namespace ListFile
