#include "ui/calls/Floor.h"

#include "core/app/Settings.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "core/calls/CallsSession.h"
#include "ui/calls/ClickerKeys.h"

#include <QBoxLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {
// Light on black: readable under stage lights and from the back of the hall.
const QColor Ground(0, 0, 0);
const QColor ListCallInk(255, 255, 255);
const QColor NLCallInk(255, 225, 77);
const QColor PreviousInk(200, 200, 200);
const QColor HintInk(170, 170, 170);

void paint(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette p = widget->palette();
    p.setColor(role, colour);
    widget->setPalette(p);
}

const char *const Caption = "caption";
const QString ScreenKey = QStringLiteral("Floor/Screen");
const QString FullScreenKey = QStringLiteral("Floor/FullScreen");
const int HintPoints = 12;

// What a screen reader says: what the label is, and the call it shows.
void name(QWidget *label, const QString &text)
{
    const QString caption = label->property(Caption).toString();
    label->setAccessibleName(text.isEmpty() ? caption : caption + QStringLiteral(": ") + text);
}

FitLabel *callLabel(QWidget *parent, const char *objectName, const QString &caption, const QColor &colour)
{
    auto *label = new FitLabel(QString(), parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setProperty(Caption, caption);
    name(label, QString());
    label->setFont(Look::sansSerif(24, true));
    // From a small window to a wall projection: as large as the space allows.
    label->setScaleRange(0.4, 40);
    label->setAlignment(Qt::AlignCenter);
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    policy.setRetainSizeWhenHidden(true);
    label->setSizePolicy(policy);
    paint(label, QPalette::WindowText, colour);
    return label;
}

// A call of the session as the floor shows it.
void showCall(FitLabel *label, const QString &text, bool shown)
{
    label->setText(text);
    label->setVisible(shown);
    name(label, text);
}
} // namespace

FormWindow *Floor::createWindow()
{
    auto *w = newWindow(QStringLiteral("Floor"), QStringLiteral("Floor"));
    w->setAutoFillBackground(true);
    paint(w, QPalette::Window, Ground);
    Controls &c = *m_ui;

    c.lblCall = callLabel(w, "lblCall", QStringLiteral("List call"), ListCallInk);
    c.lblNLCall1 = callLabel(w, "lblNLCall1", QStringLiteral("NL call"), NLCallInk);
    c.lblNLCall2 = callLabel(w, "lblNLCall2", QStringLiteral("Previous NL call"), PreviousInk);
    c.lblList = new QLabel(w);
    c.lblList->setObjectName(QStringLiteral("lblList"));
    c.lblList->setProperty(Caption, QStringLiteral("List"));
    name(c.lblList, QString());
    c.lblList->setAlignment(Qt::AlignCenter);
    c.lblList->hide();
    c.lblCallsLeft = new QLabel(w);
    c.lblCallsLeft->setObjectName(QStringLiteral("lblCallsLeft"));
    c.lblCallsLeft->setProperty(Caption, QStringLiteral("Calls left"));
    name(c.lblCallsLeft, QString());
    c.lblCallsLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c.lblKeys = new QLabel(QStringLiteral("F  Find     U  Use     N  Next NL call     R  Reset     B  Pause     "
                                          "F11  Full screen     Esc  Leave"),
                           w);
    c.lblKeys->setObjectName(QStringLiteral("lblKeys"));
    c.lblKeys->setAccessibleName(QStringLiteral("Keys"));
    c.lblPaused = new QLabel(QStringLiteral("Paused"), w);
    c.lblPaused->setObjectName(QStringLiteral("lblPaused"));
    c.lblPaused->setAccessibleName(QStringLiteral("Paused"));
    c.lblPaused->hide();
    c.lblUndo = new QLabel(w);
    c.lblUndo->setObjectName(QStringLiteral("lblUndo"));
    c.lblUndo->setAccessibleName(QStringLiteral("Undo reset"));
    c.lblUndo->setTextFormat(Qt::RichText);
    c.lblUndo->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    c.lblUndo->setFocusPolicy(Qt::TabFocus);
    c.lblUndo->hide();
    // The Calls window carries it out, as it does Ctrl+Z.
    connect(c.lblUndo, &QLabel::linkActivated, this, [] { CallsSession::instance().command(CallsSession::Command::Undo); });
    for (QLabel *small : {c.lblList, c.lblCallsLeft, c.lblKeys, c.lblPaused, c.lblUndo}) {
        small->setFont(Look::sansSerif(HintPoints, true));
        paint(small, QPalette::WindowText, HintInk);
    }
    auto *rule = new QFrame(w);
    rule->setAccessibleName(QStringLiteral("Separator"));
    rule->setFrameShape(QFrame::HLine);
    rule->setFixedHeight(2);
    rule->setAutoFillBackground(true);
    paint(rule, QPalette::Window, HintInk);

    // The list call takes the larger share; the two NL calls share the rest.
    auto *column = new QVBoxLayout(w);
    column->setContentsMargins(16, 8, 16, 8);
    column->addWidget(c.lblCall, 6);
    column->addWidget(c.lblList);
    column->addWidget(rule);
    column->addWidget(c.lblNLCall1, 3);
    column->addWidget(c.lblNLCall2, 2);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(c.lblKeys, 1);
    bottom->addWidget(c.lblUndo);
    bottom->addWidget(c.lblPaused);
    bottom->addWidget(c.lblCallsLeft);
    column->addLayout(bottom);

    // Where it was last, full screen if it was.
    const auto settings = Settings::open();
    if (QScreen *screen = screenFor(settings ? settings->value(ScreenKey).toString() : QString())) {
        const QRect room = screen->availableGeometry();
        w->resize(room.width() * 2 / 3, room.height() * 2 / 3);
        if (screen != QGuiApplication::primaryScreen()) {
            w->setScreen(screen);
            w->move(room.topLeft() + QPoint(room.width() / 6, room.height() / 6));
        }
    }
    if (settings && settings->value(FullScreenKey, false).toBool())
        w->setWindowState(Qt::WindowFullScreen);
    w->installEventFilter(this);
    return w;
}

