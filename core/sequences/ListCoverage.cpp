#include "core/sequences/ListCoverage.h"

#include "core/app/Csv.h"
#include "core/data/DataError.h"

#include <QHash>
#include <algorithm>

namespace ListCoverage {

QList<SequenceFile::Parsed> read(const QStringList &files, const std::function<void(const QString &)> &note)
{
    QList<SequenceFile::Parsed> parsed;
    for (const QString &file : files) {
        SequenceFile::Parsed p = SequenceFile::read(file);
        if (!p.ok())
            throw DataError(p.error);
        if (note)
            for (const QString &n : std::as_const(p.notes))
                note(n);
        parsed.append(p);
    }
    return parsed;
}

Recogniser recogniserOf(const ListStore &store, const QList<ListStore::List> &lists)
{
    QList<Recogniser::List> entries;
    for (const ListStore::List &list : lists)
        entries.append({list.name, store.callNames(list.id)});
    return Recogniser(entries);
}

Coverage::Report of(const ListStore &store, int listId, const QList<SequenceFile::Parsed> &files)
{
    const QList<ListStore::List> lists = store.lists();
    const auto chosen = std::find_if(lists.cbegin(), lists.cend(), [&](const ListStore::List &l) { return l.id == listId; });
    if (chosen == lists.cend())
        throw DataError(store.file() + QStringLiteral(": the list is gone"));
    return Coverage::of(recogniserOf(store, lists), int(chosen - lists.cbegin()), files);
}

Marks coveredUnused(const ListStore &store, int listId, const Coverage::Report &report)
{
    QHash<QString, QString> covered;
    for (const Coverage::Entry &entry : report.entries)
        if (entry.sequences > 0)
            covered.insert(entry.name, entry.first.file);
    Marks marks;
    for (const ListStore::Call &call : store.calls(listId)) {
        if (!call.used && covered.contains(call.name)) {
            marks.ids.append(call.id);
            marks.sources.append(covered.value(call.name));
        }
    }
    return marks;
}

QString placeText(const Coverage::Place &place)
{
    return place.isNull() ? QString() : place.file + QLatin1Char(':') + QString::number(place.line);
}

QByteArray csv(const Coverage::Report &report, bool unusedOnly)
{
    QString out = unusedOnly ? Csv::record({QStringLiteral("Call")})
                             : Csv::record({QStringLiteral("Call"), QStringLiteral("Sequences"), QStringLiteral("First")});
    for (const Coverage::Entry &entry : report.entries) {
        if (unusedOnly && entry.sequences > 0)
            continue;
        out += unusedOnly ? Csv::record({entry.name})
                          : Csv::record({entry.name, QString::number(entry.sequences), placeText(entry.first)});
    }
    return out.toUtf8();
}

} // namespace ListCoverage
