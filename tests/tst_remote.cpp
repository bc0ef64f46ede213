// The phone remote over real loopback sockets and a real call database.
#include "remote/RemoteServer.h"
#include "tests/RemoteDbTarget.h"
#include "tests/testsupport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QWebSocket>

#include <memory>

namespace {

const QString Html = QStringLiteral("<img src=x onerror=alert(1)>");

// Lets the server, in this same thread, do its work until cond holds.
bool until(const std::function<bool()> &cond, int ms = 3000)
{
    QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

struct Reply
{
    int status = 0; // 0: no answer before the connection closed
    QByteArray head, body;
};

void dial(QTcpSocket &s, quint16 port)
{
    s.setProxy(QNetworkProxy::NoProxy);
    s.connectToHost(QHostAddress::LocalHost, port);
}

// One request as raw bytes, so that no client tidies the path on the way.
Reply raw(quint16 port, const QByteArray &request, int ms = 3000)
{
    QTcpSocket s;
    dial(s, port);
    if (!until([&] { return s.state() == QAbstractSocket::ConnectedState; }, ms))
        return {};
    s.write(request);
    QByteArray in;
    Reply r;
    const QRegularExpression length("content-length:\\s*(\\d+)", QRegularExpression::CaseInsensitiveOption);
    until(
        [&] {
            in += s.readAll();
            const qsizetype end = in.indexOf("\r\n\r\n");
            const bool closed = s.state() != QAbstractSocket::ConnectedState;
            if (end < 0)
                return closed;
            r.head = in.left(end);
            r.body = in.mid(end + 4);
            return closed || r.body.size() >= length.match(r.head).captured(1).toInt();
        },
        ms);
    r.status = r.head.split(' ').value(1).toInt();
    return r;
}

QByteArray host(quint16 port)
{
    return "127.0.0.1:" + QByteArray::number(port);
}

Reply get(quint16 port, const QByteArray &target)
{
    return raw(port, "GET " + target + " HTTP/1.1\r\nHost: " + host(port) + "\r\nConnection: close\r\n\r\n");
}

Reply post(quint16 port, const QJsonObject &body)
{
    const QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Compact);
    return raw(port, "POST /pair HTTP/1.1\r\nHost: " + host(port) + "\r\nOrigin: http://" + host(port) +
                         "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(json.size()) +
                         "\r\nConnection: close\r\n\r\n" + json);
}

QJsonObject object(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

// A phone's page, as the server sees it: a WebSocket from the page's origin.
class Phone
{
public:
    explicit Phone(quint16 port, const QString &origin = {}, const QString &path = QStringLiteral("/ws"))
        : ws(origin.isNull() ? QStringLiteral("http://") + QString::fromLatin1(host(port)) : origin)
    {
        ws.setProxy(QNetworkProxy::NoProxy);
        QObject::connect(&ws, &QWebSocket::textMessageReceived,
                         [this](const QString &t) { inbox.append(object(t.toUtf8())); });
        ws.open(QUrl(QStringLiteral("ws://%1%2").arg(QString::fromLatin1(host(port)), path)));
    }
    bool open() { return until([&] { return ws.state() == QAbstractSocket::ConnectedState; }); }
    bool closed(int ms = 3000) { return until([&] { return ws.state() == QAbstractSocket::UnconnectedState; }, ms); }
    void send(const QJsonObject &m) { ws.sendTextMessage(QString::fromUtf8(QJsonDocument(m).toJson(QJsonDocument::Compact))); }
    void hello(const QString &token) { send({{"type", "hello"}, {"token", token}}); }
    void press(const QString &id, const QString &command) { send({{"type", "press"}, {"id", id}, {"command", command}}); }
    // The next message of that type, taken from the inbox; empty when none comes.
    QJsonObject next(const QString &type, int ms = 3000)
    {
        QJsonObject found;
        until(
            [&] {
                const auto it =
                    std::find_if(inbox.begin(), inbox.end(), [&](const QJsonObject &m) { return m.value("type") == type; });
                if (it != inbox.end())
                    found = inbox.takeAt(it - inbox.begin());
                return !found.isEmpty();
            },
            ms);
        return found;
    }
    QWebSocket ws;
    QList<QJsonObject> inbox;
};

// A database, the session over it and the server, switched on at a free port.
struct Rig
{
    explicit Rig(const QList<CallDatabase::CallList> &lists = {list("MS", 12)})
        : db(lists)
        , target(db.path(), lists.first().name)
        , server(&target)
    {
        server.setClock([this] { return now; });
        if (!server.switchOn(0))
            qFatal("cannot switch on: %s", qPrintable(server.errorString()));
        port = server.port();
    }
    QString pair()
    {
        return object(post(port, {{"pin", server.pin()}}).body).value("token").toString();
    }
    // A phone that says hello with the token and is welcomed.
    std::unique_ptr<Phone> welcomed(const QString &token)
    {
        auto p = std::make_unique<Phone>(port);
        if (!p->open())
            return nullptr;
        p->hello(token);
        return p->next("welcome").isEmpty() ? nullptr : std::move(p);
    }
    // A phone paired by PIN and welcomed, with the first state read.
    std::unique_ptr<Phone> phone()
    {
        auto p = welcomed(pair());
        return !p || p->next("state").isEmpty() ? nullptr : std::move(p);
    }
    TestDatabase db;
    RemoteDbTarget target;
    RemoteServer server;
    qint64 now = 1'000'000;
    quint16 port = 0;
};

} // namespace

class tst_remote : public QObject
{
    Q_OBJECT
private slots:
    void pairing_data();
    void pairing();
    void wrongPinWait();
    void sockets_data();
    void sockets();
    void switchOffEndsEverything_data();
    void switchOffEndsEverything();
    void idleConnectionsClosed();
    void twoPhones();
    void requests_data();
    void requests();
    void oversized_data();
    void oversized();
    void htmlReachesPhoneAsText();
    void display();
    void qrCode();
    void flood();
};

void tst_remote::pairing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("failed");
    QTest::newRow("pairing secret") << "secret" << 200 << 0;
    QTest::newRow("PIN") << "pin" << 200 << 0;
    QTest::newRow("wrong PIN") << "wrong pin" << 403 << 1;
    QTest::newRow("wrong secret") << "wrong secret" << 403 << 1;
    QTest::newRow("nothing") << "nothing" << 400 << 0;
}

