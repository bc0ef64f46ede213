#include "cli/lists/SequenceCommands.h"

#include "core/data/DataError.h"
#include "core/lists/ListStore.h"
#include "core/sequences/Coverage.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QHash>
#include <algorithm>

namespace SequenceCommands {

namespace {
const QString Program = QStringLiteral("vorlet-lists: ");

void line(QIODevice &device, const QString &text)
{
    device.write((text + QLatin1Char('\n')).toUtf8());
}

QString csvField(const QString &field)
{
    static const QRegularExpression needsQuotes(QStringLiteral("[\",\r\n]"));
    if (!field.contains(needsQuotes))
        return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString placeText(const Coverage::Place &place)
{
    return place.isNull() ? QString() : place.file + QLatin1Char(':') + QString::number(place.line);
}

// Every file read before anything is printed: one that cannot be used stops the command.
QList<SequenceFile::Parsed> readAll(const QStringList &files, QIODevice &err)
{
    QList<SequenceFile::Parsed> parsed;
    for (const QString &file : files) {
        SequenceFile::Parsed p = SequenceFile::read(file);
        if (!p.ok())
            throw DataError(p.error);
        for (const QString &note : std::as_const(p.notes))
            line(err, Program + note);
        parsed.append(p);
    }
    return parsed;
}

// Every list of the database, in the order ListStore gives them (the level lists first).
Recogniser recogniserOf(const ListStore &store, const QList<ListStore::List> &lists)
{
    QList<Recogniser::List> entries;
    for (const ListStore::List &list : lists)
        entries.append({list.name, store.callNames(list.id)});
    return Recogniser(entries);
}

void reportUnrecognised(const QList<Coverage::LineCalls> &lines, QIODevice &err)
{
    for (const Coverage::LineCalls &l : lines)
        if (l.found.isEmpty())
            line(err, placeText(l.place) + QStringLiteral(": not recognised: ") + l.text);
}
} // namespace

int coverage(const CoverageArguments &arguments, QIODevice &out, QIODevice &err)
{
    if (arguments.list.isEmpty() || arguments.files.isEmpty()) {
        line(err, Program + QStringLiteral("coverage needs --list NAME and one sequence file or more "
                                           "(see vorlet-lists --help)"));
        return 2;
    }
    try {
        ListStore store(arguments.database);
        const std::optional<ListStore::List> chosen = store.find(arguments.list);
        if (!chosen)
            throw DataError(store.file() + QStringLiteral(": no list named \"%1\"").arg(arguments.list));
        const QList<SequenceFile::Parsed> files = readAll(arguments.files, err);
        const QList<ListStore::List> lists = store.lists();
        const Recogniser recogniser = recogniserOf(store, lists);
        const int index = int(std::find_if(lists.cbegin(), lists.cend(),
                                           [&](const ListStore::List &l) { return l.id == chosen->id; })
                              - lists.cbegin());
        const Coverage::Report report = Coverage::of(recogniser, index, files);
        reportUnrecognised(report.unrecognised, err);

        if (arguments.csv)
            out.write(arguments.unused ? "Call\r\n" : "Call,Sequences,First\r\n");
        for (const Coverage::Entry &entry : report.entries) {
            if (arguments.unused && entry.sequences > 0)
                continue;
            if (arguments.csv)
                out.write((arguments.unused ? csvField(entry.name)
                                            : csvField(entry.name) + QLatin1Char(',') + QString::number(entry.sequences)
                                                  + QLatin1Char(',') + csvField(placeText(entry.first)))
                              .toUtf8()
                          + "\r\n");
            else if (arguments.unused)
                line(out, entry.name);
            else
                line(out, entry.name + QLatin1Char('\t') + QString::number(entry.sequences) + QLatin1Char('\t')
                              + placeText(entry.first));
        }

        if (arguments.markUsed) {
            // Each call's record names the file of its first use.
            QHash<QString, QString> covered;
            for (const Coverage::Entry &entry : report.entries)
                if (entry.sequences > 0)
                    covered.insert(entry.name, entry.first.file);
            QList<int> ids;
            QStringList sources;
            for (const ListStore::Call &call : store.calls(chosen->id)) {
                if (!call.used && covered.contains(call.name)) {
                    ids.append(call.id);
                    sources.append(covered.value(call.name));
                }
            }
            store.setUsedFrom(ids, sources);
            line(err, Program + QStringLiteral("marked %1 calls of \"%2\" used").arg(ids.size()).arg(chosen->name));
        }
        return 0;
    } catch (const DataError &e) {
        line(err, Program + e.message());
        return 1;
    }
}

int calls(const CallsArguments &arguments, QIODevice &out, QIODevice &err)
{
    if (arguments.files.isEmpty()) {
        line(err, Program + QStringLiteral("calls needs one sequence file or more (see vorlet-lists --help)"));
        return 2;
    }
    try {
        const ListStore store(arguments.database);
        const QList<SequenceFile::Parsed> files = readAll(arguments.files, err);
        const QList<ListStore::List> lists = store.lists();
        const Recogniser recogniser = recogniserOf(store, lists);
        const QList<Coverage::LineCalls> lines = Coverage::calls(recogniser, files);
        for (const Coverage::LineCalls &l : lines) {
            QStringList named;
            for (const Recogniser::Found &f : l.found)
                named.append(recogniser.lists()[f.list].name + QStringLiteral(": ") + recogniser.entryText(f));
            line(out, placeText(l.place) + QLatin1Char('\t') + named.join(QStringLiteral(" | ")));
        }
        reportUnrecognised(lines, err);
        return 0;
    } catch (const DataError &e) {
        line(err, Program + e.message());
        return 1;
    }
}

} // namespace SequenceCommands
