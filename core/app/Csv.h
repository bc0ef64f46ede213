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

} // namespace Csv