void tst_remote::pairing()
{
    QFETCH(QString, how);
    QFETCH(int, status);
    QFETCH(int, failed);
    Rig rig;
    QVERIFY(QRegularExpression("^[0-9]{6}$").match(rig.server.pin()).hasMatch());
    QVERIFY(rig.server.pairingSecret().size() >= 22); // 128 bits as base64
    QCOMPARE(rig.server.pairingUrl().query(), "k=" + rig.server.pairingSecret());

    const QString wrongPin = QStringLiteral("%1").arg((rig.server.pin().toInt() + 1) % 1'000'000, 6, 10, QLatin1Char('0'));
    QJsonObject body;
    if (how == "secret")
        body = {{"secret", rig.server.pairingSecret()}};
    else if (how == "pin")
        body = {{"pin", rig.server.pin()}};
    else if (how == "wrong pin")
        body = {{"pin", wrongPin}};
    else if (how == "wrong secret") // its last character changed, whatever it was
        body = {{"secret", rig.server.pairingSecret().chopped(1) + (rig.server.pairingSecret().endsWith('A') ? "B" : "A")}};
    QSignalSpy tries(&rig.server, &RemoteServer::failedTriesChanged);
    const Reply r = post(rig.port, body);
    QCOMPARE(r.status, status);
    QCOMPARE(rig.server.failedTries(), failed);
    QCOMPARE(tries.count(), failed);
    const QString token = object(r.body).value("token").toString();
    QCOMPARE(token.isEmpty(), status != 200);
    if (token.isEmpty())
        return;
    QVERIFY(token.size() >= 22);
    QVERIFY(token != rig.server.pairingSecret());

    Phone phone(rig.port);
    QVERIFY(phone.open());
    phone.hello(token);
    QCOMPARE(phone.next("welcome").value("display").toBool(), false);
    QCOMPARE(phone.next("state").value("state").toObject(), rig.target.state());
}

