#pragma once

#include "ui/kit/FitLabel.h"
#include "ui/kit/Form.h"
#include "core/app/TimeSource.h"
#include "core/calls/CallsSession.h"
#include "core/calls/Pacer.h"
#include "core/data/Waiting.h"

#include <QVariant>
#include <QtGlobal>
#include <random>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QTimer;

struct CallFormControls
{
    QLabel *lblCallsLeft;
    FitLabel *lblCall;
    QPushButton *cmdUse;
    QPushButton *cmdStart;
    QPushButton *cmdReset;
    QLabel *lblFieldLabel_5;
    QLabel *lblCallDelay;
    QLabel *lblDelay1;
    QScrollBar *hscrCall;
    QCheckBox *chkSync;
    FitLabel *lblNLCall1;
    FitLabel *lblNLCall2;
    QPushButton *cmdGetNOL;
    QPushButton *cmdProgress;
    QLabel *lblDelay2;
    QLabel *lblDelay;
    QScrollBar *hscrDelay;
    QTimer *Timer1;
    QPushButton *cmdFloor;
    QLabel *lblStatus; // a quiet line for paced draws the busy file turned away
    QLabel *lblPaused;
    QPushButton *cmdRemote;
    QLabel *lblUndo;       // the offer to undo the last reset
    QPushButton *cmdUndo; // takes it up
    QTimer *tmrUndo; // withdraws the offer when its minute is over
};

// The "Calls" window: activates the lists of the ticked levels, draws list
// calls and NL calls, marks calls used, and paces the draws with its timer.
class CallForm : public FormWith<CallFormControls>
{
    Q_OBJECT
public:
    using Controls = CallFormControls;
    static CallForm &instance() { return Form::instance<CallForm>(); }

    // Kept by the window object across a close.
    qint64 CallTicks = 0;
    qint64 NLTicks = 0;
    qint16 NLShown = 0;

    // One tick of the pacing rule; 100 ticks make one unit of delay.
    void Timer1_Timer();
    static constexpr int TickMs = Pacer::TickMs;
    static constexpr qint64 TicksPerUnit = Pacer::TicksPerUnit;

    // Ticks are counted on a pacing clock that stands still while a message
    // waits; the timer wakes only when a tick would change something. Tests
    // put in a clock of their own (nullptr: the real one).
    void setTimeSource(const TimeSource *source);
    // The timer woke: runs the ticks come due and sleeps until the next draw.
    void Timer1_Due();

    // Pacing stands still while paused, as under a modal box; a second call resumes.
    void togglePause();
    bool isPaused() const { return m_pausedSince >= 0; }

    // The load step seeds from the clock; tests pin the sequence down.
    void seedGenerator(quint32 seed) { m_generator.seed(seed); }

signals:
    // Other windows follow the list calls live through these.
    void callDrawn(const QVariant &callId, const QString &name);
    void callUsed(const QVariant &callId);
    void callsReset();

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    void Form_Unload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Form;
    CallForm() = default;

    void cmdStart_Click();
    void cmdUse_Click();
    void cmdReset_Click();
    // Puts back the marks the last reset cleared, while its offer stands.
    void undoReset();
    void offerUndo(const QVariantList &cleared);
    void withdrawUndo();
    void undoTimer_Timer();
    qint64 undoNow() const;
    void cmdGetNOL_Click();
    void cmdFloor_Click();
    void cmdProgress_Click();
    void cmdRemote_Click();
    void hscrCall_Change();
    void hscrDelay_Change();

    // A caller's own action waits for a busy file; a paced draw skips its tick.
    using Patience = Waiting::Patience;
    void ActivateLists();
    void FindCall(Patience patience = Patience::Command);
    void ResetCalls();
    void GetNLCall(Patience patience = Patience::Command);

    void catchUp();
    void advance(qint64 ticks);
    qint64 ticksToNextDraw() const;
    qint64 pacingNow() const;
    void tickSoon();

    int draw(int rows);
    void showCallsLeft(int rows);
    void tell(const QString &text);
    void drawSkipped();
    void drawDone();
    // What the window shows, for the faces that follow the session.
    void publish();
    void carryOut(CallsSession::Command command);

    std::mt19937 m_generator;
    // True while the list call shown comes from a draw that succeeded.
    bool m_haveListCall = false;
    QVariant m_listCallId;
    QString m_listCallName;
    QString m_listCallList; // the list it came from
    bool m_noneLeft = false; // the last draw found every call used

    QVariantList m_undoIds;  // the calls the last reset cleared, while its offer stands
    qint64 m_undoUntil = -1; // when the offer ends

    const TimeSource *m_clock = nullptr;
    qint64 m_tickBase = 0; // pacing time of the last tick counted
    Pacer m_pacer; // the delays and "Sync Delay" as the ticks from now on go by them
    bool m_catchingUp = false;
    qint64 m_pausedSince = -1; // pacing time the pause began, -1 while running
    qint64 m_pausedMs = 0;     // pacing time spent paused, left out of the ticks
};
