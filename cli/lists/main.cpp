// vorlet-lists: show, export and import the lists of a call database.
#include "cli/lists/ListsCli.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly);
    return ListsCli::run(QCoreApplication::arguments().mid(1), out, err);
}
