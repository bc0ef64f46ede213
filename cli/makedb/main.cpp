// Builds a call database from the call data text: vorlet-makedb CALLS.txt Call_List.db
// An existing database is never overwritten.
#include "core/data/CallDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: vorlet-makedb CALL_DATA.txt Call_List.db\n");
        return 2;
    }
    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "vorlet-makedb: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    QString error;
    const auto lists = CallDatabase::parse(QString::fromUtf8(source.readAll()), &error);
    if (lists.isEmpty()) {
        std::fprintf(stderr, "vorlet-makedb: %s: %s\n", qPrintable(args[1]),
                     qPrintable(error.isEmpty() ? QStringLiteral("no lists") : error));
        return 1;
    }
    if (!CallDatabase::create(args[2], lists, &error)) {
        std::fprintf(stderr, "vorlet-makedb: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
