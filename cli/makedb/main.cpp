// Builds a call database from the call data text: vorlet-makedb CALLS.txt Call_List.db
// An existing database is never overwritten.
#include "core/app/AppIdentity.h"
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
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(version);
    const bool parsed = parser.parse(QCoreApplication::arguments());
    if (parsed && parser.isSet(version)) {
        std::printf("vorlet-makedb %s\n", qPrintable(AppIdentity::version()));
        return 0;
    }
    if (!parsed || parser.positionalArguments().size() != 2) {
        std::fprintf(stderr, "usage: vorlet-makedb CALL_DATA.txt Call_List.db\n       vorlet-makedb --version\n");
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