void tst_remote::wrongPinWait()
{
    Rig rig;
    const QString wrong = QStringLiteral("%1").arg((rig.server.pin().toInt() + 7) % 1'000'000, 6, 10, QLatin1Char('0'));
    for (int left = PinGuard::MaxTries - 1; left >= 0; --left) {
        const Reply r = post(rig.port, {{"pin", wrong}});
        QCOMPARE(r.status, 403);
        QCOMPARE(object(r.body).value("triesLeft").toInt(), left);
    }
    QCOMPARE(rig.server.failedTries(), PinGuard::MaxTries);
    QCOMPARE(object(post(rig.port, {{"pin", wrong}}).body).value("seconds").toInt(), 30);

    // Waiting, even the right PIN is turned away, and the wait does not grow.
    Reply r = post(rig.port, {{"pin", rig.server.pin()}});
    QCOMPARE(r.status, 429);
    QCOMPARE(object(r.body).value("seconds").toInt(), 30);
    QCOMPARE(rig.server.failedTries(), PinGuard::MaxTries);
    rig.now += PinGuard::WaitMs - 1;
    r = post(rig.port, {{"secret", rig.server.pairingSecret()}});
    QCOMPARE(r.status, 429);
    QCOMPARE(object(r.body).value("seconds").toInt(), 1);
    rig.now += 1;
    r = post(rig.port, {{"pin", rig.server.pin()}});
    QCOMPARE(r.status, 200);
    QVERIFY(!object(r.body).value("token").toString().isEmpty());
}

