#pragma once

#include "core/sequences/Recogniser.h"
#include "core/sequences/SequenceFile.h"

#include <QList>
#include <QString>

// Which entries of a list a set of sequence files uses: plain values that the
// command line prints and a window can show as rows.
namespace Coverage {

struct Place
{
    QString file;
    int line = 0;
    bool isNull() const { return line == 0; }
};

// One call line and the entries recognised in it.
struct LineCalls
{
    Place place;
    QString text;
    QList<Recogniser::Found> found;
};

struct Entry
{
    QString name;       // as stored
    int sequences = 0;  // how many sequences use it
    Place first;        // where it is first used; null when unused
    QStringList seen;   // the names the lines used, e.g. a family's members
};

struct Report
{
    QString list;
    QList<Entry> entries;             // in the list's order
    QList<LineCalls> unrecognised;    // lines in which no entry of any list was found
    QStringList unused() const;
};

// Every call line of every sequence, the resolve lines included, in file order.
QList<LineCalls> calls(const Recogniser &recogniser, const QList<SequenceFile::Parsed> &files);

// The coverage of the recogniser's list at listIndex.
Report of(const Recogniser &recogniser, int listIndex, const QList<SequenceFile::Parsed> &files);
// The same for several lists (all active levels) over one reading of the lines.
QList<Report> of(const Recogniser &recogniser, const QList<int> &listIndexes,
                 const QList<SequenceFile::Parsed> &files);

} // namespace Coverage
