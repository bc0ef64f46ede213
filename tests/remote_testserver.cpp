// The phone remote over a fresh call database, for the browser test: builds the
// database at the path given, switches the server on at a free port, prints one
// JSON line (port, PIN, secrets) and serves until its standard input closes.
#include "core/data/CallDatabase.h"
#include "remote/RemoteServer.h"
#include "tests/RemoteDbTarget.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: remote_testserver DATABASE\n");
        return 2;
    }
    const QString path = args.at(1);
    QStringList calls{QStringLiteral("<img src=x onerror=alert(1)>")};
    for (int i = 1; i <= 5; ++i)
        calls.append(QStringLiteral("Call & <b>%1</b>").arg(i));
    QString error;
    if (!CallDatabase::create(path, {{QStringLiteral("Tonight"), calls}}, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    RemoteDbTarget target(path, QStringLiteral("Tonight"));
    RemoteServer server(&target);
    if (!server.switchOn(0)) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QJsonObject info{{QStringLiteral("port"), server.port()},
                           {QStringLiteral("pin"), server.pin()},
                           {QStringLiteral("secret"), server.pairingSecret()},
                           {QStringLiteral("display"), server.displaySecret()}};
    std::printf("%s\n", QJsonDocument(info).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