void Floor::Form_Load()
{
    CallsSession &session = CallsSession::instance();
    if (session.state().open) {
        // Follows the Calls window as it draws, by hand or paced, and goes with it.
        connect(&session, &CallsSession::changed, m_ui->lblCall, [this] {
            if (CallsSession::instance().state().open)
                followSoon();
            else
                unload();
        });
    }
    follow();
}

QScreen *Floor::screenFor(const QString &remembered)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    const auto found = std::find_if(screens.begin(), screens.end(),
                                    [&](const QScreen *s) { return !remembered.isEmpty() && s->name() == remembered; });
    return found != screens.end() ? *found : QGuiApplication::primaryScreen();
}

void Floor::remember()
{
    const QWidget *w = m_ui->lblCall->window();
    const auto settings = Settings::open();
    if (!settings || !w->screen())
        return;
    settings->setValue(ScreenKey, w->screen()->name());
    settings->setValue(FullScreenKey, w->isFullScreen());
}

// The hints grow with the window, read from as far as the calls are.
void Floor::scaleHints()
{
    const Controls &c = *m_ui;
    const QWidget *w = c.lblCall->window();
    const QFont base = Look::sansSerif(HintPoints, true);
    const qreal basePixels = base.pixelSize() > 0 ? base.pixelSize() : base.pointSizeF() * w->logicalDpiY() / 72.0;
    // 12 points at 800 pixels high, in proportion above that; never below 12 points.
    const int pixels = qMax(qRound(basePixels), qRound(basePixels * w->height() / 800.0));
    for (QLabel *small : {c.lblList, c.lblCallsLeft, c.lblKeys, c.lblPaused, c.lblUndo}) {
        if (small->font().pixelSize() == pixels)
            continue;
        QFont f = base;
        f.setPixelSize(pixels);
        small->setFont(f);
    }
}

void Floor::followSoon()
{
    // After the handler that drew has finished: the count is set after the call.
    if (std::exchange(m_followPending, true))
        return;
    // Qt owns the slot object this allocates; the analyzer loses track of that
    // and reports a leak, so the call is kept out of its sight (lint only).
#ifndef __clang_analyzer__
    QMetaObject::invokeMethod(this, &Floor::follow, Qt::QueuedConnection);
#endif
}

