// Builds a call database from the call data text: vorlet-makedb CALLS.txt Call_List.db
// An existing database is never overwritten.
#include "core/data/CallDatabase.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("CALL_DATA.txt"), QString());
    parser.addPositionalArgument(QStringLiteral("Call_List.db"), QString());
    if (!parser.parse(QCoreApplication::arguments()) || parser.positionalArguments().size() != 2) {
        std::fprintf(stderr, "usage: vorlet-makedb CALL_DATA.txt Call_List.db\n");
        return 2;
    }
    // The source and the target, as args[1] and args[2].
    const QStringList args = QStringList{QString()} + parser.positionalArguments();
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
