#include "ui/calls/CallForm.h"
#include "ui/calls/Floor.h"
#include "ui/remote/Remote.h"

#include "ui/kit/FitLabel.h"
#include "ui/kit/FocusRing.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "ui/kit/Modal.h"
#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/data/dataCall.h"
#include "core/history/History.h"
#include "ui/history/Progress.h"
#include "ui/main/frmMain.h"
#include "ui/calls/ClickerKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QScopeGuard>
#include <QTimer>
#include <limits>

namespace {
// Steady time less the time a modal window (a message, a question, a file
// dialog, the wait for the file) held the caller: ticks pile up nothing meanwhile.
class PacingSource : public TimeSource
{
public:
    qint64 nowMs() const override { return TimeSource::steady().nowMs() - Modal::heldMs(); }
};

// Paced work holds back while the caller is held.
bool holding()
{
    return Message::isShowing() || Waiting::isWaiting() || Modal::isHeld();
}

const TimeSource &pacingClock(const TimeSource *chosen)
{
    static const PacingSource pacing;
    if (chosen)
        return *chosen;
    return pacing;
}

constexpr qint64 Never = Pacer::Never;

constexpr int CallsLeftLeft = 6600;
constexpr int CallsLeftWidth = 525;
const QString AllUsed = QStringLiteral("All calls have been used.  Please reset.");
const QString UndoLine = QStringLiteral("All used marks cleared.");
constexpr qint64 UndoMs = 60'000;

} // namespace

