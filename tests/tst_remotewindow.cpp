// The Remote window over the real Calls window: the switch, pairing, a phone's
// presses carried out as the Calls window's own, and the server's end. The
// server is spoken to on loopback only.
#include "core/app/AppIdentity.h"
#include "remote/RemoteServer.h"
#include "ui/kit/Modal.h"
#include "ui/kit/Presses.h"
#include "ui/remote/Remote.h"
#include "testsupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QSettings>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>

namespace {

// A phone on loopback: pairs by PIN, then follows the state and presses.
class Phone
{
public:
    explicit Phone(quint16 port)
        : m_host(QStringLiteral("127.0.0.1:%1").arg(port)), m_port(port), m_ws(QStringLiteral("http://") + m_host)
    {
        m_ws.setProxy(QNetworkProxy::NoProxy);
        QObject::connect(&m_ws, &QWebSocket::textMessageReceived, [this](const QString &text) {
            const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
            if (m.value("type") == QLatin1String("state"))
                states.append(m.value("state").toObject());
        });
    }

    // The HTTP status of the pairing; the token is kept when it worked.
    int pair(const QString &pin)
    {
        QTcpSocket http;
        http.setProxy(QNetworkProxy::NoProxy);
        http.connectToHost(QHostAddress::LocalHost, m_port);
        const QByteArray body = "{\"pin\":\"" + pin.toLatin1() + "\"}";
        http.write("POST /pair HTTP/1.1\r\nHost: " + m_host.toLatin1() + "\r\nContent-Length: "
                   + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        QByteArray answer;
        const bool whole = QTest::qWaitFor([&] {
            answer += http.readAll();
            return answer.contains("\r\n\r\n") && answer.endsWith('}');
        });
        if (!whole)
            return 0;
        m_token = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object().value("token").toString();
        return answer.mid(9, 3).toInt();
    }

    bool open()
    {
        m_ws.open(QUrl(QStringLiteral("ws://%1/ws").arg(m_host)));
        if (!QTest::qWaitFor([&] { return m_ws.state() == QAbstractSocket::ConnectedState; }))
            return false;
        m_ws.sendTextMessage(QStringLiteral("{\"type\":\"hello\",\"token\":\"%1\"}").arg(m_token));
        return QTest::qWaitFor([&] { return !states.isEmpty(); });
    }

    void press(const QString &command)
    {
        m_ws.sendTextMessage(
            QStringLiteral("{\"type\":\"press\",\"id\":\"p%1\",\"command\":\"%2\"}").arg(++m_presses).arg(command));
    }

    bool connected() const { return m_ws.state() == QAbstractSocket::ConnectedState; }
    QList<QJsonObject> states;

private:
    QString m_host;
    quint16 m_port;
    QString m_token;
    QWebSocket m_ws;
    int m_presses = 0;
};

// A free port on loopback, for the window to keep in its settings.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

Remote::Controls &openRemote(CallForm::Controls &c)
{
    QTest::mouseClick(c.cmdRemote, Qt::LeftButton);
    Remote::Controls &r = Remote::instance().ui();
    return r;
}

} // namespace

class tst_RemoteWindow : public QObject
{
    Q_OBJECT
private slots:
    void buttonInFreeSpaceLastInTabOrder();
    void phonePairsAndWorksTheCalls();
    void pressesWaitForABox();
    void serverEndsWithTheCallsWindow();
    void portInUseLeavesPhonesOff();
};

void tst_RemoteWindow::buttonInFreeSpaceLastInTabOrder()
{
    TestDatabase db({list("B", 3)});
    CallForm::Controls &c = getList("B");
    QWidget *w = c.cmdUse->window();
    QCOMPARE(tabOrder(w).constLast(), QStringLiteral("cmdRemote"));
    for (QWidget *other : w->findChildren<QWidget *>()) {
        if (other != c.cmdRemote && other->isVisible() && other->parentWidget() == w)
            QVERIFY2(!other->geometry().intersects(c.cmdRemote->geometry()), qPrintable(other->objectName()));
    }
    QVERIFY(w->rect().contains(c.cmdRemote->geometry()));
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_M, Qt::AltModifier);
    QTRY_VERIFY(Remote::instance().isShown());
    Remote::Controls &r = Remote::instance().ui();
    QVERIFY(!r.chkAllow->isChecked() && !Remote::instance().isAllowed());
    QCOMPARE(r.spnPort->value(), int(Remote::DefaultPort));
    QCOMPARE(r.txtAddress->text(), QString());
}

