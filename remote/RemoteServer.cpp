#include "remote/RemoteServer.h"

#include "remote/QrMatrix.h"
#include "remote/RemoteTarget.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

namespace {

using Status = QHttpServerResponder::StatusCode;

// The fields a phone may see: what the Floor view shows, nothing more.
const QStringList StateFields = {QStringLiteral("listCall"), QStringLiteral("nlCall1"),
                                 QStringLiteral("nlCall2"),  QStringLiteral("callsLeft"),
                                 QStringLiteral("status"),   QStringLiteral("paused")};
const QStringList Commands = {QStringLiteral("use"), QStringLiteral("find"), QStringLiteral("nextNL"),
                              QStringLiteral("pause")};
constexpr int MaxSessions = 64;
constexpr int MaxPressIdLength = 64;

// bits of system randomness as URL-safe text
QString randomText(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char &c : raw)
        c = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// Compares without returning early, so that the time taken tells nothing.
bool sameSecret(const QString &a, const QString &b)
{
    if (a.isEmpty() || a.size() != b.size())
        return false;
    ushort diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= a.at(i).unicode() ^ b.at(i).unicode();
    return diff == 0;
}

QByteArray json(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray resource(const QString &name)
{
    QFile f(QStringLiteral(":/remote/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The steady clock, unaffected by changes of the wall clock.
qint64 steadyMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

// Admits each connection through the server's bounds before HTTP sees it.
class Listener : public QTcpServer
{
public:
    Listener(std::function<void(QTcpSocket *)> admit, QObject *parent)
        : QTcpServer(parent)
        , m_admit(std::move(admit))
    {
        setMaxPendingConnections(MaxPendingAccept);
        // A burst of connections is taken in and sorted out here, rather than
        // left half-open in the kernel's queue.
        setListenBacklogSize(256);
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        m_admit(socket);
        addPendingConnection(socket);
    }

private:
    static constexpr int MaxPendingAccept = 64;
    std::function<void(QTcpSocket *)> m_admit;
};

class Http : public QAbstractHttpServer
{
public:
    using Handler = std::function<bool(const QHttpServerRequest &, QTcpSocket *)>;
    Http(Handler handler, QObject *parent)
        : QAbstractHttpServer(parent)
        , m_handler(std::move(handler))
    {
    }
    static QHttpServerResponder responder(const QHttpServerRequest &request, QTcpSocket *socket)
    {
        return makeResponder(request, socket);
    }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        return m_handler(request, socket);
    }
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        makeResponder(request, socket).write(Status::NotFound);
    }

private:
    Handler m_handler;
};

void reply(const QHttpServerRequest &request, QTcpSocket *socket, Status status, const QByteArray &type,
           const QByteArray &body)
{
    QHttpServerResponder r = Http::responder(request, socket);
    r.writeStatusLine(status);
    r.writeHeaders({{"Content-Type", type},
                    {"Content-Length", QByteArray::number(body.size())},
                    {"Cache-Control", "no-store"},
                    {"X-Content-Type-Options", "nosniff"},
                    {"Referrer-Policy", "no-referrer"},
                    {"X-Frame-Options", "DENY"},
                    // Only the page's own files and its own WebSocket; no inline script.
                    {"Content-Security-Policy",
                     "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
                     "img-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"}});
    r.writeBody(body);
}

void replyText(const QHttpServerRequest &request, QTcpSocket *socket, Status status, const QByteArray &text)
{
    reply(request, socket, status, "text/plain; charset=utf-8", text + '\n');
}

void replyJson(const QHttpServerRequest &request, QTcpSocket *socket, Status status, const QJsonObject &o)
{
    reply(request, socket, status, "application/json", json(o));
}

} // namespace

// A static library's resources are linked in only when asked for by name.
static void initResources()
{
    Q_INIT_RESOURCE(remote);
}

RemoteServer::RemoteServer(RemoteTarget *target, QObject *parent)
    : QObject(parent)
    , m_target(target)
    , m_clock(&steadyMs)
{
    initResources();
    connect(m_target, &RemoteTarget::changed, this, &RemoteServer::broadcast);
}

RemoteServer::~RemoteServer()
{
    switchOff();
    // What switchOff left closing politely goes now, before its owner does.
    for (QWebSocket *ws : findChildren<QWebSocket *>(QString(), Qt::FindDirectChildrenOnly)) {
        ws->disconnect();
        ws->abort();
        delete ws;
    }
}

bool RemoteServer::switchOn(quint16 port)
{
    switchOff();
    auto *listener = new Listener([this](QTcpSocket *s) { admit(s); }, nullptr);
    if (!listener->listen(QHostAddress::Any, port)) {
        m_error = listener->errorString();
        delete listener;
        return false;
    }
    m_error.clear();
    auto *http = new Http([this](const QHttpServerRequest &r, QTcpSocket *s) { return handle(r, s); }, this);
    http->bind(listener);
    connect(http, &QAbstractHttpServer::newWebSocketConnection, this, &RemoteServer::acceptWebSocket);
    m_http = http;
    m_listener = listener;
    m_port = listener->serverPort();
    m_pin = QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1'000'000), 6, 10, QLatin1Char('0'));
    m_secret = randomText(24);
    m_displaySecret = randomText(24);
    m_failedTries = 0;
    m_guard.clear();
    m_sweep = new QTimer(this);
    m_sweep->setInterval(1000);
    connect(m_sweep, &QTimer::timeout, this, &RemoteServer::sweep);
    m_sweep->start();
    emit switchedOn(true);
    emit failedTriesChanged(0);
    return true;
}

