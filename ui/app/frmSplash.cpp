#include "ui/app/frmSplash.h"

#include "ui/kit/AppIcon.h"
#include "core/app/AppIdentity.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "core/data/Waiting.h"
#include "ui/main/frmMain.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace {
// A label that sizes itself to its text; a right-aligned one keeps its right edge.
void sizeToText(QLabel *label)
{
    const QRect before = label->geometry();
    label->adjustSize();
    if (label->alignment() & Qt::AlignRight)
        label->move(before.right() + 1 - label->width(), before.top());
}
} // namespace

FormWindow *frmSplash::createWindow()
{
    // A tool window stays out of the taskbar and, unlike a splash-type window,
    // still takes the keyboard.
    auto *w = newWindow(QStringLiteral("frmSplash"), AppIdentity::title(), Qt::Tool | Qt::FramelessWindowHint);
    Look::setClientSize(w, 7380, 4245);
    w->setFixedSize(w->size());
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect placed = w->geometry();
        placed.moveCenter(screen->availableGeometry().center());
        w->move(placed.topLeft());
    }
    Controls &c = *m_ui;

    c.Timer1 = new QTimer(w);
    c.Timer1->setObjectName(QStringLiteral("Timer1"));
    c.Timer1->setInterval(TickMs);
    // A coarse timer may fire up to 5 % early: the sixth tick would come before 3 s.
    c.Timer1->setTimerType(Qt::PreciseTimer);

    c.Frame1 = new QFrame(w);
    c.Frame1->setObjectName(QStringLiteral("Frame1"));
    c.Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Look::place(c.Frame1, 120, 60, 7080, 4050);

    auto label = [&c](const char *name, const QString &text, const QFont &font, int l, int t, int wd, int h) {
        auto *lbl = new QLabel(text, c.Frame1);
        lbl->setObjectName(QString::fromLatin1(name));
        lbl->setFont(font);
        Look::place(lbl, l, t, wd, h);
        return lbl;
    };
    c.imgLogo = label("imgLogo", QString(), QFont(), 360, 795, 1815, 2385);
    c.imgLogo->setPixmap(appIcon());
    c.imgLogo->setScaledContents(true);
    c.lblLicenseTo = label("lblLicenseTo", QStringLiteral("Free for every caller to use, copy and share"),
                           Look::arial(8.25), 120, 240, 6855, 255);
    c.lblLicenseTo->setAlignment(Qt::AlignRight | Qt::AlignTop);
    c.lblProductName = label("lblProductName", QString(), Look::arial(32.25, true), 2520, 1140, 1575, 765);
    c.lblVersion = label("lblVersion", QString(), Look::arial(12, true), 5580, 2700, 1275, 285);
    c.lblVersion->setAlignment(Qt::AlignRight | Qt::AlignTop);
    c.lblCopyright = label("lblCopyright", QStringLiteral("Copyright (C) the Vorlet authors"),
                           Look::arial(8.25), 4560, 3060, 2415, 255);
    c.lblCompany = label("lblCompany", QStringLiteral("Written by the Vorlet authors"), Look::arial(8.25),
                         4560, 3270, 2415, 255);

    // Key preview: the window sees every key first. Clicks on the frame's own
    // surface are told apart from clicks on the labels and the logo on it.
    w->installEventFilter(this);
    c.Frame1->installEventFilter(this);
    connect(c.Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    return w;
}

void frmSplash::Form_Load()
{
    Controls &c = *m_ui;
    c.lblVersion->setText(AppIdentity::versionText());
    sizeToText(c.lblVersion);
    c.lblProductName->setText(AppIdentity::title());
    sizeToText(c.lblProductName);
    c.Timer1->start();
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_ui)
        return false;
    if (watched == m_ui->Frame1->window() && event->type() == QEvent::KeyPress) {
        // Only keys that give a character count; the key is not consumed.
        if (!static_cast<QKeyEvent *>(event)->text().isEmpty())
            Form_KeyPress();
        return false;
    }
    if (watched == m_ui->Frame1 && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint at = mouse->position().toPoint();
        // A click a label or the logo ignores reaches the frame too: not the frame's own.
        if (mouse->button() == Qt::LeftButton && m_ui->Frame1->rect().contains(at)
            && !m_ui->Frame1->childAt(at))
            Frame1_Click();
    }
    return false;
}

void frmSplash::Form_KeyPress()
{
    handOver();
}

void frmSplash::Frame1_Click()
{
    handOver();
}

void frmSplash::handOver()
{
    // The main window first, so that one of the two is always visible.
    frmMain::instance().show();
    hide();
}

void frmSplash::Timer1_Timer()
{
    // Ticks go on while a message is open; the sixth hands over at its time.
    if (SplashTicks < 6 && ++SplashTicks == 6) {
        frmMain::instance().show();
        hide();
    }
    // A message from the main window's load may be on show, opened by a hand-over
    // that is still running inside this window's key handler, or a wait on the
    // database: the window is unloaded by the first tick after it is over.
    if (SplashTicks == 6 && !Message::isShowing() && !Waiting::isWaiting())
        unload();
}
