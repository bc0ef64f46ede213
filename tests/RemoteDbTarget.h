#pragma once

#include "remote/RemoteTarget.h"

#include <QStringList>

// A calls session over a real call database, small enough to read in a test:
// "use" marks the shown list call used in tblCalls and draws the next unused
// one of the list; "nextNL" draws from the whole list, used or not.
class RemoteDbTarget : public RemoteTarget
{
    Q_OBJECT
public:
    RemoteDbTarget(const QString &path, const QString &listName, QObject *parent = nullptr);
    ~RemoteDbTarget() override;

    QJsonObject state() const override;
    void command(const QString &name) override;

    QStringList applied; // the commands in the order they were applied

private:
    void drawList();
    void drawNL();
    QString m_connection;
    int m_listId = 0;
    int m_callId = 0;
    QString m_listCall, m_nl1, m_nl2, m_status;
    int m_left = 0;
    bool m_paused = false;
};