void tst_remote::sockets_data()
{
    // Only the page's own origin and path, and only after a hello with a paired token.
    QTest::addColumn<QString>("origin"); // %1: the port
    QTest::addColumn<QString>("path");
    QTest::addColumn<QJsonObject>("first"); // token TOKEN: the paired one; PIN, SECRET: the server's
    QTest::addColumn<bool>("accepted");
    const QString page = QStringLiteral("http://127.0.0.1:%1"), ws = QStringLiteral("/ws");
    const QJsonObject paired{{"type", "hello"}, {"token", "TOKEN"}};
    QTest::newRow("the page") << page << ws << paired << true;
    QTest::newRow("the page, other case") << "HTTP://127.0.0.1:%1" << ws << paired << true;
    QTest::newRow("another site") << "http://evil.example" << ws << paired << false;
    QTest::newRow("another port") << "http://127.0.0.1:1" << ws << paired << false;
    QTest::newRow("other name, same machine") << "http://localhost:%1" << ws << paired << false;
    QTest::newRow("https") << "https://127.0.0.1:%1" << ws << paired << false;
    QTest::newRow("null") << "null" << ws << paired << false;
    QTest::newRow("no origin") << "" << ws << paired << false;
    QTest::newRow("another path") << page << "/other" << paired << false;
    QTest::newRow("press without hello") << page << ws << QJsonObject{{"type", "press"}, {"id", "x1"}, {"command", "use"}}
                                         << false;
    QTest::newRow("made-up token") << page << ws
                                   << QJsonObject{{"type", "hello"}, {"token", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"}} << false;
    QTest::newRow("empty token") << page << ws << QJsonObject{{"type", "hello"}, {"token", ""}} << false;
    QTest::newRow("PIN as token") << page << ws << QJsonObject{{"type", "hello"}, {"token", "PIN"}} << false;
    QTest::newRow("pairing secret as token") << page << ws << QJsonObject{{"type", "hello"}, {"token", "SECRET"}}
                                             << false;
    QTest::newRow("not JSON") << page << ws << QJsonObject{} << false;
}

void tst_remote::sockets()
{
    QFETCH(QString, origin);
    QFETCH(QString, path);
    QFETCH(QJsonObject, first);
    QFETCH(bool, accepted);
    Rig rig;
    const QHash<QString, QString> secrets{
        {"TOKEN", rig.pair()}, {"PIN", rig.server.pin()}, {"SECRET", rig.server.pairingSecret()}};
    if (secrets.contains(first.value("token").toString()))
        first["token"] = secrets.value(first.value("token").toString());
    Phone phone(rig.port, origin.contains("%1") ? origin.arg(rig.port) : origin, path);
    QVERIFY(until([&] { return phone.ws.state() != QAbstractSocket::ConnectingState; }));
    if (first.isEmpty())
        phone.ws.sendTextMessage("<html>");
    else
        phone.send(first);
    if (accepted) {
        QVERIFY(!phone.next("state").isEmpty());
        phone.press("o-1", "use");
        QVERIFY(!phone.next("ack").isEmpty());
    } else {
        phone.press("x2", "use");
        QVERIFY(phone.closed());
        for (const QJsonObject &m : std::as_const(phone.inbox))
            QVERIFY(m.value("type") != "state" && m.value("type") != "welcome");
    }
    QCOMPARE(rig.target.applied.size(), accepted ? 1 : 0);
    QCOMPARE(used(rig.db), accepted ? 1 : 0);
}

void tst_remote::switchOffEndsEverything_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("switched off") << false;
    QTest::newRow("destroyed") << true;
}

void tst_remote::switchOffEndsEverything()
{
    QFETCH(bool, destroy);
    Rig rig;
    // A second server over the same session, to be switched off or destroyed.
    auto server = std::make_unique<RemoteServer>(&rig.target);
    QVERIFY(server->switchOn(0));
    const quint16 port = server->port();
    const QString token = object(post(port, {{"pin", server->pin()}}).body).value("token").toString();
    QVERIFY(!token.isEmpty());
    Phone phone(port);
    QVERIFY(phone.open());
    phone.hello(token);
    QVERIFY(!phone.next("state").isEmpty());
    Phone unpaired(port);
    QVERIFY(unpaired.open());
    const QString oldPin = server->pin(), oldSecret = server->pairingSecret(), oldDisplay = server->displaySecret();
    QSignalSpy switched(server.get(), &RemoteServer::switchedOn);

    if (destroy) {
        server.reset();
    } else {
        server->switchOff();
        QVERIFY(!server->isOn());
        QCOMPARE(switched.count(), 1);
        QVERIFY(server->pin().isEmpty() && server->address().isEmpty());
    }
    QVERIFY(phone.closed());
    QVERIFY(unpaired.closed());
    QTcpSocket probe;
    dial(probe, port);
    QVERIFY(until([&] { return probe.state() == QAbstractSocket::UnconnectedState; }));
    QCOMPARE(probe.error(), QAbstractSocket::ConnectionRefusedError);
    if (destroy)
        return;

    // On again at the same port: new secrets, and nothing handed out before works.
    QVERIFY(server->switchOn(port));
    QVERIFY(server->pairingSecret() != oldSecret && server->displaySecret() != oldDisplay);
    QCOMPARE(server->pin().size(), 6);
    Phone again(port);
    QVERIFY(again.open());
    again.hello(token);
    QCOMPARE(again.next("denied").value("reason").toString(), "unpaired");
    QVERIFY(again.closed());
    QCOMPARE(post(port, {{"secret", oldSecret}}).status, 403);
    QCOMPARE(get(port, "/display?k=" + oldDisplay.toLatin1()).status, 404);
    if (oldPin != server->pin())
        QCOMPARE(post(port, {{"pin", oldPin}}).status, 403);
}

void tst_remote::idleConnectionsClosed()
{
    Rig rig;
    auto phone = rig.phone();
    QVERIFY(phone);
    QTcpSocket idle;
    dial(idle, rig.port);
    QVERIFY(until([&] { return idle.state() == QAbstractSocket::ConnectedState; }));
    idle.write("GET / HTTP/1.1\r\n"); // and never the rest
    Phone silent(rig.port); // never says who it is
    QVERIFY(silent.open());
    QTest::qWait(1500); // a sweep or two, with the clock still
    QCOMPARE(idle.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(silent.ws.state(), QAbstractSocket::ConnectedState);

    rig.now += RemoteServer::IdleMs + 1;
    phone->send({{"type", "ping"}});
    QVERIFY(!phone->next("pong").isEmpty());
    QVERIFY(until([&] { return idle.state() == QAbstractSocket::UnconnectedState; }));
    QVERIFY(silent.closed());
    // The paired phone that pings stays, until it falls silent too.
    phone->press("i-1", "use");
    QVERIFY(!phone->next("ack").isEmpty());
    rig.now += RemoteServer::SilentMs + 1;
    QVERIFY(phone->closed());
    QVERIFY(until([&] { return rig.server.phones().isEmpty(); }));
}

// Presses from two phones each applied once, a replayed press id acknowledged
// but not applied, and a phone disconnected for good while the other goes on.
void tst_remote::twoPhones()
{
    Rig rig;
    QSignalSpy changed(&rig.server, &RemoteServer::phonesChanged);
    const QString token = rig.pair();
    auto a = rig.welcomed(token);
    auto b = rig.phone();
    QVERIFY(a && b);
    QVERIFY(changed.count() >= 2);
    const QList<RemotePhone> phones = rig.server.phones();
    QCOMPARE(phones.size(), 2);
    QCOMPARE(phones.first().address, QHostAddress(QHostAddress::LocalHost));
    QVERIFY(!phones.first().display);
    const QString shown = a->next("state").value("state").toObject().value("listCall").toString();
    QVERIFY(!shown.isEmpty());
    // Both presses are on the wire before the server reads either.
    a->press("p-1", "use");
    b->press("b-1", "use");
    QCOMPARE(a->next("ack").value("id").toString(), "p-1");
    QCOMPARE(b->next("ack").value("id").toString(), "b-1");
    QCOMPARE(rig.db.value("SELECT Used FROM tblCalls WHERE Call_Name = ?", {shown}).toInt(), 1);
    // Each phone saw both changes, and both end on the same call.
    for (Phone *p : {a.get(), b.get()}) {
        QCOMPARE(p->next("state").value("state").toObject().value("callsLeft").toInt(), 11);
        QCOMPARE(p->next("state").value("state").toObject(), rig.target.state());
    }

    // The same press again, on the same socket and after a reconnect.
    a->press("p-1", "use");
    QCOMPARE(a->next("ack").value("duplicate").toBool(), true);
    a.reset();
    auto back = rig.welcomed(token);
    QVERIFY(back);
    back->press("p-1", "use");
    QCOMPARE(back->next("ack").value("duplicate").toBool(), true);
    QCOMPARE(rig.target.applied, QStringList({"use", "use"}));
    back->press("p-2", "use");
    QCOMPARE(back->next("ack").value("duplicate").toBool(), false);
    QCOMPARE(used(rig.db), 3);

    rig.server.disconnectPhone(phones.first().id);
    QCOMPARE(back->next("denied").value("reason").toString(), "disconnected");
    QVERIFY(back->closed());
    QCOMPARE(rig.server.phones().size(), 1);
    // Its pairing is gone; the other phone goes on.
    Phone again(rig.port);
    QVERIFY(again.open());
    again.hello(token);
    QCOMPARE(again.next("denied").value("reason").toString(), "unpaired");
    b->press("b-2", "use");
    QVERIFY(!b->next("ack").isEmpty());
    QCOMPARE(used(rig.db), 4);
    b.reset();
    QVERIFY(until([&] { return rig.server.phones().isEmpty(); }));
}

void tst_remote::requests_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("host");        // %1: the port
    QTest::addColumn<QByteArray>("contains"); // in the body; empty: refused by 404, 400 or a closed connection
    const QString here = QStringLiteral("127.0.0.1:%1");
    QTest::newRow("/") << QByteArray("/") << here << QByteArray("data-mode=\"remote\"");
    QTest::newRow("/?k=") << QByteArray("/?k=abc") << here << QByteArray("data-mode=\"remote\"");
    QTest::newRow("app.js") << QByteArray("/app.js") << here << QByteArray("textContent");
    QTest::newRow("style.css") << QByteArray("/style.css") << here << QByteArray(".list-call");
    const QList<QByteArray> refused = {
        "/../../../../etc/passwd", "/%2e%2e/%2e%2e/%2e%2e/etc/passwd", "/%2E%2E/app.js", "/..%2f..%2fetc%2fpasswd",
        "/.%2e/.%2e/etc/passwd", "//etc/passwd", "//app.js", "/app.js%00", "/app.js%00.html", "/index.html%00",
        "/%00", "/remote/", "/remote/app.js", "/:/remote/app.js", "/web/app.js", "/app.js/", "/APP.JS",
        "/app.js/..", "/%2fetc%2fpasswd", "/display", "/display?k=guess", "/index.html/../app.js",
        "/main.cpp", "/icons/vorlet.svg", "/ws", QByteArray("/app.js\0.html", 13), "/..\\..\\etc\\passwd"};
    for (const QByteArray &t : refused)
        QTest::newRow(QByteArray(t).replace('\0', "<NUL>").constData()) << t << here << QByteArray();
    // A page that a foreign name leads here (DNS rebinding) gets nothing.
    QTest::newRow("Host localhost") << QByteArray("/") << "localhost:%1" << QByteArray("data-mode");
    QTest::newRow("Host IPv6 loopback") << QByteArray("/") << "[::1]:%1" << QByteArray("data-mode");
    for (const char *h : {"evil.example:%1", "127.0.0.1.nip.io:%1", "127.0.0.1:1", "127.0.0.1", ""})
        QTest::addRow("Host \"%s\"", h) << QByteArray("/") << QString::fromLatin1(h) << QByteArray();
}

void tst_remote::requests()
{
    QFETCH(QByteArray, target);
    QFETCH(QString, host);
    QFETCH(QByteArray, contains);
    Rig rig;
    const QByteArray name = (host.contains("%1") ? host.arg(rig.port) : host).toLatin1();
    const Reply r = raw(rig.port, "GET " + target + " HTTP/1.1\r\nHost: " + name + "\r\nConnection: close\r\n\r\n");
    if (!contains.isEmpty()) {
        QCOMPARE(r.status, 200);
        QVERIFY(r.body.contains(contains));
        QVERIFY(r.head.toLower().contains("content-security-policy: default-src 'none'"));
    } else {
        QVERIFY2(r.status == 0 || r.status == 400 || r.status == 404, r.head.constData());
        QVERIFY(!r.body.contains("<html") && !r.body.contains("root:") && !r.body.contains("function"));
        QVERIFY(!r.body.contains("data-mode"));
    }
}

void tst_remote::oversized_data()
{
    QTest::addColumn<int>("headerBytes");
    QTest::addColumn<int>("bodyBytes");
    QTest::addColumn<bool>("answered");
    QTest::newRow("small") << 100 << 100 << true;
    QTest::newRow("header just in bounds") << RemoteServer::MaxRequestBytes / 2 << 0 << true;
    QTest::newRow("header too large") << RemoteServer::MaxRequestBytes * 2 << 0 << false;
    QTest::newRow("body too large") << 100 << RemoteServer::MaxRequestBytes * 4 << false;
    QTest::newRow("body of a megabyte") << 100 << 1024 * 1024 << false;
}

void tst_remote::oversized()
{
    QFETCH(int, headerBytes);
    QFETCH(int, bodyBytes);
    QFETCH(bool, answered);
    Rig rig;
    const QByteArray body = "{\"pin\":\"x" + QByteArray(bodyBytes, 'x') + "\"}";
    const QByteArray request = "POST /pair HTTP/1.1\r\nHost: " + host(rig.port) + "\r\nX-Pad: " +
                               QByteArray(headerBytes, 'a') + "\r\nContent-Length: " +
                               QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    const Reply r = raw(rig.port, request);
    QCOMPARE(r.status != 0, answered);
    if (answered)
        QCOMPARE(r.status, 403); // a wrong PIN, read whole
    // The server goes on serving.
    QCOMPARE(get(rig.port, "/").status, 200);
}

void tst_remote::htmlReachesPhoneAsText()
{
    Rig rig({{QStringLiteral("Tonight"), {Html}}});
    Phone phone(rig.port);
    QVERIFY(phone.open());
    QString rawState;
    QObject::connect(&phone.ws, &QWebSocket::textMessageReceived, [&](const QString &t) {
        if (t.contains("\"state\""))
            rawState = t;
    });
    phone.hello(rig.pair());
    QCOMPARE(phone.next("state").value("state").toObject().value("listCall").toString(), Html);
    QVERIFY(rawState.contains(Html)); // as a JSON string, not wrapped in markup
    // The page itself sets every value as text.
    const Reply js = get(rig.port, "/app.js");
    QCOMPARE(js.status, 200);
    for (const char *sink : {"innerHTML", "outerHTML", "insertAdjacentHTML", "document.write", "eval("})
        QVERIFY2(!js.body.contains(sink), sink);
}

void tst_remote::display()
{
    Rig rig;
    const QString key = rig.server.displaySecret();
    QVERIFY(key != rig.server.pairingSecret());
    QCOMPARE(rig.server.displayUrl().path(), "/display");
    const Reply page = get(rig.port, "/display?k=" + key.toLatin1());
    QCOMPARE(page.status, 200);
    QVERIFY(page.body.contains("data-mode=\"display\""));

    Phone screen(rig.port);
    QVERIFY(screen.open());
    screen.send({{"type", "hello"}, {"display", key}});
    QCOMPARE(screen.next("welcome").value("display").toBool(), true);
    QCOMPARE(screen.next("state").value("state").toObject(), rig.target.state());
    for (const QString &command : QStringList{"use", "find", "nextNL", "pause"}) {
        screen.press("d-" + command, command);
        QCOMPARE(screen.next("refused").value("id").toString(), "d-" + command);
    }
    QCOMPARE(rig.target.applied, QStringList());
    QCOMPARE(used(rig.db), 0);
    // It follows what a phone does.
    auto phone = rig.phone();
    QVERIFY(phone);
    phone->press("u-1", "use");
    QCOMPARE(screen.next("state").value("state").toObject().value("callsLeft").toInt(), 11);

    // The phone's pairing secret is no display key.
    Phone wrong(rig.port);
    QVERIFY(wrong.open());
    wrong.send({{"type", "hello"}, {"display", rig.server.pairingSecret()}});
    QCOMPARE(wrong.next("denied").value("reason").toString(), "unpaired");
    QCOMPARE(rig.server.failedTries(), 1);
}

void tst_remote::qrCode()
{
    Rig rig;
    const QVector<QVector<bool>> qr = rig.server.pairingQr();
    QVERIFY(qr.size() >= 21);
    QCOMPARE((qr.size() - 17) % 4, 0); // 4 * version + 17
    for (const QVector<bool> &row : qr)
        QCOMPARE(row.size(), qr.size());
    // The finder pattern in three corners: a dark ring, a light ring, a dark core.
    for (const auto &[x0, y0] : {std::pair{0, 0}, std::pair{int(qr.size()) - 7, 0}, std::pair{0, int(qr.size()) - 7}}) {
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 7; ++x) {
                const int ring = std::max(std::abs(x - 3), std::abs(y - 3));
                QCOMPARE(qr[y0 + y][x0 + x], ring != 2);
            }
        }
    }
    rig.server.switchOff();
    QVERIFY(rig.server.pairingQr().isEmpty());
    QVERIFY(rig.server.switchOn(0));
    QVERIFY(rig.server.pairingQr() != qr); // a new secret in it
}