FormWindow *CallForm::createWindow()
{
    auto *w = newWindow(QStringLiteral("CallForm"), QStringLiteral("Calls"));
    Look::setClientSize(w, 7410, 6150);
    Controls &c = *m_ui;

    auto scrollBar = [w](const char *name, int value, int l, int t, int wd, int h) {
        auto *s = new QScrollBar(Qt::Horizontal, w);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(0, 10);
        s->setSingleStep(1);
        s->setPageStep(1);
        s->setValue(value);
        s->setFocusPolicy(Qt::StrongFocus);
        // A scroll bar's own look shows no focus.
        FocusRing::add(s);
        Look::place(s, l, t, wd, h);
        return s;
    };

    c.lblCallsLeft = Look::make<QLabel>(w, "lblCallsLeft", QString(), CallsLeftLeft, 0, CallsLeftWidth, 435);
    c.lblCallsLeft->setFont(Look::sansSerif(13.5, true));
    c.lblCallsLeft->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.lblCall = Look::make<FitLabel>(w, "lblCall", QString(), 120, 480, 7095, 1095);
    c.lblCall->setFont(Look::sansSerif(24));
    c.lblCall->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Lies under "&Use" and outside the window's left edge: a static leftover.
    c.lblFieldLabel_5 = Look::make<QLabel>(w, "lblFieldLabel_5", "Priority:", -360, 2065, 1815, 255);
    c.lblFieldLabel_5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c.cmdUse = Look::make<QPushButton>(w, "cmdUse", "&Use", 120, 1920, 1455, 615);
    c.cmdStart = Look::make<QPushButton>(w, "cmdStart", "&Find", 1680, 1920, 1215, 615);
    c.cmdReset = Look::make<QPushButton>(w, "cmdReset", "&Reset Calls", 5880, 1920, 1335, 615);
    c.lblCallDelay = Look::make<QLabel>(w, "lblCallDelay", QString(), 3960, 2040, 495, 375);
    c.lblCallDelay->setFont(Look::sansSerif(13.5));
    c.lblCallDelay->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    c.lblDelay1 = Look::make<QLabel>(w, "lblDelay1", QStringLiteral("Delay"), 3000, 2160, 735, 255);
    c.lblDelay1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    c.hscrCall = scrollBar("hscrCall", 0, 4560, 2160, 1215, 255);
    c.hscrCall->setAccessibleName(QStringLiteral("List call delay"));
    c.chkSync = Look::make<QCheckBox>(w, "chkSync", "Sync Delay", 2520, 2760, 1335, 255);
    c.lblNLCall1 = Look::make<FitLabel>(w, "lblNLCall1", QString(), 120, 3480, 7095, 1095);
    c.lblNLCall1->setFont(Look::sansSerif(24));
    c.lblNLCall1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.lblNLCall1->hide();
    c.lblNLCall2 = Look::make<FitLabel>(w, "lblNLCall2", QString(), 120, 4680, 7215, 1095);
    c.lblNLCall2->setFont(Look::sansSerif(24));
    c.lblNLCall2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.lblNLCall2->hide();
    c.cmdGetNOL = Look::make<QPushButton>(w, "cmdGetNOL", "Get Next", 1800, 5760, 1215, 315);
    c.cmdGetNOL->hide();
    c.lblDelay2 = Look::make<QLabel>(w, "lblDelay2", QStringLiteral("Delay"), 3240, 5760, 615, 255);
    c.lblDelay2->setAlignment(Qt::AlignRight | Qt::AlignTop);
    c.lblDelay = Look::make<QLabel>(w, "lblDelay", QString(), 4080, 5760, 375, 375);
    c.lblDelay->setFont(Look::sansSerif(13.5));
    c.lblDelay->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    c.hscrDelay = scrollBar("hscrDelay", 5, 4680, 5760, 1095, 255);
    c.hscrDelay->setAccessibleName(QStringLiteral("NL call delay"));
    c.lblFieldLabel_5->lower();
    c.lblStatus = Look::make<QLabel>(w, "lblStatus", QString(), 120, 60, 6360, 375);
    c.lblStatus->setAccessibleName(QStringLiteral("Status"));
    c.lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.lblStatus->hide();
    // In the free space right of "Get Next", after every other control in tab order.
    c.cmdProgress = Look::make<QPushButton>(w, "cmdProgress", "&Progress", 5880, 5760, 1335, 315);
    c.cmdProgress->setAccessibleName(QStringLiteral("Progress"));

    c.Timer1 = new QTimer(w);
    c.Timer1->setObjectName(QStringLiteral("Timer1"));
    c.Timer1->setTimerType(Qt::PreciseTimer);

    w->setDefaultButton(c.cmdUse);
    // Opens the calls large for the floor; in free space, last in the tab order.
    c.cmdFloor = Look::make<QPushButton>(w, "cmdFloor", "F&loor", 5880, 2760, 1335, 495);
    // Free space left of "Sync Delay": seen from across the floor while paced draws stand still.
    c.lblPaused = Look::make<QLabel>(w, "lblPaused", QStringLiteral("Paused"), 120, 2760, 2280, 495);
    c.lblPaused->setFont(Look::sansSerif(13.5, true));
    c.lblPaused->setAccessibleName(QStringLiteral("Paused"));
    c.lblPaused->hide();
    // The phone remote's window; in free space between "Sync Delay" and "F&loor", last in tab order.
    c.cmdRemote = Look::make<QPushButton>(w, "cmdRemote", "Re&mote", 4320, 2760, 1335, 495);
    c.cmdRemote->setAccessibleName(QStringLiteral("Remote"));
    // Free space between the list call and the buttons; "Undo" follows "&Reset Calls" in the tab order.
    c.lblUndo = Look::make<QLabel>(w, "lblUndo", UndoLine, 120, 1590, 2160, 315);
    c.lblUndo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    c.lblUndo->hide();
    c.cmdUndo = Look::make<QPushButton>(w, "cmdUndo", "Undo", 2280, 1590, 735, 315);
    c.cmdUndo->setFlat(true);
    c.cmdUndo->setAutoDefault(false);
    c.cmdUndo->setAccessibleName(QStringLiteral("Undo reset"));
    c.cmdUndo->hide();
    c.tmrUndo = new QTimer(w);
    c.tmrUndo->setObjectName(QStringLiteral("tmrUndo"));
    c.tmrUndo->setSingleShot(true);
    Look::tabOrder({c.cmdUse, c.cmdStart, c.cmdReset, c.cmdUndo, c.hscrDelay, c.hscrCall, c.cmdGetNOL, c.chkSync,
                    c.cmdFloor, c.cmdProgress, c.cmdRemote});
    // Clicker keys a control leaves alone reach the window.
    w->installEventFilter(this);

    connect(c.cmdStart, &QPushButton::clicked, this, &CallForm::cmdStart_Click);
    connect(c.cmdUse, &QPushButton::clicked, this, &CallForm::cmdUse_Click);
    connect(c.cmdReset, &QPushButton::clicked, this, &CallForm::cmdReset_Click);
    connect(c.cmdGetNOL, &QPushButton::clicked, this, &CallForm::cmdGetNOL_Click);
    connect(c.cmdFloor, &QPushButton::clicked, this, &CallForm::cmdFloor_Click);
    connect(c.cmdProgress, &QPushButton::clicked, this, &CallForm::cmdProgress_Click);
    connect(c.cmdRemote, &QPushButton::clicked, this, &CallForm::cmdRemote_Click);
    connect(c.hscrCall, &QScrollBar::valueChanged, this, &CallForm::hscrCall_Change);
    connect(c.hscrDelay, &QScrollBar::valueChanged, this, &CallForm::hscrDelay_Change);
    // The ticks due before the box changed still go by its old state.
    connect(c.chkSync, &QCheckBox::toggled, this, [this](bool checked) {
        catchUp();
        m_pacer.sync = checked;
        tickSoon();
        publish();
    });
    connect(c.Timer1, &QTimer::timeout, this, &CallForm::Timer1_Due);
    connect(c.cmdUndo, &QPushButton::clicked, this, &CallForm::undoReset);
    connect(c.tmrUndo, &QTimer::timeout, this, &CallForm::undoTimer_Timer);
    return w;
}

