#include "ui/remote/Remote.h"

#include "core/app/Settings.h"
#include "core/calls/CallsSession.h"
#include "remote/RemoteServer.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "ui/remote/SessionTarget.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString PortKey = QStringLiteral("remote/port");

// The port kept in the settings; the default when they cannot be read.
quint16 keptPort()
{
    const std::unique_ptr<QSettings> settings = Settings::open();
    const uint port = settings ? settings->value(PortKey, Remote::DefaultPort).toUInt() : Remote::DefaultPort;
    return port >= 1024 && port <= 65535 ? quint16(port) : Remote::DefaultPort;
}

void keepPort(int port)
{
    if (const std::unique_ptr<QSettings> settings = Settings::open())
        settings->setValue(PortKey, port);
}

// The code with its quiet zone, scaled to whole pixels so a phone reads it off the screen.
QPixmap qrPixmap(const QVector<QVector<bool>> &modules, int side)
{
    if (modules.isEmpty())
        return {};
    const int quiet = 4;
    const int count = int(modules.size()) + 2 * quiet;
    const int scale = qMax(1, side / count);
    QImage image(count * scale, count * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    for (int y = 0; y < modules.size(); ++y) {
        for (int x = 0; x < modules[y].size(); ++x) {
            if (modules[y][x])
                p.fillRect((x + quiet) * scale, (y + quiet) * scale, scale, scale, Qt::black);
        }
    }
    return QPixmap::fromImage(image);
}

QLineEdit *readOnlyLine(QWidget *parent, const char *name, const QString &accessibleName)
{
    auto *line = new QLineEdit(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setReadOnly(true);
    line->setAccessibleName(accessibleName);
    return line;
}

} // namespace

Remote::Remote() : m_target(std::make_unique<SessionTarget>()), m_server(std::make_unique<RemoteServer>(m_target.get()))
{
    connect(m_server.get(), &RemoteServer::failedTriesChanged, this, &Remote::showState);
    connect(m_server.get(), &RemoteServer::phonesChanged, this, &Remote::showPhones);
    connect(&CallsSession::instance(), &CallsSession::changed, this, &Remote::sessionChanged);
}

Remote::~Remote()
{
    // Vorlet ends: no phone keeps a connection to a program that is gone.
    m_server->switchOff();
}

FormWindow *Remote::createWindow()
{
    auto *w = newWindow(QStringLiteral("Remote"), QStringLiteral("Remote"));
    Controls &c = *m_ui;
    c.chkAllow = new QCheckBox(QStringLiteral("&Allow phones"), w);
    c.chkAllow->setObjectName(QStringLiteral("chkAllow"));
    c.spnPort = new QSpinBox(w);
    c.spnPort->setObjectName(QStringLiteral("spnPort"));
    c.spnPort->setRange(1024, 65535);
    c.spnPort->setAccessibleName(QStringLiteral("Port"));
    c.spnPort->setToolTip(QStringLiteral("Switch phones off to change the port."));
    c.txtAddress = readOnlyLine(w, "txtAddress", QStringLiteral("Address to open on the phone"));
    // Read across the room and typed into a phone: large, and wide enough for any address.
    c.txtAddress->setFont(Look::sansSerif(13.5, true));
    c.txtAddress->setMinimumWidth(
        c.txtAddress->fontMetrics().horizontalAdvance(QStringLiteral("http://255.255.255.255:65535/")) + 16);
    c.lblPin = new QLabel(w);
    c.lblPin->setObjectName(QStringLiteral("lblPin"));
    c.lblPin->setFont(Look::sansSerif(18, true));
    c.lblPin->setTextInteractionFlags(Qt::TextSelectableByMouse);
    c.lblPin->setAccessibleName(QStringLiteral("PIN"));
    c.picQr = new QLabel(w);
    c.picQr->setObjectName(QStringLiteral("picQr"));
    c.picQr->setAlignment(Qt::AlignCenter);
    c.picQr->setWordWrap(true);
    c.picQr->setMinimumSize(Look::twips(3600), Look::twips(3600));
    c.picQr->setAccessibleName(QStringLiteral("QR code of the address, with the pairing code"));
    c.txtDisplay = readOnlyLine(w, "txtDisplay", QStringLiteral("Address of the read-only display page"));
    c.lblFailed = new QLabel(w);
    c.lblFailed->setObjectName(QStringLiteral("lblFailed"));
    c.lblPhones = new QLabel(w);
    c.lblPhones->setObjectName(QStringLiteral("lblPhones"));
    c.cmdClose = new QPushButton(QStringLiteral("&Close"), w);
    c.cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *form = new QFormLayout;
    form->addRow(c.chkAllow);
    form->addRow(QStringLiteral("&Port:"), c.spnPort);
    form->addRow(QStringLiteral("Address:"), c.txtAddress);
    form->addRow(QStringLiteral("PIN:"), c.lblPin);
    form->addRow(c.picQr);
    form->addRow(QStringLiteral("Display page:"), c.txtDisplay);
    form->addRow(c.lblFailed);
    form->addRow(c.lblPhones);
    c.phoneRows = new QVBoxLayout;
    auto *close = new QHBoxLayout;
    close->addStretch();
    close->addWidget(c.cmdClose);
    auto *all = new QVBoxLayout(w);
    all->addLayout(form);
    all->addLayout(c.phoneRows);
    all->addStretch();
    all->addLayout(close);
    w->setCancelButton(c.cmdClose);

    connect(c.chkAllow, &QCheckBox::toggled, this, [this](bool on) {
        if (on != isAllowed())
            setAllowed(on);
    });
    connect(c.spnPort, &QSpinBox::valueChanged, this, &keepPort);
    connect(c.cmdClose, &QPushButton::clicked, w, &QWidget::close);
    return w;
}

void Remote::Form_Load()
{
    m_ui->spnPort->setValue(keptPort());
    showState();
    showPhones();
}

bool Remote::isAllowed() const
{
    return m_server->isOn();
}

bool Remote::setAllowed(bool on)
{
    if (!on) {
        m_server->switchOff();
    } else if (!CallsSession::instance().state().open) {
        Message::show(QStringLiteral("Open the Calls window first: phones follow its calls."));
    } else {
        const quint16 port = keptPort();
        if (!m_server->switchOn(port))
            Message::show(QStringLiteral("Phones cannot be allowed: port %1 cannot be used (%2). "
                                         "Choose another port.")
                              .arg(port)
                              .arg(m_server->errorString()));
    }
    showState();
    showPhones();
    return isAllowed() == on;
}

void Remote::sessionChanged()
{
    // Phones follow the Calls window; with it closed they have nothing to follow.
    if (isAllowed() && !CallsSession::instance().state().open) {
        m_server->switchOff();
        showState();
        showPhones();
    }
}

void Remote::showState()
{
    if (!m_ui)
        return;
    Controls &c = *m_ui;
    const bool on = isAllowed();
    const QSignalBlocker quiet(c.chkAllow);
    c.chkAllow->setChecked(on);
    c.spnPort->setEnabled(!on);
    c.txtAddress->setText(on ? m_server->address().toString() : QString());
    const QString pin = m_server->pin();
    c.lblPin->setText(on ? pin.left(3) + u' ' + pin.mid(3) : QString());
    if (on)
        c.picQr->setPixmap(qrPixmap(m_server->pairingQr(), c.picQr->minimumWidth()));
    else
        c.picQr->setText(QStringLiteral("Tick \"Allow phones\" for the code a phone's camera reads."));
    c.txtDisplay->setText(on ? m_server->displayUrl().toString() : QString());
    c.lblFailed->setText(on ? QStringLiteral("Failed tries: %1").arg(m_server->failedTries())
                            : QStringLiteral("Phones are off."));
}

void Remote::showPhones()
{
    if (!m_ui)
        return;
    Controls &c = *m_ui;
    // Later: the list may change inside a Disconnect button's own click.
    for (QPushButton *b : c.cmdDisconnect) {
        b->parentWidget()->hide();
        b->parentWidget()->deleteLater();
    }
    c.cmdDisconnect.clear();
    const QList<RemotePhone> phones = m_server->phones();
    c.lblPhones->setText(phones.isEmpty() ? QStringLiteral("No phone connected.")
                                          : QStringLiteral("Connected now:"));
    QWidget *previous = c.txtDisplay;
    for (const RemotePhone &phone : phones) {
        auto *row = new QWidget(window());
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        const QString who = QStringLiteral("%1 (%2)").arg(phone.address.toString(),
                                                          phone.display ? QStringLiteral("display")
                                                                        : QStringLiteral("phone"));
        auto *label = new QLabel(who, row);
        auto *button = new QPushButton(QStringLiteral("Disconnect"), row);
        button->setObjectName(QStringLiteral("cmdDisconnect_%1").arg(c.cmdDisconnect.size()));
        button->setAccessibleName(QStringLiteral("Disconnect ") + who);
        line->addWidget(label, 1);
        line->addWidget(button);
        c.phoneRows->addWidget(row);
        connect(button, &QPushButton::clicked, this, [this, id = phone.id] { m_server->disconnectPhone(id); });
        QWidget::setTabOrder(previous, button);
        previous = button;
        c.cmdDisconnect.append(button);
    }
    QWidget::setTabOrder(previous, c.cmdClose);
}
