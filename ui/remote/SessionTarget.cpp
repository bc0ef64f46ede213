#include "ui/remote/SessionTarget.h"

#include "core/calls/CallsSession.h"
#include "ui/kit/Modal.h"
#include "ui/kit/Presses.h"

#include <optional>

SessionTarget::SessionTarget(QObject *parent) : RemoteTarget(parent)
{
    connect(&CallsSession::instance(), &CallsSession::changed, this, &RemoteTarget::changed);
}

QJsonObject SessionTarget::state() const
{
    const CallsSession::State &s = CallsSession::instance().state();
    auto shown = [](const QString &text, bool visible) { return visible ? text : QString(); };
    return {{QStringLiteral("listCall"), shown(s.listCall, s.listCallShown)},
            {QStringLiteral("nlCall1"), shown(s.nlCall1, s.nlCall1Shown)},
            {QStringLiteral("nlCall2"), shown(s.nlCall2, s.nlCall2Shown)},
            {QStringLiteral("callsLeft"), s.callsLeft},
            {QStringLiteral("status"), s.status},
            {QStringLiteral("paused"), s.paused}};
}

void SessionTarget::command(const QString &name)
{
    using Command = CallsSession::Command;
    std::optional<Command> command;
    if (name == QLatin1String("use"))
        command = Command::Use;
    else if (name == QLatin1String("find"))
        command = Command::Find;
    else if (name == QLatin1String("nextNL"))
        command = Command::NextNL;
    else if (name == QLatin1String("pause"))
        command = Command::Pause;
    if (!command)
        return;
    // Like paced work, a phone's press waits while a box waits for the caller.
    Presses::post(
        this, [] { return Modal::isHeld(); }, [c = *command] { CallsSession::instance().command(c); });
}
