#include "core/calls/CallsSession.h"

CallsSession &CallsSession::instance()
{
    static CallsSession session;
    return session;
}

bool CallsSession::State::operator==(const State &o) const
{
    return open == o.open && listCall == o.listCall && listCallShown == o.listCallShown
           && listCallId == o.listCallId && listName == o.listName && nlCall1 == o.nlCall1 && nlCall1Shown == o.nlCall1Shown
           && nlCall2 == o.nlCall2 && nlCall2Shown == o.nlCall2Shown && callsLeft == o.callsLeft
           && status == o.status && undo == o.undo && callDelay == o.callDelay && nlDelay == o.nlDelay && sync == o.sync
           && paused == o.paused;
}

void CallsSession::publish(const State &state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit changed();
}

bool CallsSession::command(Command command)
{
    if (!m_handler)
        return false;
    // A copy: the handler may close the window, which drops the one held here.
    const Handler handler = m_handler;
    handler(command);
    return true;
}

void CallsSession::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}
