#pragma once

#include "core/calls/CallsSession.h"

#include <QKeyEvent>
#include <optional>

// What a presentation clicker or key fob sends, as calls-session commands.
// The arrows belong to the Floor view only: the Calls window's controls use them.
namespace ClickerKeys {

inline std::optional<CallsSession::Command> command(const QKeyEvent &key, bool floor)
{
    using Command = CallsSession::Command;
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return std::nullopt;
    switch (key.key()) {
    case Qt::Key_PageDown:
    case Qt::Key_MediaNext:
        return Command::Use;
    case Qt::Key_PageUp:
    case Qt::Key_MediaPrevious:
        return Command::Find;
    case Qt::Key_Right:
        return floor ? std::optional(Command::Use) : std::nullopt;
    case Qt::Key_Left:
        return floor ? std::optional(Command::Find) : std::nullopt;
    case Qt::Key_B:
    case Qt::Key_Period:
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaPause:
    case Qt::Key_MediaTogglePlayPause:
        return Command::Pause;
    default:
        return std::nullopt;
    }
}

} // namespace ClickerKeys
