#include "core/app/Csv.h"

#include <algorithm>

namespace Csv {

namespace {
bool special(QChar c)
{
    return c == u'"' || c == u',' || c == u'\r' || c == u'\n';
}
} // namespace

QString record(const QStringList &fields, Quoting quoting)
{
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += u',';
        const QString &field = fields[i];
        if (quoting == Quoting::WhenNeeded && std::none_of(field.begin(), field.end(), special)) {
            out += field;
            continue;
        }
        out += u'"';
        out += QString(field).replace(u'"', QStringLiteral("\"\""));
        out += u'"';
    }
    return out + QStringLiteral("\r\n");
}

Records read(const QString &text)
{
    Records result;
    Record current{1, {}};
    QString field;
    bool quoted = false;    // inside quotes
    bool wasQuoted = false; // the field began with a quote
    int line = 1;
    auto endField = [&] {
        current.fields.append(field);
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        // A blank line holds no record.
        if (current.fields.size() > 1 || !current.fields.first().isEmpty())
            result.records.append(current);
        current = Record{line, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n' || (c == u'\r' && !(i + 1 < text.size() && text[i + 1] == u'\n')))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            if (!field.isEmpty() || wasQuoted) {
                result.error = QStringLiteral("line %1: a quote inside a field that is not quoted").arg(line);
                return result;
            }
            quoted = wasQuoted = true;
        } else if (c == u',') {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++line;
            endRecord();
        } else if (wasQuoted) {
            result.error = QStringLiteral("line %1: text after a field's closing quote").arg(line);
            return result;
        } else {
            field += c;
        }
    }
    if (quoted) {
        result.error = QStringLiteral("line %1: a quote that is never closed").arg(current.line);
        return result;
    }
    endRecord();
    return result;
}

} // namespace Csv
