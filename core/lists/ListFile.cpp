#include "core/lists/ListFile.h"

#include "core/app/Csv.h"
#include "core/app/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>

namespace ListFile {

namespace {
// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unused codes
// keep their Latin-1 meaning.
const char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(Cp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

struct Line
{
    int number = 0; // item number, 0 when none
    QChar sub;      // sub-item letter, null when none
    QString name;
};

Line split(const QString &line)
{
    // Sub-items first: "12.a Name", "12.a) Name", "12a. Name", "12a) Name".
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("^(\\d{1,6})\\.([A-Za-z])[.)]?\\s+(\\S.*)$")),
        QRegularExpression(QStringLiteral("^(\\d{1,6})([A-Za-z])[.)]\\s+(\\S.*)$")),
        QRegularExpression(QStringLiteral("^(\\d{1,6})[.)]()\\s+(\\S.*)$")),
    };
    static const QRegularExpression bullet(QStringLiteral("^[-*\u2022]\\s+(\\S.*)$"));
    if (const QRegularExpressionMatch m = bullet.match(line); m.hasMatch())
        return {0, QChar(), m.captured(1).trimmed()};
    for (const QRegularExpression &p : patterns) {
        const QRegularExpressionMatch m = p.match(line);
        if (m.hasMatch()) {
            const QString letter = m.captured(2);
            return {m.captured(1).toInt(), letter.isEmpty() ? QChar() : letter[0], m.captured(3).trimmed()};
        }
    }
    return {0, QChar(), line};
}

// Curly quotes from a word processor mean the plain ones a caller types.
QString plainQuotes(QString name)
{
    for (QChar &ch : name) {
        switch (ch.unicode()) {
        case 0x2018: case 0x2019: case 0x201A: case 0x201B: case 0x2032: case 0x00B4: case 0x0060:
            ch = u'\'';
            break;
        case 0x201C: case 0x201D: case 0x201E: case 0x201F: case 0x2033: case 0x00AB: case 0x00BB:
            ch = u'"';
            break;
        default:
            break;
        }
    }
    return name;
}

int indentOf(const QString &row)
{
    int width = 0;
    for (const QChar ch : row) {
        if (ch == u'\t')
            width += 4;
        else if (ch.isSpace())
            ++width;
        else
            break;
    }
    return width;
}

// "a. from waves", "b) left", "(c) right": a lettered note, as callers indent them.
bool letteredNote(const QString &row)
{
    static const QRegularExpression note(QStringLiteral("^(\\([A-Za-z]\\)|[A-Za-z][.)])\\s+\\S"));
    return note.match(row).hasMatch();
}

QString controlError(int line, const QString &name)
{
    return QStringLiteral("line %1: \"%2\" holds a tab or another control character").arg(line).arg(name);
}

// An item line that later, deeper lines may be sub-items of.
struct Parent
{
    // cppcheck-suppress unusedStructMember ; read through QList::last(), which it does not follow
    int indent;
    // cppcheck-suppress unusedStructMember
    int line;
};

void previewCsv(Preview &result, const QStringList &lines, const QString &fileName)
{
    const Csv::Records csv = Csv::read(lines.join(QLatin1Char('\n')));
    if (!csv.error.isEmpty()) {
        result.error = fileName + QStringLiteral(": ") + csv.error;
        return;
    }
    QHash<QString, int> seen; // list and folded call -> record's line
    for (qsizetype i = 1; i < csv.records.size(); ++i) {
        const Csv::Record &record = csv.records[i];
        Verdict v;
        v.line = record.line;
        v.text = record.fields.join(QLatin1Char(','));
        if (record.fields.size() != 2) {
            result.error = fileName + QStringLiteral(": line %1: %2 fields where List,Call has 2").arg(record.line).arg(record.fields.size());
            return;
        }
        v.list = record.fields[0].trimmed();
        v.call = plainQuotes(record.fields[1].trimmed());
        if (v.list.isEmpty() || v.call.isEmpty()) {
            v.reason = v.list.isEmpty() ? QStringLiteral("no list named") : QStringLiteral("no call named");
            v.call.clear();
        } else if (v.call.contains(QLatin1Char('\n')) || !readsBack(v.call)) {
            result.error = fileName + QStringLiteral(": ") + controlError(record.line, v.call);
            return;
        } else {
            const QString k = key(v.list) + QLatin1Char('\n') + key(v.call);
            if (const auto first = seen.constFind(k); first != seen.constEnd()) {
                v.reason = QStringLiteral("duplicate of line %1").arg(*first);
            } else {
                seen.insert(k, record.line);
                v.imported = true;
            }
        }
        result.lines.append(v);
    }
}

} // namespace

