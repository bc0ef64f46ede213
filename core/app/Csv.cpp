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

} // namespace Csv
