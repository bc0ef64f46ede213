#pragma once

#include "core/data/Waiting.h"

#include <memory>

class QProgressDialog;

// The windows' way to wait for a locked file: a small modal window names the
// file and offers Cancel, and the event loop runs between two attempts, so
// every window keeps repainting.
class WaitingWindow : public Waiting::Policy
{
public:
    WaitingWindow();
    ~WaitingWindow() override;

    // Makes it the policy of every wait of this process.
    static void install();

    void begin(const QString &file, int timeoutMs) override;
    bool pause(int ms) override;
    void end() override;

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};
