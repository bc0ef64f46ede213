#pragma once

#include "ui/kit/Form.h"
#include "ui/boards/ElapsedClock.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

struct CornersControls : ClockControls
{
    static constexpr int Fields = 8;
    QPushButton *cmdClear;
    std::array<QLineEdit *, Fields> txtM;
};

// The corners board: eight free names, a "Clear" for all of them, and the time
// since the last clearing.
class Corners : public FormWith<CornersControls>, public ElapsedClock
{
    Q_OBJECT
public:
    using Controls = CornersControls;
    static Corners &instance() { return Form::instance<Corners>(); }

    static constexpr int Fields = Controls::Fields;

    // One tick of the clock timer: refreshes the "Time Since Last Clear" label.
    void Timer1_Timer();

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;

private:
    friend class Form;
    Corners() = default;

    void cmdClear_Click();
};
