// Times a press on the phone remote end to end: from a WebSocket client on
// loopback, through the server and the calls session, to the mark in the call
// database by the real Calls window, and the new state back at the client;
// beside a click of the Calls window's own "&Use", turn about in the same run.
// Prints "name|value|bound|detail", as bench_calls.
//   bench_remote [runs]
#include "core/data/CallDatabase.h"
#include "remote/RemoteServer.h"
#include "ui/calls/CallForm.h"
#include "ui/kit/Message.h"
#include "ui/main/frmMain.h"
#include "ui/remote/SessionTarget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
void spin(const std::function<bool()> &done)
{
    QElapsedTimer limit;
    limit.start();
    while (!done()) {
        if (limit.elapsed() > 10'000)
            qFatal("bench_remote: no answer from the server in 10 s");
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 31;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
    const QString path = dir.filePath(CallDatabase::FileName);
    CallDatabase::setPath(path);
    CallDatabase::CallList calls{QStringLiteral("B"), {}};
    for (int i = 0; i < 2 * runs + 10; ++i)
        calls.calls.append(QStringLiteral("Call %1").arg(i));
    QString error;
    if (!CallDatabase::create(path, {calls}, &error))
        qFatal("%s", qPrintable(error));

    Message::setObserver([](const QString &text) { qFatal("bench_remote: %s", qPrintable(text)); });
    frmMain::instance().show();
    frmMain::instance().ui().cmdGo->click();
    CallForm::Controls &c = CallForm::instance().ui();
    c.Timer1->stop();
    c.cmdStart->click();
    SessionTarget target;
    RemoteServer server(&target);
    if (!server.switchOn(0))
        qFatal("%s", qPrintable(server.errorString()));
    const QString host = QStringLiteral("127.0.0.1:%1").arg(server.port());

    // Paired by PIN, as a phone is.
    QTcpSocket http;
    http.setProxy(QNetworkProxy::NoProxy);
    http.connectToHost(QHostAddress::LocalHost, server.port());
    const QByteArray body = "{\"pin\":\"" + server.pin().toLatin1() + "\"}";
    http.write("POST /pair HTTP/1.1\r\nHost: " + host.toLatin1() + "\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    QByteArray answer;
    spin([&] {
        answer += http.readAll();
        return answer.contains("\r\n\r\n") && answer.endsWith('}');
    });
    const QString token =
        QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object().value("token").toString();

    QWebSocket ws(QStringLiteral("http://") + host);
    ws.setProxy(QNetworkProxy::NoProxy);
    int states = 0;
    QObject::connect(&ws, &QWebSocket::textMessageReceived, [&](const QString &t) {
        states += QJsonDocument::fromJson(t.toUtf8()).object().value("type") == QLatin1String("state");
    });
    ws.open(QUrl(QStringLiteral("ws://%1/ws").arg(host)));
    spin([&] { return ws.state() == QAbstractSocket::ConnectedState; });
    ws.sendTextMessage(QStringLiteral("{\"type\":\"hello\",\"token\":\"%1\"}").arg(token));
    spin([&] { return states == 1; });

    std::vector<double> remote, direct;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const int before = states;
        t.start();
        ws.sendTextMessage(QStringLiteral("{\"type\":\"press\",\"id\":\"b%1\",\"command\":\"use\"}").arg(i));
        spin([&] { return states > before; });
        remote.push_back(double(t.nsecsElapsed()) / 1000.0);

        // The Calls window's own button, with the phone told of it as well.
        const int told = states;
        t.restart();
        c.cmdUse->click();
        direct.push_back(double(t.nsecsElapsed()) / 1000.0);
        spin([&] { return states > told; });
    }
    {
        QSqlDatabase check = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-check"));
        check.setDatabaseName(path);
        check.open();
        QSqlQuery q(QStringLiteral("SELECT COUNT(*) FROM tblCalls WHERE Used = 1"), check);
        if (!q.next() || q.value(0).toInt() != 2 * runs)
            qFatal("bench_remote: %d calls marked, %d expected", q.value(0).toInt(), 2 * runs);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-check"));
    const double r = median(remote), d = median(direct);
    std::printf("Remote Use|%.2f|2.00|%.2f ms against %.2f ms by the Calls window's button, medians of %d\n",
                r / d, r / 1000, d / 1000, runs);
    return 0;
}
