#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

// What the remote serves and commands: the calls session, seen from a phone.
// Of state(), the server passes on only what the Floor view shows:
//   {"listCall": str, "nlCall1": str, "nlCall2": str,
//    "callsLeft": int, or the text the Calls window shows,
//    "status": str (the quiet line, "" when hidden), "paused": bool}
class RemoteTarget : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QJsonObject state() const = 0;
    // "use", "find", "nextNL" or "pause" (which resumes when paused).
    virtual void command(const QString &name) = 0;

signals:
    void changed(); // state() has changed
};
