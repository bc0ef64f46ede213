#pragma once

#include "core/lists/ListStore.h"
#include "core/sequences/Coverage.h"

#include <QByteArray>
#include <QStringList>
#include <functional>

// A caller's sequence files against the lists of a call database: one way for
// the command line and the windows to read them and to tell what they use.
namespace ListCoverage {

// Every file read before any is used; the first that cannot be used throws
// DataError naming the file and the line. note hears each file's notes.
QList<SequenceFile::Parsed> read(const QStringList &files, const std::function<void(const QString &)> &note = {});

// Every list of the database, in the order ListStore gives them (the level lists first).
Recogniser recogniserOf(const ListStore &store, const QList<ListStore::List> &lists);

// The coverage of one list, its entries recognised among every list's: a line
// naming another list's call is not unrecognised.
Coverage::Report of(const ListStore &store, int listId, const QList<SequenceFile::Parsed> &files);

// The list's calls the report finds used that are not marked used yet, each
// with the file of its first use: the source its history record names.
struct Marks
{
    QList<int> ids;
    QStringList sources;
};
Marks coveredUnused(const ListStore &store, int listId, const Coverage::Report &report);

// "file:line", or nothing for a call not used.
QString placeText(const Coverage::Place &place);

// The report as CSV: Call,Sequences,First; with unusedOnly only the unused calls' names.
QByteArray csv(const Coverage::Report &report, bool unusedOnly = false);

} // namespace ListCoverage
