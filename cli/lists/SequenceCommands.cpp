#include "cli/lists/SequenceCommands.h"

#include "core/data/DataError.h"
#include "core/lists/ListStore.h"
#include "core/sequences/ListCoverage.h"

#include <QIODevice>

namespace SequenceCommands {

namespace {
const QString Program = QStringLiteral("vorlet-lists: ");

void line(QIODevice &device, const QString &text)
{
    device.write((text + QLatin1Char('\n')).toUtf8());
}

// Every file read before anything is printed: one that cannot be used stops the command.
QList<SequenceFile::Parsed> readAll(const QStringList &files, QIODevice &err)
{
    return ListCoverage::read(files, [&](const QString &note) { line(err, Program + note); });
}

void reportUnrecognised(const QList<Coverage::LineCalls> &lines, QIODevice &err)
{
    for (const Coverage::LineCalls &l : lines)
        if (l.found.isEmpty())
            line(err, ListCoverage::placeText(l.place) + QStringLiteral(": not recognised: ") + l.text);
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
        const Coverage::Report report = ListCoverage::of(store, chosen->id, files);
        reportUnrecognised(report.unrecognised, err);

        if (arguments.csv)
            out.write(ListCoverage::csv(report, arguments.unused));
        else
            for (const Coverage::Entry &entry : report.entries) {
                if (arguments.unused && entry.sequences > 0)
                    continue;
                if (arguments.unused)
                    line(out, entry.name);
                else
                    line(out, entry.name + QLatin1Char('\t') + QString::number(entry.sequences) + QLatin1Char('\t')
                                  + ListCoverage::placeText(entry.first));
            }

        if (arguments.markUsed) {
            const ListCoverage::Marks marks = ListCoverage::coveredUnused(store, chosen->id, report);
            store.setUsedFrom(marks.ids, marks.sources);
            line(err, Program + QStringLiteral("marked %1 calls of \"%2\" used").arg(marks.ids.size()).arg(chosen->name));
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
        const Recogniser recogniser = ListCoverage::recogniserOf(store, lists);
        const QList<Coverage::LineCalls> lines = Coverage::calls(recogniser, files);
        for (const Coverage::LineCalls &l : lines) {
            QStringList named;
            for (const Recogniser::Found &f : l.found)
                named.append(recogniser.lists()[f.list].name + QStringLiteral(": ") + recogniser.entryText(f));
            line(out, ListCoverage::placeText(l.place) + QLatin1Char('\t') + named.join(QStringLiteral(" | ")));
        }
        reportUnrecognised(lines, err);
        return 0;
    } catch (const DataError &e) {
        line(err, Program + e.message());
        return 1;
    }
}

} // namespace SequenceCommands