void tst_RemoteWindow::phonePairsAndWorksTheCalls()
{
    TestDatabase db({list("B", 6)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    Remote::Controls &r = openRemote(c);
    const quint16 port = freePort();
    r.spnPort->setValue(port);
    QCOMPARE(QSettings(AppIdentity::title(), AppIdentity::title()).value("remote/port").toInt(), int(port));
    // The switch from the keyboard, as any check box.
    QVERIFY(pressAccessibly(r.chkAllow));
    QVERIFY(Remote::instance().isAllowed());
    RemoteServer *server = Remote::instance().server();
    QCOMPARE(server->port(), port);
    QVERIFY(!r.spnPort->isEnabled());
    QVERIFY(r.txtAddress->text().endsWith(QStringLiteral(":%1/").arg(port)));
    const QString pin = server->pin(), secret = server->pairingSecret();
    QCOMPARE(pin.size(), 6);
    QCOMPARE(r.lblPin->text().remove(u' '), pin);
    QVERIFY(!r.picQr->pixmap().isNull());
    QVERIFY(r.txtDisplay->text().contains(QStringLiteral("/display?k=")));

    Phone wrong(port);
    QCOMPARE(wrong.pair(pin == "000000" ? "111111" : "000000"), 403);
    QCOMPARE(r.lblFailed->text(), QStringLiteral("Failed tries: 1"));

    Phone phone(port);
    QCOMPARE(phone.pair(pin), 200);
    QVERIFY(phone.open());
    QTRY_COMPARE(r.cmdDisconnect.size(), 1);
    QVERIFY(r.cmdDisconnect[0]->accessibleName().startsWith(QStringLiteral("Disconnect 127.0.0.1")));

    // "Find" then "Use" from the phone: the call on show is the one marked.
    phone.press("find");
    QTRY_VERIFY(c.lblCall->isVisible());
    const QString shown = c.lblCall->text();
    QTRY_COMPARE(phone.states.constLast().value("listCall").toString(), shown);
    QCOMPARE(phone.states.constLast().value("callsLeft").toString(), c.lblCallsLeft->text());
    phone.press("use");
    QTRY_COMPARE(used(db), 1);
    QCOMPARE(db.column("SELECT Call_Name FROM tblCalls WHERE Used = 1"), QStringList{shown});
    QTRY_COMPARE(phone.states.constLast().value("listCall").toString(), c.lblCall->text());
    phone.press("pause");
    QTRY_VERIFY(CallForm::instance().isPaused());
    QTRY_VERIFY(phone.states.constLast().value("paused").toBool());
    phone.press("nextNL");
    QTRY_VERIFY(c.lblNLCall1->isVisible());
    QTRY_COMPARE(phone.states.constLast().value("nlCall1").toString(), c.lblNLCall1->text());

    // Disconnect ends the phone's pairing and its connection.
    QVERIFY(pressAccessibly(r.cmdDisconnect[0]));
    QTRY_VERIFY(!phone.connected());
    QTRY_COMPARE(r.cmdDisconnect.size(), 0);

    // Switched off and on again: a new PIN, and the old one pairs no more.
    r.chkAllow->click();
    QVERIFY(!server->isOn() && r.txtAddress->text().isEmpty() && r.lblPin->text().isEmpty() && r.picQr->pixmap().isNull());
    r.chkAllow->click();
    QVERIFY(server->isOn());
    QVERIFY(server->pairingSecret() != secret && server->pin().size() == 6);
    QVERIFY(log.messages.isEmpty());
}

void tst_RemoteWindow::pressesWaitForABox()
{
    TestDatabase db({list("B", 4)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    c.cmdStart->click();
    Remote::Controls &r = openRemote(c);
    r.spnPort->setValue(freePort());
    r.chkAllow->click();
    Phone phone(Remote::instance().server()->port());
    QCOMPARE(phone.pair(Remote::instance().server()->pin()), 200);
    QVERIFY(phone.open());
    const QString first = c.lblCall->text();
    {
        // A box is up on the laptop: the phone's presses wait, then land in order.
        const Modal::Hold box;
        phone.press("use");
        phone.press("use");
        QTRY_COMPARE(Presses::pending(), 2);
        QTest::qWait(100);
        QCOMPARE(used(db), 0);
    }
    QTRY_COMPARE(used(db), 2);
    QVERIFY(db.column("SELECT Call_Name FROM tblCalls WHERE Used = 1").contains(first));
}

void tst_RemoteWindow::serverEndsWithTheCallsWindow()
{
    TestDatabase db({list("B", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    Remote::Controls &r = openRemote(c);
    r.spnPort->setValue(freePort());
    r.chkAllow->click();
    const quint16 port = Remote::instance().server()->port();
    Phone phone(port);
    QCOMPARE(phone.pair(Remote::instance().server()->pin()), 200);
    QVERIFY(phone.open());
    // Closing the Remote window keeps phones on; closing the Calls window does not.
    r.cmdClose->click();
    QVERIFY(Remote::instance().isAllowed() && phone.connected());
    QVERIFY(c.cmdUse->window()->close());
    QTRY_VERIFY(!phone.connected());
    QVERIFY(!Remote::instance().isAllowed());
    QTcpSocket probe;
    probe.setProxy(QNetworkProxy::NoProxy);
    probe.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!probe.waitForConnected(1000));
    // Without a Calls window there is nothing to allow.
    Remote::instance().ui().chkAllow->click();
    QVERIFY(!Remote::instance().isAllowed() && !Remote::instance().ui().chkAllow->isChecked());
    QCOMPARE(log.messages, QStringList{"Open the Calls window first: phones follow its calls."});
}

void tst_RemoteWindow::portInUseLeavesPhonesOff()
{
    TestDatabase db({list("B", 3)});
    MessageLog log;
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any, 0));
    CallForm::Controls &c = getList("B");
    Remote::Controls &r = openRemote(c);
    r.spnPort->setValue(squatter.serverPort());
    r.chkAllow->click();
    QVERIFY(!Remote::instance().isAllowed() && !r.chkAllow->isChecked() && r.spnPort->isEnabled());
    QCOMPARE(log.messages.size(), 1);
    QVERIFY2(log.messages[0].startsWith(QStringLiteral("Phones cannot be allowed: port %1 cannot be used (")
                                            .arg(squatter.serverPort())),
             qPrintable(log.messages[0]));
}

QTEST_MAIN(tst_RemoteWindow)
#include "tst_remotewindow.moc"
