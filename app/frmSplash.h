#pragma once

#include "app/Form.h"

#include <QtGlobal>
#include <memory>

class QFrame;
class QLabel;
class QTimer;

// The start-up window: the program's name, version and credits, handing over
// to the main window on a key, a click on its frame, or the sixth timer tick.
class frmSplash : public Form
{
    Q_OBJECT
public:
    static frmSplash &instance() { return Form::instance<frmSplash>(); }

    struct Controls
    {
        QTimer *Timer1;
        QFrame *Frame1;
        QLabel *imgLogo;
        QLabel *lblLicenseTo;
        QLabel *lblProductName;
        QLabel *lblVersion;
        QLabel *lblCopyright;
        QLabel *lblCompany;
    };
    Controls &ui();

    // Kept by the window object, not the window: it counts across the hand-over.
    qint16 SplashTicks = 0;

    static constexpr int TickMs = 500;
    void Timer1_Timer();

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    void Form_Unload() override { m_ui.reset(); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Form;
    frmSplash() = default;

    void Form_KeyPress();
    void Frame1_Click();
    void handOver();

    std::unique_ptr<Controls> m_ui;
};