void Floor::follow()
{
    m_followPending = false;
    if (!m_ui)
        return;
    Controls &f = *m_ui;
    const CallsSession::State &state = CallsSession::instance().state();
    if (!state.open) {
        for (FitLabel *label : {f.lblCall, f.lblNLCall1, f.lblNLCall2})
            label->hide();
        f.lblList->hide();
        f.lblCallsLeft->clear();
        f.lblPaused->hide();
        f.lblUndo->hide();
        return;
    }
    showCall(f.lblCall, state.listCall, state.listCallShown);
    if (f.lblList->text() != state.listName) {
        f.lblList->setText(state.listName);
        name(f.lblList, state.listName);
    }
    f.lblList->setVisible(state.listCallShown && !state.listName.isEmpty());
    showCall(f.lblNLCall1, state.nlCall1, state.nlCall1Shown);
    // The previous NL call is never larger than the current one.
    f.lblNLCall2->setScaleRange(0.4, qMin<qreal>(40, f.lblNLCall1->fit().font.pixelSize()
                                                         / f.lblNLCall1->basePixelSize()));
    showCall(f.lblNLCall2, state.nlCall2, state.nlCall2Shown);
    const QString &left = state.callsLeft;
    f.lblCallsLeft->setText(left.isEmpty() ? QString() : QStringLiteral("%1 left").arg(left));
    name(f.lblCallsLeft, left);
    f.lblPaused->setVisible(state.paused);
    // The link is ours; the words are the Calls window's.
    const QString undo = state.undo.toHtmlEscaped();
    const qsizetype link = undo.lastIndexOf(QLatin1Char(' '));
    f.lblUndo->setText(link < 0 ? undo : undo.left(link + 1) + QStringLiteral("<a href=\"undo\" style=\"color:#aaaaaa\">%1</a>").arg(undo.mid(link + 1)));
    f.lblUndo->setVisible(!state.undo.isEmpty());
}

void Floor::toggleFullScreen()
{
    QWidget *w = window();
    if (w->isFullScreen())
        w->showNormal();
    else
        w->showFullScreen();
}

bool Floor::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_ui || watched != m_ui->lblCall->window())
        return false;
    if (event->type() == QEvent::Resize) {
        scaleHints();
        followSoon();
    }
    if (event->type() == QEvent::Hide || event->type() == QEvent::WindowStateChange)
        remember();
    if (event->type() == QEvent::MouseButtonDblClick) {
        toggleFullScreen();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // A key held down is one press: a call is never used by a repeat.
        if (key->isAutoRepeat())
            return true;
        if (key->matches(QKeySequence::Undo)) {
            if (CallsSession::instance().state().open)
                CallsSession::instance().command(CallsSession::Command::Undo);
            return true;
        }
        if (const auto command = ClickerKeys::command(*key, true)) {
            if (CallsSession::instance().state().open)
                CallsSession::instance().command(*command);
            return true;
        }
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (mods == Qt::NoModifier) {
            Form_KeyDown(key->key());
            return true;
        }
    }
    return false;
}

void Floor::Form_KeyDown(int key)
{
    switch (key) {
    case Qt::Key_F11:
        toggleFullScreen();
        return;
    case Qt::Key_Escape:
        if (window()->isFullScreen())
            window()->showNormal();
        else
            unload();
        return;
    default:
        break;
    }
    // The keys command the calls session: the Calls window does all it does, as before.
    CallsSession &session = CallsSession::instance();
    if (!session.state().open)
        return;
    using Command = CallsSession::Command;
    switch (key) {
    case Qt::Key_F:
        session.command(Command::Find);
        break;
    case Qt::Key_U:
        session.command(Command::Use);
        break;
    case Qt::Key_N:
        session.command(Command::NextNL);
        break;
    case Qt::Key_R:
        if (Message::ask(QStringLiteral("Reset the used marks of every call of every list?\n\n"
                                        "Every call can then be drawn again."),
                         window()))
            session.command(Command::Reset);
        break;
    default:
        break;
    }
}
