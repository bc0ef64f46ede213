#pragma once

#include "ui/kit/FitLabel.h"
#include "ui/kit/Form.h"

class QLabel;
class QScreen;

struct FloorControls
{
    FitLabel *lblCall;
    FitLabel *lblNLCall1;
    FitLabel *lblNLCall2;
    QLabel *lblList; // the list the list call came from
    QLabel *lblCallsLeft;
    QLabel *lblKeys;
    QLabel *lblPaused;
    QLabel *lblUndo; // the Calls window's offer to undo its reset
};

// The "Floor" window: the calls of the "Calls" window, as large as the window
// lets them be, for a caller who reads them from across the hall. It follows
// the "Calls" window as it draws, and single keys work it from a distance.
class Floor : public FormWith<FloorControls>
{
    Q_OBJECT
public:
    using Controls = FloorControls;
    static Floor &instance() { return Form::instance<Floor>(); }

    void toggleFullScreen();

    // The screen the Floor opens on: the remembered one while it is there, else the primary.
    static QScreen *screenFor(const QString &remembered);

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Form;
    Floor() = default;

    void Form_KeyDown(int key);
    void followSoon();
    void follow();
    void remember();
    void scaleHints();

    bool m_followPending = false;
};
