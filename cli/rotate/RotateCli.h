#pragma once

#include <QStringList>

class QIODevice;

// vorlet-rotate: a whole evening's rotation planned ahead, as cards, CSV or figures.
// Exit status 0 done, 1 a data error, 2 bad usage; every error is one line on err.
namespace RotateCli {

enum Status { Ok = 0, DataFailure = 1, BadUsage = 2 };

// Runs one command line, the program name left off.
int run(const QStringList &arguments, QIODevice &out, QIODevice &err);

} // namespace RotateCli
