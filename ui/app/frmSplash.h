#pragma once

#include "ui/kit/Form.h"

#include <QtGlobal>

class QFrame;
class QLabel;
class QTimer;

struct frmSplashControls
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

// The start-up window: the program's name, version and credits, handing over
// to the main window on a key, a click on its frame, or the sixth timer tick.
class frmSplash : public FormWith<frmSplashControls>
{
    Q_OBJECT
public:
    using Controls = frmSplashControls;
    static frmSplash &instance() { return Form::instance<frmSplash>(); }

    // Kept by the window object, not the window: it counts across the hand-over.
    qint16 SplashTicks = 0;

    static constexpr int TickMs = 500;
    void Timer1_Timer();

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Form;
    frmSplash() = default;

    void Form_KeyPress();
    void Frame1_Click();
    void handOver();
};