void RemoteServer::switchOff()
{
    if (!m_http)
        return;
    m_listener->close();
    // Every phone is told and let go; none of them may come back in.
    const auto clients = m_clients;
    for (const auto &[ws, client] : clients)
        drop(ws, QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("switched off"));
    for (Unpaired &u : m_unpaired) {
        if (u.socket)
            u.socket->abort();
    }
    m_unpaired.clear();
    m_sessions.clear();
    m_guard.clear();
    delete m_sweep;
    m_sweep = nullptr;
    // The server may be inside one of its own handlers now.
    m_http->deleteLater();
    m_http = nullptr;
    m_listener = nullptr;
    m_port = 0;
    m_pin.clear();
    m_secret.clear();
    m_displaySecret.clear();
    emit phonesChanged();
    emit switchedOn(false);
}

QUrl RemoteServer::address() const
{
    if (!isOn())
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(lanAddress().toString());
    url.setPort(m_port);
    url.setPath(QStringLiteral("/"));
    return url;
}

QUrl RemoteServer::pairingUrl() const
{
    QUrl url = address();
    if (!url.isEmpty())
        url.setQuery(QStringLiteral("k=") + m_secret);
    return url;
}

QUrl RemoteServer::displayUrl() const
{
    QUrl url = address();
    if (!url.isEmpty()) {
        url.setPath(QStringLiteral("/display"));
        url.setQuery(QStringLiteral("k=") + m_displaySecret);
    }
    return url;
}

QVector<QVector<bool>> RemoteServer::pairingQr() const
{
    return isOn() ? qrMatrix(pairingUrl().toEncoded()) : QVector<QVector<bool>>();
}

QHostAddress RemoteServer::lanAddress()
{
    // The address a phone on the same Wi-Fi can reach: a private one on an
    // interface that is up, Wi-Fi before a cable before anything else.
    QHostAddress best;
    int bestScore = 0;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        const int kind = i.type() == QNetworkInterface::Wifi ? 3 : i.type() == QNetworkInterface::Ethernet ? 2 : 1;
        for (const QNetworkAddressEntry &e : i.addressEntries()) {
            const QHostAddress a = e.ip();
            if (a.protocol() != QAbstractSocket::IPv4Protocol || a.isLoopback() || a.isLinkLocal())
                continue;
            const quint32 v4 = a.toIPv4Address();
            const bool privateUse = (v4 >> 24) == 10 || (v4 >> 20) == 0xAC1 || (v4 >> 16) == 0xC0A8;
            const int score = kind + (privateUse ? 10 : 0);
            if (score > bestScore) {
                best = a;
                bestScore = score;
            }
        }
    }
    return best.isNull() ? QHostAddress(QHostAddress::LocalHost) : best;
}

QList<RemotePhone> RemoteServer::phones() const
{
    QList<RemotePhone> list;
    QSet<int> seen;
    for (const auto &[ws, client] : m_clients) {
        if (client.session == 0 || seen.contains(client.session))
            continue;
        seen.insert(client.session);
        const Session &s = m_sessions.at(client.session);
        list.append({s.id, s.address, s.display});
    }
    std::sort(list.begin(), list.end(), [](const RemotePhone &a, const RemotePhone &b) { return a.id < b.id; });
    return list;
}

