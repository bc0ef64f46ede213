#pragma once

#include "remote/RemoteTarget.h"

// The calls session as a phone sees it: what the Floor view shows, and the
// commands of the Calls window's buttons. A command is carried out after the
// server has answered the phone, once no box holds the program.
class SessionTarget : public RemoteTarget
{
    Q_OBJECT
public:
    explicit SessionTarget(QObject *parent = nullptr);

    QJsonObject state() const override;
    void command(const QString &name) override;
};
