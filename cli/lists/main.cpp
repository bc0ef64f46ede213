// vorlet-lists: show, export and import the lists of a call database.
#include "cli/lists/ListsCli.h"
#include "core/app/SafeFile.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly);
    const int status = ListsCli::run(QCoreApplication::arguments().mid(1), out, err);
    // What stdio still holds is written now: a full disk or /dev/full shows only here.
    errno = 0;
    bool written = out.flush();
    int error = errno;
    if (std::fflush(stdout) != 0) {
        written = false;
        error = errno;
    }
    if (!written || std::ferror(stdout)) {
        std::fprintf(stderr, "vorlet-lists: standard output could not be written: %s\n",
                     error != 0 ? qPrintable(SafeFile::cause(error)) : "a write failed");
        return status == 0 ? 1 : status;
    }
    return status;
}