QList<NamedList> Preview::lists() const
{
    QList<NamedList> out;
    QHash<QString, int> at;      // folded list name -> index in out
    QSet<QString> taken;         // list and folded call
    for (const Verdict &v : lines) {
        if (!v.imported)
            continue;
        const QString listKey = key(v.list);
        if (!at.contains(listKey)) {
            at.insert(listKey, int(out.size()));
            out.append({v.list, {}});
        }
        const QString callKey = listKey + QLatin1Char('\n') + key(v.call);
        if (taken.contains(callKey))
            continue;
        taken.insert(callKey);
        out[at.value(listKey)].calls.append(v.call);
    }
    return out;
}

QString callOf(const QString &line)
{
    return split(line.trimmed()).name;
}

QString key(const QString &name)
{
    // Upper then folded: "ß" and "SS" meet, as full folding has them. Curly and
    // plain quotes meet too: a file read back has plain ones where the list had curly.
    return plainQuotes(name).normalized(QString::NormalizationForm_C).toUpper().toCaseFolded().normalized(QString::NormalizationForm_C);
}

qsizetype length(const QString &text)
{
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar ch) { return ch.isLowSurrogate(); });
}

bool readsBack(const QString &name)
{
    // A tab or an escape would split the history's columns or reach a terminal raw.
    return !name.isEmpty() && !name.startsWith(QLatin1Char('#')) && name == name.trimmed()
           && std::none_of(name.begin(), name.end(), [](QChar ch) { return ch.category() == QChar::Other_Control; })
           && length(name) <= MaxLineLength && callOf(name) == name;
}

Lines decode(const QByteArray &raw, const QString &fileName)
{
    Lines result;
    auto fail = [&](const QString &cause) {
        result.lines.clear();
        result.error = fileName + QStringLiteral(": ") + cause;
        return result;
    };
    // UTF-32's little-endian mark begins as UTF-16's does.
    if (raw.startsWith(QByteArray("\xFF\xFE\0\0", 4)) || raw.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        return fail(QStringLiteral("the file is UTF-32; save it as UTF-8 and import it again"));
    if (raw.startsWith("\xFF\xFE") || raw.startsWith("\xFE\xFF"))
        return fail(QStringLiteral("the file is UTF-16; save it as UTF-8 and import it again"));
    // Text in UTF-16 has every other byte NUL while it keeps to Latin-1.
    const qsizetype pairs = qMin<qsizetype>(raw.size() / 2, 32);
    auto nulsAt = [&](int offset) {
        bool nuls = pairs >= 2;
        for (qsizetype i = 0; nuls && i < pairs; ++i)
            nuls = raw[2 * i + offset] == '\0' && raw[2 * i + 1 - offset] != '\0';
        return nuls;
    };
    if (nulsAt(1) || nulsAt(0))
        return fail(QStringLiteral("the file is UTF-16 without a byte-order mark; save it as UTF-8 and import it again"));
    const qsizetype nul = raw.indexOf('\0');
    if (nul >= 0) {
        // Lines end in LF, CRLF or a lone CR, as they are split below.
        const QByteArray before = raw.left(nul);
        return fail(QStringLiteral("line %1: a NUL byte; this is not a text file")
                        .arg(before.count('\n') + before.count('\r') - before.count("\r\n") + 1));
    }

    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = fromCp1252(bytes);
        result.notes.append(fileName + QStringLiteral(": not valid UTF-8, read as Windows-1252"));
    }
    // LF, CRLF, and the lone CR of old Mac files.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    result.lines = text.split(lineEnd);
    for (int i = 0; i < result.lines.size(); ++i) {
        const QString &row = result.lines[i];
        if (row.size() > MaxLineLength && row.toUcs4().size() > MaxLineLength)
            return fail(QStringLiteral("line %1: longer than %2 characters").arg(i + 1).arg(MaxLineLength));
    }
    return result;
}