void RemoteServer::disconnectPhone(int id)
{
    if (!m_sessions.count(id))
        return;
    const auto clients = m_clients;
    for (const auto &[ws, client] : clients) {
        if (client.session == id) {
            ws->sendTextMessage(QString::fromUtf8(
                json({{QStringLiteral("type"), QStringLiteral("denied")},
                      {QStringLiteral("reason"), QStringLiteral("disconnected")}})));
            drop(ws, QWebSocketProtocol::CloseCodeNormal, QStringLiteral("disconnected"));
        }
    }
    m_sessions.erase(id);
    emit phonesChanged();
}

// -- HTTP -------------------------------------------------------------------

void RemoteServer::admit(QTcpSocket *socket)
{
    const QHostAddress peer = PinGuard::plain(socket->peerAddress());
    auto evict = [this](const std::deque<Unpaired>::iterator &it) {
        QPointer<QTcpSocket> s = it->socket;
        m_unpaired.erase(it);
        if (s)
            s->abort();
    };
    int fromPeer = 0;
    for (auto it = m_unpaired.begin(); it != m_unpaired.end();) {
        if (!it->socket || it->socket->state() != QAbstractSocket::ConnectedState) {
            it = m_unpaired.erase(it);
            continue;
        }
        fromPeer += it->address == peer;
        ++it;
    }
    // The newcomer always gets in: the oldest idle connections make room, the
    // peer's own first, so that a flood pushes out only its own.
    if (fromPeer >= MaxUnpairedPerAddress) {
        evict(std::find_if(m_unpaired.begin(), m_unpaired.end(),
                           [&](const Unpaired &u) { return u.address == peer; }));
    }
    if (m_unpaired.size() >= static_cast<size_t>(MaxUnpaired))
        evict(m_unpaired.begin());
    m_unpaired.push_back({socket, peer, socket->peerPort(), now(), 0});

    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        for (Unpaired &u : m_unpaired) {
            if (u.socket != socket)
                continue;
            u.lastMs = now();
            u.bytes += socket->bytesAvailable();
            if (u.bytes > MaxRequestBytes) {
                // Neither the HTTP parser nor anyone else reads it any more.
                QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
                socket->abort();
            }
            return;
        }
    });
}

bool RemoteServer::ownHost(const QByteArray &hostHeader) const
{
    // The page is reached by this machine's address, never by a name another
    // machine answers for: that keeps a rebinding web page out.
    const QString h = QString::fromLatin1(hostHeader).trimmed();
    QString host;
    QString portText = QStringLiteral("80");
    if (h.startsWith(u'[')) {
        const qsizetype close = h.indexOf(u']');
        if (close < 0)
            return false;
        host = h.mid(1, close - 1);
        const QString rest = h.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return false;
            portText = rest.mid(1);
        }
    } else {
        const qsizetype colon = h.lastIndexOf(u':');
        host = colon < 0 ? h : h.left(colon);
        if (colon >= 0)
            portText = h.mid(colon + 1);
    }
    bool portOk = false;
    if (portText.toUInt(&portOk) != m_port || !portOk)
        return false;
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress literal;
    return literal.setAddress(host);
}

bool RemoteServer::handle(const QHttpServerRequest &request, QTcpSocket *socket)
{
    for (Unpaired &u : m_unpaired) {
        if (u.socket == socket) {
            u.bytes = 0; // a whole request: the next one starts its own count
            u.lastMs = now();
        }
    }
    if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
        // Handled without an answer, Qt passes the connection on as a WebSocket;
        // refused, it answers 404 and closes it. Only the page's own may pass.
        const QByteArray hostHeader = request.value("host");
        return ownHost(hostHeader) && request.url().path(QUrl::FullyEncoded) == QLatin1String("/ws") &&
               request.value("origin").compare("http://" + hostHeader, Qt::CaseInsensitive) == 0;
    }
    if (!ownHost(request.value("host"))) {
        replyText(request, socket, Status::BadRequest, "Open the address shown on the laptop.");
        return true;
    }
    // Matched on the path as it came, so no decoding can turn it into another.
    const QString path = request.url().path(QUrl::FullyEncoded);
    const auto method = request.method();
    if (method == QHttpServerRequest::Method::Post && path == QLatin1String("/pair")) {
        pair(request, socket);
        return true;
    }
    if (method != QHttpServerRequest::Method::Get) {
        replyText(request, socket, Status::MethodNotAllowed, "Not allowed.");
        return true;
    }
    if (path == QLatin1String("/") || path == QLatin1String("/index.html")) {
        reply(request, socket, Status::Ok, "text/html; charset=utf-8", resource(QStringLiteral("index.html")));
    } else if (path == QLatin1String("/app.js")) {
        reply(request, socket, Status::Ok, "text/javascript; charset=utf-8", resource(QStringLiteral("app.js")));
    } else if (path == QLatin1String("/style.css")) {
        reply(request, socket, Status::Ok, "text/css; charset=utf-8", resource(QStringLiteral("style.css")));
    } else if (path == QLatin1String("/display")) {
        const QHostAddress peer = PinGuard::plain(socket->peerAddress());
        const QString key = request.query().queryItemValue(QStringLiteral("k"), QUrl::FullyDecoded);
        if (m_guard.waitLeft(peer, now()) == 0 && sameSecret(key, m_displaySecret)) {
            reply(request, socket, Status::Ok, "text/html; charset=utf-8", resource(QStringLiteral("display.html")));
        } else {
            if (!key.isEmpty()) {
                m_guard.failed(peer, now());
                failedTry();
            }
            replyText(request, socket, Status::NotFound, "Not found.");
        }
    } else {
        replyText(request, socket, Status::NotFound, "Not found.");
    }
    return true;
}

