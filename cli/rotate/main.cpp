// vorlet-rotate: plan an evening's rotation of the hall, or print its figures.
#include "cli/rotate/RotateCli.h"

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
    return RotateCli::run(QCoreApplication::arguments().mid(1), out, err);
}
