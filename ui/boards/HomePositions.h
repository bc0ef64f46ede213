#pragma once

#include "ui/kit/Form.h"
#include "ui/boards/ElapsedClock.h"

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

struct HomePositionsControls : ClockControls
{
    static constexpr int Places = 7;
    std::array<QLineEdit *, Places> txtM;
    std::array<QLineEdit *, Places> txtW;
    QPushButton *cmdRotate;
    QPushButton *cmdSH;
    QPushButton *cmdSS;
    QGroupBox *Frame1;
    QRadioButton *optR;
    QRadioButton *optHS;
    QGroupBox *Frame2;
    QRadioButton *opt5Couple;
    QRadioButton *opt6Couple;
    QRadioButton *opt7Couple;
};

// The home positions board: which couple stands in which home place, with
// waiting places for five to seven couples, and the time since the last rotation.
// Index i of txtM/txtW is place #1, #4, #2, #3, #5, #6, #7 for i = 0 .. 6.
class HomePositions : public FormWith<HomePositionsControls>, public ElapsedClock
{
    Q_OBJECT
public:
    using Controls = HomePositionsControls;
    static HomePositions &instance() { return Form::instance<HomePositions>(); }

    static constexpr int Places = Controls::Places;

    // One tick of the clock timer: refreshes the "Time Since Last Rotate" label.
    void Timer1_Timer();

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;

private:
    friend class Form;
    HomePositions() = default;

    void cmdRotate_Click();
    void cmdSH_Click();
    void cmdSS_Click();
    void optHS_Click();
    void optR_Click();
    void opt5Couple_Click();
    void opt7Couple_Click();

    int coupleCount() const;
    void swapCouples(int a, int b);
};