void RemoteServer::pair(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QHostAddress peer = PinGuard::plain(socket->peerAddress());
    const QByteArray origin = request.value("origin");
    if (!origin.isEmpty() && origin.compare("http://" + request.value("host"), Qt::CaseInsensitive) != 0) {
        replyText(request, socket, Status::Forbidden, "Not from this page.");
        return;
    }
    const qint64 wait = m_guard.waitLeft(peer, now());
    if (wait > 0) {
        replyJson(request, socket, Status::TooManyRequests,
                  {{QStringLiteral("error"), QStringLiteral("wait")},
                   {QStringLiteral("seconds"), static_cast<int>((wait + 999) / 1000)}});
        return;
    }
    const QJsonObject body = QJsonDocument::fromJson(request.body()).object();
    const QString typed = body.value(QStringLiteral("pin")).toString().trimmed();
    const QString secret = body.value(QStringLiteral("secret")).toString();
    if (typed.isEmpty() && secret.isEmpty()) {
        replyText(request, socket, Status::BadRequest, "Send the PIN.");
        return;
    }
    if (!sameSecret(typed, m_pin) && !sameSecret(secret, m_secret)) {
        const int left = m_guard.failed(peer, now());
        failedTry();
        QJsonObject answer{{QStringLiteral("error"), QStringLiteral("wrong")}, {QStringLiteral("triesLeft"), left}};
        if (left == 0)
            answer.insert(QStringLiteral("seconds"), static_cast<int>(PinGuard::WaitMs / 1000));
        replyJson(request, socket, Status::Forbidden, answer);
        return;
    }
    m_guard.succeeded(peer);
    const Session &s = newSession(false, peer);
    replyJson(request, socket, Status::Ok, {{QStringLiteral("token"), s.token}});
}

void RemoteServer::failedTry()
{
    ++m_failedTries;
    emit failedTriesChanged(m_failedTries);
}

RemoteServer::Session &RemoteServer::newSession(bool display, const QHostAddress &address)
{
    if (m_sessions.size() >= static_cast<size_t>(MaxSessions)) {
        // The oldest pairing without a connection makes room.
        QSet<int> live;
        for (const auto &[ws, c] : m_clients)
            live.insert(c.session);
        for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
            if (!live.contains(it->first)) {
                m_sessions.erase(it);
                break;
            }
        }
    }
    const int id = m_nextSession++;
    Session &s = m_sessions[id];
    s.id = id;
    s.token = randomText(24);
    s.display = display;
    s.address = address;
    return s;
}

RemoteServer::Session *RemoteServer::sessionById(int id)
{
    const auto it = m_sessions.find(id);
    return it == m_sessions.end() ? nullptr : &it->second;
}

// -- WebSocket --------------------------------------------------------------