void tst_remote::flood()
{
    Rig rig;
    auto phone = rig.phone();
    QVERIFY(phone);

    // 200 connections opened at once and held, most of them half-way into a request.
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < 200; ++i) {
        flood.push_back(std::make_unique<QTcpSocket>());
        dial(*flood.back(), rig.port);
    }
    QVERIFY(until([&] {
        return std::all_of(flood.begin(), flood.end(), [](const auto &s) { return s->state() != QAbstractSocket::ConnectingState; });
    }, 10000));
    for (size_t i = 0; i < flood.size(); ++i) {
        if (i % 2 == 0)
            flood[i]->write("GET / HTTP/1.1\r\nHost: " + host(rig.port) + "\r\nX-Slow: ");
    }
    QTest::qWait(200);

    QElapsedTimer t;
    t.start();
    phone->press("f-1", "use");
    QVERIFY(!phone->next("ack", 2000).isEmpty());
    QVERIFY(!phone->next("state", 2000).isEmpty());
    const qint64 pressMs = t.elapsed();
    QCOMPARE(used(rig.db), 1);
    // A new phone still pairs, and its page loads.
    t.restart();
    QCOMPARE(get(rig.port, "/").status, 200);
    auto late = rig.phone();
    QVERIFY(late);
    const qint64 newPhoneMs = t.elapsed();
    QVERIFY2(pressMs < 1000 && newPhoneMs < 2000, qPrintable(QStringLiteral("%1 ms, %2 ms").arg(pressMs).arg(newPhoneMs)));
    // The server holds only a bounded number of them.
    long held = 0;
    const bool bounded = until([&] {
        held = std::count_if(flood.begin(), flood.end(),
                             [](const auto &s) { return s->state() == QAbstractSocket::ConnectedState; });
        return held <= RemoteServer::MaxUnpairedPerAddress;
    });
    QVERIFY2(bounded, qPrintable(QStringLiteral("%1 of 200 still held").arg(held)));
}

QTEST_MAIN(tst_remote)
#include "tst_remote.moc"
