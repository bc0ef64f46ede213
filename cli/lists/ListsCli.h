#pragma once

#include <QStringList>

class QIODevice;

// vorlet-lists: the caller's lists from the command line, over ListStore.
// Exit status 0 on success, 1 on a data error, 2 on bad usage; every error is
// one line on err.
namespace ListsCli {

enum Status { Ok = 0, DataFailure = 1, BadUsage = 2 };

// Runs one command line, the program name left off.
int run(const QStringList &arguments, QIODevice &out, QIODevice &err);

} // namespace ListsCli
