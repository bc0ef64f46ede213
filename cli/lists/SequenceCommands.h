#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

// vorlet-lists coverage and calls: what a caller's sequence files use of the
// lists. Each returns the exit status: 0 done, 1 a data error, 2 bad usage.
namespace SequenceCommands {

struct CoverageArguments
{
    QString database;
    QString list;
    bool unused = false;
    bool csv = false;
    bool markUsed = false;
    QStringList files;
};
int coverage(const CoverageArguments &arguments, QIODevice &out, QIODevice &err);

struct CallsArguments
{
    QString database;
    QStringList files;
};
int calls(const CallsArguments &arguments, QIODevice &out, QIODevice &err);

} // namespace SequenceCommands