void CallForm::Form_Load()
{
    m_generator.seed(quint32(QDateTime::currentMSecsSinceEpoch()));
    // "&Use" and Enter act only on a call drawn in this showing of the window.
    m_haveListCall = false;
    ActivateLists();
    Controls &c = *m_ui;
    c.lblCall->hide();
    c.lblCallDelay->setText(QString::number(c.hscrCall->value()));
    c.lblDelay->setText(QString::number(c.hscrDelay->value()));
    c.cmdUse->setFocus();
    m_pacer.callDelay = c.hscrCall->value();
    m_pacer.nlDelay = c.hscrDelay->value();
    m_pacer.sync = c.chkSync->isChecked();
    m_pausedSince = -1;
    m_pausedMs = 0;
    m_noneLeft = false;
    withdrawUndo();
    m_tickBase = pacingNow();
    c.Timer1->start(TickMs);
    // Other faces command the window through the session while it is loaded.
    CallsSession::instance().setHandler([this](CallsSession::Command command) { carryOut(command); });
    publish();
}

void CallForm::Form_Unload()
{
    CallsSession::instance().setHandler({});
    CallsSession::instance().publish({});
    FormWith<CallFormControls>::Form_Unload();
}

void CallForm::carryOut(CallsSession::Command command)
{
    if (!m_ui)
        return;
    switch (command) {
    case CallsSession::Command::Find:
        cmdStart_Click();
        break;
    case CallsSession::Command::Use:
        cmdUse_Click();
        break;
    case CallsSession::Command::NextNL:
        cmdGetNOL_Click();
        break;
    case CallsSession::Command::Reset:
        cmdReset_Click();
        break;
    case CallsSession::Command::Pause:
        togglePause();
        break;
    case CallsSession::Command::Undo:
        undoReset();
        break;
    }
}

