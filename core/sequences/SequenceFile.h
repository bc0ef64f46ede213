#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Sequences as callers keep them: files written by Sd, or plain text with one
// call a line. Only the call lines matter to Vorlet; everything else a file
// holds (headers, titles, pictures, warnings, comments) is read past or kept
// beside the call it belongs to.
namespace SequenceFile {

struct CallLine
{
    int line = 0;       // counted from 1 over every line of the file
    QString text;       // the call as danced: comments, brackets and notes taken off
    QString written;    // the line as it stands in the file, trimmed
    QString comment;    // Sd's "{ ... }" or a plain line's "(...)" / "[...]"
    QStringList warnings;
    bool resolve = false; // Sd's closing line, such as "left allemande  (at home)"
};

struct Sequence
{
    int line = 0;      // where it starts
    QString header;    // Sd's header line; empty for plain text
    QString level;     // as Sd wrote it, "(abridged)" taken off
    bool abridged = false;
    QString title;     // Sd's indented title (wrapped lines joined by a space), or a plain "#" line
    QList<CallLine> calls;
};

struct Parsed
{
    QString file;
    bool sd = false;
    QList<Sequence> sequences;
    QStringList notes; // the encoding used
    QString error;     // set when the file cannot be used; names the file and the line
    bool ok() const { return error.isEmpty(); }
};

// fileName only goes into the messages and the result.
Parsed parse(const QByteArray &raw, const QString &fileName);
Parsed read(const QString &path);

} // namespace SequenceFile
