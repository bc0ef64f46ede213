#include "ui/app/frmAbout.h"

#include "ui/kit/AppIcon.h"
#include "ui/kit/FocusRing.h"
#include "core/app/AppIdentity.h"
#include "core/app/Launcher.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "core/app/Registry.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <stdexcept>

const QString frmAbout::Unavailable = QStringLiteral("System Information Is Unavailable At This Time");

namespace {
const QString ToolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString ToolValue = QStringLiteral("PATH");
const QString FolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString FolderValue = QStringLiteral("MSINFO");
const QString ToolFile = QStringLiteral("\\MSINFO32.EXE");

QFrame *line(QWidget *parent, const char *name, const QColor &colour, int left, int top, int right, int pixels)
{
    auto *l = new QFrame(parent);
    l->setAccessibleName(QStringLiteral("Separator"));
    l->setObjectName(QString::fromLatin1(name));
    QPalette p = l->palette();
    p.setColor(QPalette::Window, colour);
    l->setPalette(p);
    l->setAutoFillBackground(true);
    l->setGeometry(Look::twips(left), Look::twips(top), Look::twips(right) - Look::twips(left) + 1, pixels);
    return l;
}
} // namespace

void frmAbout::setPlatform(Registry *registry, Launcher *launcher)
{
    m_registry = registry;
    m_launcher = launcher;
}

Registry &frmAbout::registry() const
{
    return m_registry ? *m_registry : Registry::system();
}

Launcher &frmAbout::launcher() const
{
    return m_launcher ? *m_launcher : Launcher::system();
}

FormWindow *frmAbout::createWindow()
{
    // A tool window stays out of the taskbar; no minimise or maximise button.
    auto *w = newWindow(QStringLiteral("frmAbout"), QString(),
                        Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    Look::place(w, 2340, 1935, 5730, 3555);
    w->setFixedSize(w->size());
    Controls &c = *m_ui;

    auto label = [w](const char *name, const QString &text, int l, int t, int wd, int h) {
        auto *lbl = new QLabel(text, w);
        lbl->setObjectName(QString::fromLatin1(name));
        lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        lbl->setWordWrap(true);
        Look::place(lbl, l, t, wd, h);
        return lbl;
    };
    auto black = [](QLabel *lbl) {
        QPalette p = lbl->palette();
        p.setColor(QPalette::WindowText, Qt::black);
        lbl->setPalette(p);
    };

    c.picIcon = label("picIcon", QString(), 240, 240, 540, 540);
    // The icon fills its 540-twip box, whatever the size of the image.
    c.picIcon->setPixmap(appIcon());
    c.picIcon->setScaledContents(true);
    c.picIcon->setAccessibleName(AppIdentity::title());
    c.picIcon->setFocusPolicy(Qt::TabFocus);
    FocusRing::add(c.picIcon);
    c.lblTitle = label("lblTitle", QString(), 1050, 240, 3885, 480);
    black(c.lblTitle);
    c.lblVersion = label("lblVersion", QString(), 1050, 780, 3885, 225);
    c.lblDescription = label("lblDescription",
                             QStringLiteral("Draws calls at random from the call lists of the levels in play, "
                                            "and keeps track of the dancers' home positions and corners."),
                             1050, 1125, 3885, 1170);
    black(c.lblDescription);
    // An etched separator: a white line under a grey one.
    c.Line1_0 = line(w, "Line1_0", QColor(0xFF, 0xFF, 0xFF), 105, 2460, 5654, 2);
    c.Line1_1 = line(w, "Line1_1", QColor(0x80, 0x80, 0x80), 90, 2445, 5654, 1);
    c.lblDisclaimer = label("lblDisclaimer",
                            QStringLiteral("Copyright (C) the Vorlet authors. Vorlet comes with no warranty; "
                                           "you may use, copy and share it freely."),
                            255, 2625, 3870, 825);
    black(c.lblDisclaimer);

    c.cmdOK = new QPushButton(QStringLiteral("OK"), w);
    c.cmdOK->setObjectName(QStringLiteral("cmdOK"));
    Look::place(c.cmdOK, 4245, 2625, 1260, 345);
    c.cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), w);
    c.cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    Look::place(c.cmdSysInfo, 4260, 3075, 1245, 345);

    w->setDefaultButton(c.cmdOK);
    w->setCancelButton(c.cmdOK);
    Look::tabOrder({c.cmdOK, c.picIcon, c.cmdSysInfo});

    connect(c.cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(c.cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    return w;
}

void frmAbout::Form_Load()
{
    Controls &c = *m_ui;
    c.cmdOK->window()->setWindowTitle(QStringLiteral("About ") + AppIdentity::title());
    c.lblVersion->setText(AppIdentity::versionText());
    c.lblTitle->setText(AppIdentity::title());
    c.cmdOK->setFocus();
}

void frmAbout::cmdOK_Click()
{
    unload();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    try {
        QString SysInfoPath;
        // The tool's own path is started as read, untested.
        if (GetKeyValue(Registry::LocalMachine, ToolKey, ToolValue, SysInfoPath)) {
            if (launcher().start(SysInfoPath))
                return;
        } else if (GetKeyValue(Registry::LocalMachine, FolderKey, FolderValue, SysInfoPath)) {
            const QString tool = SysInfoPath + ToolFile;
            if (launcher().fileExists(tool) && launcher().start(tool))
                return;
        }
    } catch (const std::exception &) {
        // Every failure on the way ends in the one message below.
    }
    Message::show(Unavailable, m_ui ? m_ui->cmdOK->window() : nullptr);
}

bool frmAbout::GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    Registry &reg = registry();
    Registry::Key hKey = 0;
    if (reg.openKey(KeyRoot, KeyName.toLocal8Bit(), KeyAccess, &hKey) != Registry::Success) {
        KeyVal.clear();
        reg.closeKey(hKey); // an empty handle: its failure does not matter
        return false;
    }

    QByteArray buffer(ValueBufferSize, '\0');
    quint32 size = ValueBufferSize;
    quint32 type = 0;
    if (reg.queryValue(hKey, SubKeyRef.toLocal8Bit(), &type, buffer.data(), &size) != Registry::Success) {
        KeyVal.clear();
        reg.closeKey(hKey);
        return false;
    }

    const int n = int(qMin<quint32>(size, ValueBufferSize));
    if (n == 0) {
        reg.closeKey(hKey);
        throw std::runtime_error("the registry value holds no bytes");
    }
    // A terminating NUL is dropped; a value stored without one is taken whole.
    const QByteArray kept = buffer.left(buffer.at(n - 1) == '\0' ? n - 1 : n);

    switch (type) {
    case Registry::TypeString:
        KeyVal = QString::fromLocal8Bit(kept);
        break;
    case Registry::TypeNumber: {
        // Little-endian bytes; a dropped NUL was a zero high byte.
        quint32 number = 0;
        for (int i = qMin<int>(int(kept.size()), 4) - 1; i >= 0; --i)
            number = (number << 8) | quint8(kept.at(i));
        KeyVal = QString::number(number);
        break;
    }
    default:
        break; // other types leave the caller's text as it was
    }
    reg.closeKey(hKey);
    return true;
}