bool CallForm::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_ui || watched != m_ui->cmdUse->window() || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->matches(QKeySequence::Undo) && !m_undoIds.isEmpty()) {
        if (!key->isAutoRepeat())
            undoReset();
        return true;
    }
    const auto command = ClickerKeys::command(*key, false);
    if (!command)
        return false;
    // A held key is one press.
    if (!key->isAutoRepeat())
        CallsSession::instance().command(*command);
    return true;
}

void CallForm::togglePause()
{
    if (!m_ui)
        return;
    if (isPaused()) {
        m_pausedMs += pacingClock(m_clock).nowMs() - m_pausedSince;
        m_pausedSince = -1;
    } else {
        // The ticks due until now still count.
        catchUp();
        m_pausedSince = pacingClock(m_clock).nowMs();
    }
    m_ui->lblPaused->setVisible(isPaused());
    tickSoon();
    publish();
}

qint64 CallForm::pacingNow() const
{
    const qint64 now = isPaused() ? m_pausedSince : pacingClock(m_clock).nowMs();
    return now - m_pausedMs;
}

void CallForm::publish()
{
    if (!m_ui)
        return;
    const Controls &c = *m_ui;
    CallsSession::State state;
    state.open = true;
    state.listCall = c.lblCall->text();
    state.listCallShown = !c.lblCall->isHidden();
    state.listCallId = m_haveListCall ? m_listCallId : QVariant();
    state.listName = m_haveListCall ? m_listCallList : QString();
    state.nlCall1 = c.lblNLCall1->text();
    state.nlCall1Shown = !c.lblNLCall1->isHidden();
    state.nlCall2 = c.lblNLCall2->text();
    state.nlCall2Shown = !c.lblNLCall2->isHidden();
    // The label keeps the count of the last call drawn; the faces that follow say none is left.
    state.callsLeft = m_noneLeft ? QStringLiteral("0") : c.lblCallsLeft->text();
    state.status = c.lblStatus->isHidden() ? QString() : c.lblStatus->text();
    state.undo = c.lblUndo->isHidden() ? QString() : UndoLine + QStringLiteral(" Undo");
    state.callDelay = m_pacer.callDelay;
    state.nlDelay = m_pacer.nlDelayInForce();
    state.sync = m_pacer.sync;
    state.paused = isPaused();
    CallsSession::instance().publish(state);
}

void CallForm::ActivateLists()
{
    // Reads the level boxes first: this may load the main window, hidden.
    QStringList tags;
    for (const QCheckBox *box : frmMain::instance().ui().levels()) {
        if (box->isChecked())
            tags.append(frmMain::instance().activationList(box->property("Tag").toString()));
    }
    try {
        dataCall &data = dataCall::instance();
        data.run(Patience::Command, [&] { data.activateLists(tags); });
    } catch (const DataError &e) {
        if (e.isCancelled())
            return;
        tell(QStringLiteral("The lists of the ticked levels could not be made active; the NL calls "
                            "come from the lists active before.\n\n")
             + e.message());
    }
}

void CallForm::tell(const QString &text)
{
    Message::show(text, m_ui ? m_ui->cmdUse->window() : nullptr);
}

void CallForm::drawSkipped()
{
    if (!m_ui)
        return;
    m_ui->lblStatus->setText(QStringLiteral("%1 is locked by another program: paced draws are skipped until it "
                                            "is free.")
                                 .arg(CallDatabase::FileName));
    m_ui->lblStatus->show();
    publish();
}

void CallForm::drawDone()
{
    if (m_ui && !m_ui->lblStatus->isHidden()) {
        m_ui->lblStatus->hide();
        m_ui->lblStatus->clear();
        publish();
    }
}

int CallForm::draw(int rows)
{
    return std::uniform_int_distribution<int>(0, rows - 1)(m_generator);
}