void RemoteServer::acceptWebSocket()
{
    while (m_http && m_http->hasPendingWebSocketConnections()) {
        QWebSocket *ws = m_http->nextPendingWebSocketConnection().release();
        ws->setParent(this);
        connect(ws, &QWebSocket::disconnected, ws, &QObject::deleteLater);
        // The connection is the WebSocket's now, no longer an unpaired HTTP one.
        for (auto it = m_unpaired.begin(); it != m_unpaired.end(); ++it) {
            if (it->socket && it->peerPort == ws->peerPort() && it->address == PinGuard::plain(ws->peerAddress())) {
                it->socket->setParent(ws);
                m_unpaired.erase(it);
                break;
            }
        }
        ws->setMaxAllowedIncomingFrameSize(MaxMessageBytes);
        ws->setMaxAllowedIncomingMessageSize(MaxMessageBytes);
        const QByteArray host = ws->request().rawHeader("Host");
        const bool ownPage = ownHost(host) && ws->requestUrl().path() == QLatin1String("/ws") &&
                             ws->origin().compare(QStringLiteral("http://") + QString::fromLatin1(host),
                                                  Qt::CaseInsensitive) == 0;
        m_clients[ws] = {0, PinGuard::plain(ws->peerAddress()), now(), now()};
        connect(ws, &QWebSocket::textMessageReceived, this, [this, ws](const QString &t) { message(ws, t); });
        connect(ws, &QWebSocket::binaryMessageReceived, this,
                [this, ws] { drop(ws, QWebSocketProtocol::CloseCodeDatatypeNotSupported, QStringLiteral("text only")); });
        connect(ws, &QWebSocket::disconnected, this, [this, ws] {
            const auto it = m_clients.find(ws);
            if (it == m_clients.end())
                return;
            const bool paired = it->second.session != 0;
            m_clients.erase(it);
            if (paired)
                emit phonesChanged();
        });
        if (!ownPage) {
            drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("not this page"));
            continue;
        }
        // Too many that have not said who they are: the oldest of them goes.
        int waiting = 0;
        QWebSocket *oldest = nullptr;
        qint64 oldestSince = 0;
        for (const auto &[other, c] : m_clients) {
            if (c.session != 0 || other == ws)
                continue;
            ++waiting;
            if (!oldest || c.sinceMs < oldestSince) {
                oldest = other;
                oldestSince = c.sinceMs;
            }
        }
        if (waiting >= MaxUnpaired && oldest)
            drop(oldest, QWebSocketProtocol::CloseCodeTooMuchData, QStringLiteral("too many"));
    }
}

void RemoteServer::drop(QWebSocket *ws, int closeCode, const QString &reason)
{
    const auto it = m_clients.find(ws);
    const bool paired = it != m_clients.end() && it->second.session != 0;
    if (it != m_clients.end())
        m_clients.erase(it);
    ws->close(static_cast<QWebSocketProtocol::CloseCode>(closeCode), reason);
    // A peer that never answers the close is cut off.
    auto *cutoff = new QTimer(ws);
    cutoff->setSingleShot(true);
    connect(cutoff, &QTimer::timeout, ws, &QWebSocket::abort);
    cutoff->start(2000);
    if (paired)
        emit phonesChanged();
}

void RemoteServer::message(QWebSocket *ws, const QString &text)
{
    const auto it = m_clients.find(ws);
    if (it == m_clients.end())
        return;
    Client &client = it->second;
    client.lastMs = now();
    const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
    const QString type = m.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("ping")) {
        ws->sendTextMessage(QStringLiteral("{\"type\":\"pong\"}"));
        return;
    }
    if (client.session == 0) {
        if (type == QLatin1String("hello"))
            hello(ws, client, m);
        else
            drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("pair first"));
        return;
    }
    Session *s = sessionById(client.session);
    if (s && type == QLatin1String("press"))
        press(ws, *s, m);
    else
        drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("unknown message"));
}