Bytes load(const QString &path, const QString &what)
{
    QFile file(path);
    Bytes result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = path + QStringLiteral(": cannot be read: ") + file.errorString();
        return result;
    }
    if (file.size() > MaxBytes) {
        result.error = path + QStringLiteral(": %1 bytes, too large for %2").arg(file.size()).arg(what);
        return result;
    }
    // A pipe has no size: read to its end (its writer is not cut off), and count what came.
    qint64 total = 0;
    for (QByteArray chunk; !(chunk = file.read(65536)).isEmpty();) {
        total += chunk.size();
        if (total <= MaxBytes)
            result.bytes += chunk;
    }
    if (total > MaxBytes) {
        result.bytes.clear();
        result.error = path + QStringLiteral(": %1 bytes, too large for %2").arg(total).arg(what);
        return result;
    }
    if (file.error() != QFileDevice::NoError) {
        result.bytes.clear();
        result.error = path + QStringLiteral(": cannot be read: ") + file.errorString();
    }
    return result;
}

Preview preview(const QByteArray &raw, const QString &fileName)
{
    Preview result;
    const Lines text = decode(raw, fileName);
    if (!text.ok()) {
        result.error = text.error;
        return result;
    }
    result.notes = text.notes;
    static const QRegularExpression csvHeader(QStringLiteral("^\\s*\"?List\"?\\s*,\\s*\"?Call\"?\\s*$"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (!text.lines.isEmpty() && csvHeader.match(text.lines.first()).hasMatch()) {
        result.csv = true;
        previewCsv(result, text.lines, fileName);
    } else {
        // Blanks, comments and sub-items first: family headings are read among what is left.
        QList<Line> items;         // by verdict; number 0 and name empty where no item
        QList<Parent> parents;     // the item lines above, outermost first
        // The last line end closes a line; it does not open one.
        const qsizetype count = text.lines.size() - (text.lines.last().isEmpty() ? 1 : 0);
        for (int i = 0; i < count; ++i) {
            const QString row = text.lines[i].trimmed();
            Verdict v;
            v.line = i + 1;
            v.text = row;
            Line item;
            const int indent = indentOf(text.lines[i]);
            if (row.isEmpty()) {
                v.reason = QStringLiteral("blank");
            } else if (row.startsWith(QLatin1Char('#'))) {
                v.reason = QStringLiteral("comment");
            } else {
                while (!parents.isEmpty() && parents.last().indent >= indent)
                    parents.removeLast();
                const bool bullet = split(row).name != row && !row.front().isDigit();
                if (!parents.isEmpty() && (letteredNote(row) || bullet)) {
                    v.reason = QStringLiteral("sub-item of line %1").arg(parents.last().line);
                } else {
                    item = split(row);
                    v.call = plainQuotes(item.name);
                    parents.append({indent, v.line});
                }
            }
            result.lines.append(v);
            items.append(item);
        }
        QHash<QString, int> seen; // folded name -> line of its first appearance
        for (int i = 0; i < result.lines.size(); ++i) {
            Verdict &v = result.lines[i];
            if (v.call.isEmpty())
                continue;
            int next = i + 1;
            while (next < result.lines.size() && result.lines[next].call.isEmpty())
                ++next;
            // An item whose number the next item carries as a sub-item heads a family.
            const Line &line = items[i];
            if (line.number > 0 && line.sub.isNull() && next < result.lines.size() && items[next].number == line.number
                && !items[next].sub.isNull()) {
                v.heading = true;
                v.reason = QStringLiteral("family heading");
                continue;
            }
            if (!readsBack(v.call)) {
                result.error = fileName + QStringLiteral(": ") + controlError(v.line, v.call);
                break;
            }
            if (const auto first = seen.constFind(key(v.call)); first != seen.constEnd()) {
                v.reason = QStringLiteral("duplicate of line %1").arg(*first);
                continue;
            }
            seen.insert(key(v.call), v.line);
            v.imported = true;
        }
    }
    if (result.ok() && std::none_of(result.lines.cbegin(), result.lines.cend(), [](const Verdict &v) { return v.imported; }))
        result.error = fileName + QStringLiteral(": no calls in it (only blank lines, comments or family headings)");
    if (!result.ok()) {
        result.lines.clear();
        return result;
    }
    for (const Verdict &v : std::as_const(result.lines)) {
        if (v.reason.startsWith(QLatin1String("duplicate of line ")))
            result.notes.append(fileName + QStringLiteral(": line %1: \"%2\" repeats line %3; imported once")
                                               .arg(v.line)
                                               .arg(v.call, v.reason.mid(18)));
    }
    return result;
}

Preview previewFile(const QString &path)
{
    const Bytes file = load(path, QStringLiteral("a list of calls"));
    if (!file.error.isEmpty()) {
        Preview failed;
        failed.error = file.error;
        return failed;
    }
    return preview(file.bytes, path);
}

Parsed parse(const QByteArray &raw, const QString &fileName)
{
    Parsed result;
    const Preview seen = preview(raw, fileName);
    result.notes = seen.notes;
    result.error = seen.error;
    const QList<NamedList> lists = seen.lists();
    if (lists.size() > 1) {
        result.error = fileName + QStringLiteral(": %1 lists in it; a CSV file of several lists is imported whole").arg(lists.size());
        return result;
    }
    if (!result.ok())
        return result;
    result.calls = lists.first().calls;
    return result;
}

Parsed read(const QString &path)
{
    const Bytes file = load(path, QStringLiteral("a list of calls"));
    if (!file.error.isEmpty()) {
        Parsed failed;
        failed.error = file.error;
        return failed;
    }
    return parse(file.bytes, path);
}

QByteArray toText(const QString &listName, const QStringList &calls)
{
    QString text = QStringLiteral("# ") + listName + QLatin1Char('\n');
    for (const QString &call : calls)
        text += call + QLatin1Char('\n');
    return text.toUtf8();
}

QStringList problems(const QStringList &calls)
{
    QStringList found;
    QHash<QString, int> seen;
    for (int i = 0; i < calls.size(); ++i) {
        const int line = i + 2; // after the heading line
        const QString &name = calls[i];
        if (!readsBack(name)) {
            found.append(QStringLiteral("line %1: \"%2\" will read back as \"%3\"")
                             .arg(line)
                             .arg(name, callOf(QString(name).replace(QLatin1Char('\n'), QLatin1Char(' ')))));
            continue;
        }
        const auto first = seen.constFind(key(name));
        if (first != seen.constEnd())
            found.append(QStringLiteral("line %1: \"%2\" repeats line %3 and will be read once").arg(line).arg(name).arg(*first));
        else
            seen.insert(key(name), line);
    }
    return found;
}

QByteArray toCsv(const QList<NamedList> &lists)
{
    // Records end in CRLF, as RFC 4180 has them.
    QString text = Csv::record({QStringLiteral("List"), QStringLiteral("Call")});
    for (const NamedList &list : lists) {
        for (const QString &call : list.calls)
            text += Csv::record({list.name, call});
    }
    return text.toUtf8();
}

QString save(const QString &path, const QByteArray &bytes)
{
    // A list file never takes the place of a database: the call database by any
    // path, its history, or any other SQLite file.
    QFile existing(path);
    if (QFileInfo(path).isFile() && existing.open(QIODevice::ReadOnly)
        && existing.read(16) == QByteArray("SQLite format 3\0", 16))
        return path + QStringLiteral(": this is a database, not a list file; it is left as it is (choose another file)");
    const QString cause = SafeFile::write(path, bytes);
    return cause.isEmpty() ? QString() : path + QStringLiteral(": cannot be written: ") + cause;
}

} // namespace ListFile