void CallForm::FindCall(Patience patience)
{
    Controls &c = ui();
    c.lblCall->show();

    dataCall &data = dataCall::instance();
    Recordset &rs = data.rssqlCallNames();
    const frmMain::Controls &main = frmMain::instance().ui();
    const QString pattern = main.chkAdv->isChecked() ? QStringLiteral("A%") : main.box_List->currentText();
    bool ran = false; // the command ran: what fails later is a draw that found nothing usable
    int rows = 0;
    QVariant name;
    QVariant id;
    QString list;
    try {
        // The row is read inside the attempt too: it is fetched from the file.
        data.run(patience, [&] {
            ran = false;
            if (rs.isOpen())
                rs.close();
            data.sqlCallNames(pattern);
            ran = true;
            rows = rs.recordCount();
            if (rows == 0)
                return;
            rs.moveFirst();
            rs.move(draw(rows));
            name = rs.field(QStringLiteral("Call_Name"));
            id = rs.field(QStringLiteral("Call_ID"));
            list = data.listOfCall(id);
        });
    } catch (const DataError &e) {
        // A skipped tick keeps the call on show usable.
        if (e.isBusy() && patience == Patience::Tick)
            return drawSkipped();
        m_haveListCall = false;
        publish();
        if (e.isCancelled())
            return;
        tell(ran ? AllUsed : QStringLiteral("The calls of the list could not be read.\n\n") + e.message());
        return;
    }
    drawDone();
    m_haveListCall = false;
    // cppcheck-suppress knownConditionTrueFalse ; rows is set inside the attempt above
    if (rows == 0 || name.isNull()) {
        m_noneLeft = rows == 0;
        publish();
        tell(AllUsed);
        return;
    }
    c.lblCall->setText(name.toString());
    m_noneLeft = false;
    showCallsLeft(rows);
    m_listCallId = id;
    m_listCallName = name.toString();
    m_listCallList = list;
    m_haveListCall = true;
    publish();
    emit callDrawn(id, m_listCallName);
    emit CallsSession::instance().callDrawn(id, m_listCallName);
}

void CallForm::showCallsLeft(int rows)
{
    QLabel *label = m_ui->lblCallsLeft;
    label->setText(QString::number(rows));
    // A count wider than the label grows it to the left, into the free top row,
    // keeping its right edge.
    const int right = Look::twips(CallsLeftLeft + CallsLeftWidth);
    const int width = qMax(Look::twips(CallsLeftWidth), label->sizeHint().width());
    label->setGeometry(right - width, label->y(), width, label->height());
}

void CallForm::cmdStart_Click()
{
    catchUp();
    FindCall();
    CallTicks = 0;
    tickSoon();
    if (m_ui)
        m_ui->cmdUse->setFocus();
}

void CallForm::cmdUse_Click()
{
    catchUp();
    if (!m_haveListCall)
        return;
    const QVariant callId = m_listCallId;
    const QString callName = m_listCallName;

    dataCall &data = dataCall::instance();
    bool found = false;
    try {
        // The mark and its record land together; when either cannot, neither does.
        data.run(Patience::Command, [&] { found = data.store().setUsed({callId}, true, {callName}) > 0; });
    } catch (const DataError &e) {
        if (!e.isCancelled())
            tell(QStringLiteral("\"%1\" could not be marked as used; it stays on the list.\n\n").arg(callName)
                 + e.message());
        return;
    }
    // Its row gone, or given to another call by a list replaced meanwhile: nothing
    // is marked, and the next call comes as after a removed one.
    // cppcheck-suppress knownConditionTrueFalse ; found is set inside the attempt above
    if (found) {
        // The reset's marks may come back, but never over a Use made since.
        withdrawUndo();
        emit callUsed(callId);
        emit CallsSession::instance().callUsed(callId);
    }
    FindCall();
    CallTicks = 0;
    tickSoon();
}

void CallForm::ResetCalls()
{
    dataCall &data = dataCall::instance();
    QVariantList cleared;
    try {
        // One transaction: all marks go back together or none does.
        data.run(Patience::Command, [&] { cleared = data.resetUsed(); });
    } catch (const DataError &e) {
        if (e.isCancelled())
            return;
        tell(QStringLiteral("The used marks could not be reset; no call was changed.\n\n") + e.message());
        return;
    }
    m_noneLeft = false;
    offerUndo(cleared);
    emit callsReset();
    emit CallsSession::instance().callsReset();
}

