#include "core/sequences/SequenceFile.h"

#include "core/lists/ListFile.h"

#include <QRegularExpression>

namespace SequenceFile {

namespace {
// "Tue Dec  8 04:11:54 2026     Sd38.60:db38.60     Mainstream": the date, the
// program and database versions, the level.
const QRegularExpression &sdHeader()
{
    static const QRegularExpression re(QStringLiteral("^\\S.*\\s+Sd\\d[\\w.]*:db\\S*\\s+(\\S.*)$"));
    return re;
}

bool indented(const QString &line)
{
    return !line.isEmpty() && line[0].isSpace();
}

// Takes every "{ ... }" out of an Sd line into comment, and the brackets Sd puts
// around a call that "and roll" or "and spread" modifies.
QString sdCall(const QString &written, QString *comment)
{
    static const QRegularExpression braces(QStringLiteral("\\{([^}]*)\\}"));
    QString text = written;
    QStringList comments;
    for (auto it = braces.globalMatch(text); it.hasNext();)
        comments.append(it.next().captured(1).trimmed());
    text.remove(braces);
    text.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    *comment = comments.join(QStringLiteral("; "));
    return text.simplified();
}

// A plain line's comments: anything in parentheses, brackets or braces.
QString plainCall(const QString &written, QString *comment)
{
    static const QRegularExpression notes(QStringLiteral("\\(([^)]*)\\)|\\[([^\\]]*)\\]|\\{([^}]*)\\}"));
    comment->clear();
    if (!written.contains(QLatin1Char('(')) && !written.contains(QLatin1Char('[')) && !written.contains(QLatin1Char('{')))
        return written.simplified();
    QStringList comments;
    for (auto it = notes.globalMatch(written); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        comments.append((m.captured(1) + m.captured(2) + m.captured(3)).trimmed());
    }
    *comment = comments.join(QStringLiteral("; "));
    return QString(written).remove(notes).simplified();
}

// Sd ends a sequence with its resolve and the resolve's note: "left allemande  (at home)".
void markResolve(Sequence &sequence)
{
    static const QRegularExpression note(QStringLiteral("^(.*\\S)\\s{2,}\\(([^)]*)\\)$"));
    if (sequence.calls.isEmpty())
        return;
    CallLine &last = sequence.calls.last();
    const QRegularExpressionMatch m = note.match(last.written);
    if (!m.hasMatch())
        return;
    last.resolve = true;
    QString comment;
    last.text = sdCall(m.captured(1), &comment);
    last.comment = m.captured(2).trimmed();
}

void readSd(const QStringList &lines, Parsed &result)
{
    enum class State { Before, Title, Body } state = State::Before;
    Sequence current;
    bool lastWasCall = false;
    auto finish = [&] {
        if (state != State::Before) {
            markResolve(current);
            result.sequences.append(current);
        }
        current = Sequence();
        state = State::Before;
        lastWasCall = false;
    };
    for (int i = 0; i < lines.size(); ++i) {
        QString row = lines[i];
        if (row.startsWith(QLatin1Char('\f'))) {
            finish();
            row.remove(0, 1);
        }
        const QRegularExpressionMatch header = sdHeader().match(row.trimmed());
        if (header.hasMatch() && !indented(row)) {
            finish();
            current.line = i + 1;
            current.header = row.trimmed();
            QString level = header.captured(1);
            if (level.contains(QLatin1String("(abridged)"), Qt::CaseInsensitive)) {
                current.abridged = true;
                level.remove(QStringLiteral("(abridged)"), Qt::CaseInsensitive);
            }
            current.level = level.simplified();
            state = State::Title;
            continue;
        }
        if (state == State::Before)
            continue;
        const QString trimmed = row.trimmed();
        if (trimmed.isEmpty()) {
            state = State::Body;
            lastWasCall = false;
            continue;
        }
        if (state == State::Title) {
            current.title += (current.title.isEmpty() ? QString() : QStringLiteral(" ")) + trimmed;
            continue;
        }
        if (indented(row)) {
            if (trimmed.startsWith(QLatin1String("Warning:")) && !current.calls.isEmpty()) {
                current.calls.last().warnings.append(trimmed);
                lastWasCall = false;
            } else if (lastWasCall) {
                // A call too long for the printed width goes on in an indented line.
                CallLine &call = current.calls.last();
                call.written += QLatin1Char(' ') + trimmed;
                call.text = sdCall(call.written, &call.comment);
            } // else a picture of the setup
            continue;
        }
        CallLine call;
        call.line = i + 1;
        call.written = trimmed;
        call.text = sdCall(trimmed, &call.comment);
        if (call.text.isEmpty()) { // a comment alone on its line
            lastWasCall = false;
            continue;
        }
        current.calls.append(call);
        lastWasCall = true;
    }
    finish();
}

void readPlain(const QStringList &lines, Parsed &result)
{
    Sequence current;
    auto finish = [&] {
        if (!current.calls.isEmpty())
            result.sequences.append(current);
        current = Sequence();
    };
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed();
        if (trimmed.isEmpty()) {
            finish();
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('#'))) {
            // A "#" line just before a sequence names it.
            if (current.calls.isEmpty())
                current.title = trimmed.mid(1).trimmed();
            continue;
        }
        CallLine call;
        call.line = i + 1;
        call.written = trimmed;
        // Only a line that starts with a digit can carry an item number.
        call.text = plainCall(trimmed[0].isDigit() ? ListFile::callOf(trimmed) : trimmed, &call.comment);
        if (call.text.isEmpty())
            continue;
        if (current.calls.isEmpty())
            current.line = call.line;
        current.calls.append(call);
    }
    finish();
}
} // namespace

Parsed parse(const QByteArray &raw, const QString &fileName)
{
    Parsed result;
    result.file = fileName;
    const ListFile::Lines text = ListFile::decode(raw, fileName);
    if (!text.ok()) {
        result.error = text.error;
        return result;
    }
    result.notes = text.notes;
    for (const QString &line : text.lines) {
        QString row = line;
        if (row.startsWith(QLatin1Char('\f')))
            row.remove(0, 1);
        if (!indented(row) && sdHeader().match(row.trimmed()).hasMatch()) {
            result.sd = true;
            break;
        }
    }
    if (result.sd)
        readSd(text.lines, result);
    else
        readPlain(text.lines, result);
    bool anyCall = false;
    for (const Sequence &sequence : std::as_const(result.sequences))
        anyCall = anyCall || !sequence.calls.isEmpty();
    if (!anyCall) {
        result.sequences.clear();
        result.error = fileName + QStringLiteral(": no call lines in it (only blank lines, comments or headers)");
    }
    return result;
}

Parsed read(const QString &path)
{
    const ListFile::Bytes file = ListFile::load(path, QStringLiteral("a sequence file"));
    if (!file.error.isEmpty()) {
        Parsed failed;
        failed.file = path;
        failed.error = file.error;
        return failed;
    }
    return parse(file.bytes, path);
}

} // namespace SequenceFile
