#include "core/sequences/Coverage.h"

#include <QSet>

namespace Coverage {

QStringList Report::unused() const
{
    QStringList names;
    for (const Entry &e : entries)
        if (e.sequences == 0)
            names.append(e.name);
    return names;
}

QList<LineCalls> calls(const Recogniser &recogniser, const QList<SequenceFile::Parsed> &files)
{
    QList<LineCalls> lines;
    qsizetype count = 0;
    for (const SequenceFile::Parsed &file : files)
        for (const SequenceFile::Sequence &sequence : file.sequences)
            count += sequence.calls.size();
    lines.reserve(count);
    for (const SequenceFile::Parsed &file : files)
        for (const SequenceFile::Sequence &sequence : file.sequences)
            for (const SequenceFile::CallLine &call : sequence.calls)
                lines.append({{file.file, call.line}, call.text, recogniser.find(call.text)});
    return lines;
}

QList<Report> of(const Recogniser &recogniser, const QList<int> &listIndexes, const QList<SequenceFile::Parsed> &files)
{
    QList<Report> reports;
    QHash<int, int> reportOf; // list index -> place in reports
    for (int index : listIndexes) {
        Report report;
        report.list = recogniser.lists()[index].name;
        for (const QString &entry : recogniser.lists()[index].entries)
            report.entries.append({entry, 0, {}, {}});
        reportOf.insert(index, int(reports.size()));
        reports.append(report);
    }
    QList<LineCalls> unrecognised;
    for (const SequenceFile::Parsed &file : files) {
        for (const SequenceFile::Sequence &sequence : file.sequences) {
            QSet<QPair<int, int>> inThisSequence;
            for (const SequenceFile::CallLine &call : sequence.calls) {
                const QList<Recogniser::Found> found = recogniser.find(call.text);
                if (found.isEmpty())
                    unrecognised.append({{file.file, call.line}, call.text, {}});
                for (const Recogniser::Found &f : found) {
                    const auto report = reportOf.constFind(f.list);
                    if (report == reportOf.constEnd())
                        continue;
                    Entry &entry = reports[*report].entries[f.entry];
                    if (entry.first.isNull())
                        entry.first = {file.file, call.line};
                    if (!entry.seen.contains(f.seen))
                        entry.seen.append(f.seen);
                    if (!inThisSequence.contains({f.list, f.entry})) {
                        inThisSequence.insert({f.list, f.entry});
                        ++entry.sequences;
                    }
                }
            }
        }
    }
    for (Report &report : reports)
        report.unrecognised = unrecognised;
    return reports;
}

Report of(const Recogniser &recogniser, int listIndex, const QList<SequenceFile::Parsed> &files)
{
    return of(recogniser, QList<int>{listIndex}, files).first();
}

} // namespace Coverage