void CallForm::cmdReset_Click()
{
    ResetCalls();
    if (m_ui)
        m_ui->cmdUse->setFocus();
}

qint64 CallForm::undoNow() const
{
    return m_clock ? m_clock->nowMs() : TimeSource::steady().nowMs();
}

void CallForm::offerUndo(const QVariantList &cleared)
{
    if (!m_ui)
        return;
    if (cleared.isEmpty())
        return withdrawUndo();
    m_undoIds = cleared;
    m_undoUntil = undoNow() + UndoMs;
    m_ui->lblUndo->show();
    m_ui->cmdUndo->show();
    m_ui->tmrUndo->start(int(UndoMs));
    publish();
}

void CallForm::withdrawUndo()
{
    m_undoIds.clear();
    m_undoUntil = -1;
    if (!m_ui)
        return;
    m_ui->tmrUndo->stop();
    if (!m_ui->lblUndo->isHidden()) {
        m_ui->lblUndo->hide();
        m_ui->cmdUndo->hide();
        publish();
    }
}

void CallForm::undoTimer_Timer()
{
    if (!m_ui || m_undoIds.isEmpty())
        return;
    const qint64 left = m_undoUntil - undoNow();
    if (left > 0)
        m_ui->tmrUndo->start(int(left));
    else
        withdrawUndo();
}

void CallForm::undoReset()
{
    if (m_undoIds.isEmpty() || !m_ui)
        return;
    if (undoNow() >= m_undoUntil)
        return withdrawUndo();
    const QVariantList ids = m_undoIds;
    dataCall &data = dataCall::instance();
    try {
        data.run(Patience::Command, [&] { data.store().restoreUsed(ids); });
    } catch (const DataError &e) {
        if (!e.isCancelled())
            tell(QStringLiteral("The used marks could not be put back; no call was changed.\n\n") + e.message());
        return;
    }
    withdrawUndo();
    if (m_ui)
        m_ui->cmdUse->setFocus();
}

void CallForm::GetNLCall(Patience patience)
{
    Controls &c = ui();
    if (NLShown == 1)
        c.lblNLCall2->show();
    c.lblNLCall1->show();
    NLShown = 1;
    c.lblNLCall2->setText(c.lblNLCall1->text());

    // An NL draw that fails ends silently: no list active, no call, no database.
    dataCall &data = dataCall::instance();
    Recordset &rs = data.rssqlAllCalls();
    QVariant name;
    try {
        data.run(patience, [&] {
            if (rs.isOpen())
                rs.close();
            data.sqlAllCalls();
            const int rows = rs.recordCount();
            if (rows == 0)
                return;
            rs.moveFirst();
            rs.move(draw(rows));
            name = rs.field(QStringLiteral("Call_Name"));
        });
    } catch (const DataError &e) {
        // Silent, but a busy file is worth the quiet line: the caller may wonder.
        if (e.isBusy())
            drawSkipped();
        publish();
        return;
    }
    drawDone();
    if (!name.isNull())
        c.lblNLCall1->setText(name.toString());
    publish();
}

void CallForm::cmdGetNOL_Click()
{
    GetNLCall();
}

void CallForm::cmdFloor_Click()
{
    Floor::instance().show();
}

void CallForm::cmdRemote_Click()
{
    Remote::instance().show();
    Remote::instance().window()->raise();
}

void CallForm::cmdProgress_Click()
{
    Progress::instance().showList(frmMain::instance().ui().box_List->currentText());
}

// A change by the caller: the ticks due so far count under the old settings,
// and the next tick shows its effect, as any tick would.
void CallForm::hscrCall_Change()
{
    catchUp();
    m_ui->lblCallDelay->setText(QString::number(m_ui->hscrCall->value()));
    m_pacer.callDelay = m_ui->hscrCall->value();
    tickSoon();
    publish();
}

