#pragma once

#include "remote/PinGuard.h"

#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QVector>

#include <deque>
#include <functional>
#include <map>

class QAbstractHttpServer;
class QHttpServerRequest;
class QTcpServer;
class QTcpSocket;
class QTimer;
class QWebSocket;
class RemoteTarget;

// A phone (or a /display screen) that paired and is connected now.
struct RemotePhone
{
    int id = 0; // for RemoteServer::disconnectPhone
    QHostAddress address;
    bool display = false; // the read-only page
};

// The phone remote: serves the page from resources over HTTP, pairs phones by
// the secret in the QR code or by the PIN, and then carries the target's state
// to them and their presses to it over a WebSocket. Off until switched on;
// everything it hands out dies when it is switched off.
class RemoteServer : public QObject
{
    Q_OBJECT
public:
    // Bounds on what one peer can make the server hold.
    static constexpr int MaxRequestBytes = 16 * 1024; // one request, headers and body
    static constexpr int MaxMessageBytes = 4 * 1024;  // one WebSocket message
    static constexpr int MaxUnpairedPerAddress = 16;  // connections not yet paired
    static constexpr int MaxUnpaired = 128;
    static constexpr int MaxPaired = 64;      // paired WebSockets, all phones together
    static constexpr int MaxSocketsPerPhone = 4;
    static constexpr qint64 IdleMs = 10'000;  // an unpaired connection that sends nothing
    static constexpr qint64 HelloMs = 5'000;  // a WebSocket that does not say who it is
    static constexpr qint64 SilentMs = 30'000; // a paired phone that stopped pinging
    static constexpr int RememberedPresses = 256;

    // The target outlives the server.
    explicit RemoteServer(RemoteTarget *target, QObject *parent = nullptr);
    ~RemoteServer() override;

    // Listens on every interface at port (0 picks a free one), with a new PIN
    // and new secrets; false with errorString() when the port cannot be had.
    bool switchOn(quint16 port);
    // Stops listening, closes every connection, and forgets every pairing.
    void switchOff();
    bool isOn() const { return m_http != nullptr; }
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }

    QString pin() const { return m_pin; }
    QString pairingSecret() const { return m_secret; }
    QString displaySecret() const { return m_displaySecret; }
    // http://<LAN address>:<port>/, the address a phone types.
    QUrl address() const;
    // The address with the pairing secret, for the QR code.
    QUrl pairingUrl() const;
    // The read-only page for a projector, with its own secret.
    QUrl displayUrl() const;
    // The QR code of pairingUrl(), empty while off.
    QVector<QVector<bool>> pairingQr() const;

    // Wrong PINs and secrets since switched on.
    int failedTries() const { return m_failedTries; }
    QList<RemotePhone> phones() const;
    // Closes the phone's connections and ends its pairing: it needs the PIN again.
    void disconnectPhone(int id);

    // The monotonic clock in milliseconds for the waits; tests move their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // This machine's address on the local network, 127.0.0.1 when it has none.
    static QHostAddress lanAddress();

signals:
    void switchedOn(bool on);
    void failedTriesChanged(int count);
    void phonesChanged();

private:
    struct Session
    {
        int id = 0;
        QString token;
        bool display = false;
        QHostAddress address;
        std::deque<QString> pressOrder; // the ids applied, oldest first
        QSet<QString> presses;
    };
    struct Unpaired
    {
        QPointer<QTcpSocket> socket;
        QHostAddress address;
        quint16 peerPort = 0;
        qint64 lastMs = 0;
        qint64 bytes = 0; // since the last whole request
    };
    struct Client
    {
        int session = 0; // 0 until the socket says who it is
        QHostAddress address;
        qint64 sinceMs = 0;
        qint64 lastMs = 0;
    };

    qint64 now() const { return m_clock(); }
    void admit(QTcpSocket *socket);
    bool handle(const QHttpServerRequest &request, QTcpSocket *socket);
    void pair(const QHttpServerRequest &request, QTcpSocket *socket);
    void acceptWebSocket();
    void message(QWebSocket *ws, const QString &text);
    void hello(QWebSocket *ws, Client &client, const QJsonObject &m);
    void press(QWebSocket *ws, Session &session, const QJsonObject &m);
    void broadcast();
    void drop(QWebSocket *ws, int closeCode, const QString &reason);
    void sweep();
    void failedTry();
    Session &newSession(bool display, const QHostAddress &address);
    Session *sessionById(int id);
    bool ownHost(const QByteArray &hostHeader) const;

    RemoteTarget *m_target;
    std::function<qint64()> m_clock;
    QAbstractHttpServer *m_http = nullptr;
    QTcpServer *m_listener = nullptr;
    QTimer *m_sweep = nullptr;
    quint16 m_port = 0;
    QString m_error;
    QString m_pin, m_secret, m_displaySecret;
    int m_failedTries = 0;
    int m_nextSession = 1;
    PinGuard m_guard;
    std::deque<Unpaired> m_unpaired;
    std::map<QWebSocket *, Client> m_clients;
    std::map<int, Session> m_sessions;
};