void RemoteServer::hello(QWebSocket *ws, Client &client, const QJsonObject &m)
{
    auto deny = [&](const QString &reason) {
        ws->sendTextMessage(QString::fromUtf8(
            json({{QStringLiteral("type"), QStringLiteral("denied")}, {QStringLiteral("reason"), reason}})));
        drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, reason);
    };
    const QString token = m.value(QStringLiteral("token")).toString();
    const QString displayKey = m.value(QStringLiteral("display")).toString();
    Session *session = nullptr;
    if (!token.isEmpty()) {
        for (auto &[id, s] : m_sessions) {
            if (sameSecret(token, s.token))
                session = &s;
        }
        if (!session)
            return deny(QStringLiteral("unpaired"));
    } else if (!displayKey.isEmpty()) {
        if (m_guard.waitLeft(client.address, now()) > 0)
            return deny(QStringLiteral("wait"));
        if (!sameSecret(displayKey, m_displaySecret)) {
            m_guard.failed(client.address, now());
            failedTry();
            return deny(QStringLiteral("unpaired"));
        }
        session = &newSession(true, client.address);
    } else {
        return deny(QStringLiteral("unpaired"));
    }

    int paired = 0;
    std::vector<QWebSocket *> own;
    for (const auto &[other, c] : m_clients) {
        paired += c.session != 0;
        if (c.session == session->id)
            own.push_back(other);
    }
    if (paired >= MaxPaired)
        return deny(QStringLiteral("full"));
    if (static_cast<int>(own.size()) >= MaxSocketsPerPhone) {
        // A phone that reconnected leaves its dead sockets behind: the oldest go.
        std::sort(own.begin(), own.end(),
                  [this](QWebSocket *a, QWebSocket *b) { return m_clients[a].sinceMs < m_clients[b].sinceMs; });
        for (size_t i = 0; i + MaxSocketsPerPhone <= own.size(); ++i)
            drop(own[i], QWebSocketProtocol::CloseCodeNormal, QStringLiteral("replaced"));
    }
    client.session = session->id;
    QJsonObject welcome{{QStringLiteral("type"), QStringLiteral("welcome")},
                        {QStringLiteral("display"), session->display}};
    if (!displayKey.isEmpty())
        welcome.insert(QStringLiteral("token"), session->token);
    ws->sendTextMessage(QString::fromUtf8(json(welcome)));
    QJsonObject state;
    const QJsonObject full = m_target->state();
    for (const QString &f : StateFields)
        state.insert(f, full.value(f));
    ws->sendTextMessage(QString::fromUtf8(json({{QStringLiteral("type"), QStringLiteral("state")}, {QStringLiteral("state"), state}})));
    emit phonesChanged();
}

void RemoteServer::press(QWebSocket *ws, Session &session, const QJsonObject &m)
{
    const QString id = m.value(QStringLiteral("id")).toString();
    const QString command = m.value(QStringLiteral("command")).toString();
    if (id.isEmpty() || id.size() > MaxPressIdLength || !Commands.contains(command))
        return drop(ws, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("bad press"));
    if (session.display) {
        ws->sendTextMessage(QString::fromUtf8(
            json({{QStringLiteral("type"), QStringLiteral("refused")}, {QStringLiteral("id"), id}})));
        return;
    }
    QJsonObject ack{{QStringLiteral("type"), QStringLiteral("ack")}, {QStringLiteral("id"), id}};
    if (session.presses.contains(id)) {
        // Resent after a reconnect: it was applied the first time.
        ack.insert(QStringLiteral("duplicate"), true);
        ws->sendTextMessage(QString::fromUtf8(json(ack)));
        return;
    }
    session.presses.insert(id);
    session.pressOrder.push_back(id);
    if (session.pressOrder.size() > static_cast<size_t>(RememberedPresses)) {
        session.presses.remove(session.pressOrder.front());
        session.pressOrder.pop_front();
    }
    const QPointer<QWebSocket> guard(ws);
    m_target->command(command);
    if (guard && m_clients.count(ws))
        ws->sendTextMessage(QString::fromUtf8(json(ack)));
}

void RemoteServer::broadcast()
{
    if (m_clients.empty())
        return;
    QJsonObject state;
    const QJsonObject full = m_target->state();
    for (const QString &f : StateFields)
        state.insert(f, full.value(f));
    const QString text =
        QString::fromUtf8(json({{QStringLiteral("type"), QStringLiteral("state")}, {QStringLiteral("state"), state}}));
    for (const auto &[ws, client] : m_clients) {
        if (client.session != 0)
            ws->sendTextMessage(text);
    }
}

void RemoteServer::sweep()
{
    const qint64 t = now();
    for (auto it = m_unpaired.begin(); it != m_unpaired.end();) {
        if (it->socket && it->lastMs + IdleMs >= t) {
            ++it;
            continue;
        }
        QPointer<QTcpSocket> s = it->socket;
        it = m_unpaired.erase(it);
        if (s)
            s->abort();
    }
    std::vector<QWebSocket *> late;
    for (const auto &[ws, c] : m_clients) {
        if ((c.session == 0 && c.sinceMs + HelloMs < t) || (c.session != 0 && c.lastMs + SilentMs < t))
            late.push_back(ws);
    }
    for (QWebSocket *ws : late)
        drop(ws, QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("silent"));
}
