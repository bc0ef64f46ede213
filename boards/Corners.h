#pragma once

#include "app/Form.h"
#include "boards/ElapsedClock.h"

#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The corners board: eight free names, a "Clear" for all of them, and the time
// since the last clearing.
class Corners : public Form, public ElapsedClock
{
    Q_OBJECT
public:
    static Corners &instance() { return Form::instance<Corners>(); }

    static constexpr int Fields = 8;

    struct Controls
    {
        QPushButton *cmdClear;
        QLabel *llblTimerNote;
        QLabel *lblTimer;
        std::array<QLineEdit *, Fields> txtM;
        QTimer *Timer1;
    };
    // The controls; reading them loads the window, hidden, when it is not loaded.
    Controls &ui();

    // One tick of the 10 ms timer: refreshes the "Time Since Last Clear" label.
    void Timer1_Timer();

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    void Form_Unload() override { m_ui.reset(); }

private:
    friend class Form;
    Corners() = default;

    void cmdClear_Click();

    std::unique_ptr<Controls> m_ui;
};
