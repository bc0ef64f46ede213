#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

// What the "Calls" window shows, for every other face to follow (the Floor
// view, Progress, a phone), and the commands those faces send it. The Calls
// window publishes its state here and carries the commands out with its own
// handlers, exactly as a press of its buttons; no face touches another's
// controls.
class CallsSession : public QObject
{
    Q_OBJECT
public:
    static CallsSession &instance();

    struct State
    {
        QString listCall;
        QVariant listCallId; // null until a draw of this showing succeeded
        QString listName;    // the list the list call came from, empty with no call drawn
        QString nlCall1;
        QString nlCall2;
        QString callsLeft; // as the Calls window shows it; empty before the first draw
        QString status;    // the quiet line, empty while hidden
        QString undo;      // the offer to undo the last reset, empty when there is none
        int callDelay = 0;
        int nlDelay = 0;
        bool open = false; // a Calls window is loaded
        bool listCallShown = false;
        bool nlCall1Shown = false;
        bool nlCall2Shown = false;
        bool sync = false;
        bool paused = false; // the pacing clock stands still until resumed
        bool operator==(const State &o) const;
        bool operator!=(const State &o) const { return !(*this == o); }
    };
    const State &state() const { return m_state; }
    // The Calls window's new state; changed() follows when it differs.
    void publish(const State &state);

    enum class Command { Find, Use, NextNL, Reset, Pause, Undo }; // Pause resumes when paused; Undo undoes a reset
    // Carried out by the Calls window's handler; false when no Calls window is open.
    bool command(Command command);
    using Handler = std::function<void(Command)>;
    // The open Calls window's handler; an empty one when it closes.
    void setHandler(Handler handler);

signals:
    void changed();
    // What happened, for faces that follow single events.
    void callDrawn(const QVariant &callId, const QString &name);
    void callUsed(const QVariant &callId);
    void callsReset();

private:
    CallsSession() = default;
    State m_state;
    Handler m_handler;
};