void CallForm::hscrDelay_Change()
{
    catchUp();
    m_ui->lblDelay->setText(QString::number(m_ui->hscrDelay->value()));
    m_pacer.nlDelay = m_ui->hscrDelay->value();
    tickSoon();
    publish();
}

void CallForm::setTimeSource(const TimeSource *source)
{
    m_clock = source;
    m_pausedSince = -1;
    m_pausedMs = 0;
    if (m_ui) {
        m_tickBase = pacingNow();
        m_ui->lblPaused->hide();
    }
}

// The timer woke: the ticks come due meanwhile are run, then it sleeps until
// the tick of the next draw. A stopped timer means the ticks come from elsewhere.
void CallForm::Timer1_Due()
{
    if (!m_ui || m_catchingUp)
        return;
    catchUp();
    if (!m_ui)
        return;
    const qint64 due = m_pacer.nextDueMs(m_tickBase, CallTicks, NLTicks);
    const qint64 longest = std::numeric_limits<int>::max();
    const qint64 ms = due == Never || isPaused() ? longest : due - pacingNow();
    m_ui->Timer1->start(int(qBound<qint64>(0, ms, longest)));
}

void CallForm::tickSoon()
{
    if (m_ui && m_ui->Timer1->isActive())
        m_ui->Timer1->start(int(qMax<qint64>(0, m_tickBase + TickMs - pacingNow())));
}

void CallForm::catchUp()
{
    if (!m_ui || !m_ui->Timer1->isActive() || m_catchingUp || holding() || isPaused())
        return;
    const qint64 due = (pacingNow() - m_tickBase) / TickMs;
    if (due <= 0)
        return;
    m_tickBase += due * TickMs;
    m_catchingUp = true;
    const auto done = qScopeGuard([this] { m_catchingUp = false; });
    advance(due);
}

// The same as that many ticks one by one: the ticks before the next draw only
// count, and the rule itself runs on the tick that draws and on the last one.
void CallForm::advance(qint64 ticks)
{
    while (ticks > 0 && m_ui) {
        const qint64 quiet = qMin(ticks, ticksToNextDraw()) - 1;
        if (quiet > 0) {
            NLTicks += quiet; // with sync on, the next tick sets it anyway
            CallTicks += quiet;
            ticks -= quiet;
        }
        Timer1_Timer();
        --ticks;
    }
}

qint64 CallForm::ticksToNextDraw() const
{
    return m_pacer.ticksToNextDraw(CallTicks, NLTicks);
}

void CallForm::Timer1_Timer()
{
    // While a message or a wait for the file holds the caller, or a pause, ticks pile up nothing.
    if (holding() || isPaused() || !m_ui)
        return;
    Controls &c = *m_ui;
    const bool sync = m_pacer.sync;
    c.hscrDelay->setVisible(!sync);
    c.lblDelay->setVisible(!sync);
    c.lblDelay2->setVisible(!sync);
    if (sync) {
        NLTicks = CallTicks;
        c.lblDelay->setText(c.lblCallDelay->text());
        // The NL delay shown is the one in force, also once the box is cleared.
        m_pacer.nlDelay = m_pacer.callDelay;
    }

    ++NLTicks;
    ++CallTicks;

    const int nlDelay = m_pacer.nlDelay;
    if (nlDelay > 0) {
        c.cmdGetNOL->hide();
        if (NLTicks >= nlDelay * TicksPerUnit) {
            GetNLCall(Patience::Tick);
            NLTicks = 0;
        }
    } else {
        c.cmdGetNOL->show();
    }

    const int callDelay = m_pacer.callDelay;
    if (callDelay > 0 && CallTicks >= callDelay * TicksPerUnit) {
        FindCall(Patience::Tick);
        CallTicks = 0;
    }
}
