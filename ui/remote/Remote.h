#pragma once

#include "ui/kit/Form.h"

#include <QList>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class RemoteServer;
class SessionTarget;

struct RemoteControls
{
    QCheckBox *chkAllow;
    QSpinBox *spnPort;
    QLineEdit *txtAddress;
    QLabel *lblPin;
    QLabel *picQr;
    QLineEdit *txtDisplay;
    QLabel *lblFailed;
    QLabel *lblPhones;
    QVBoxLayout *phoneRows;
    QList<QPushButton *> cmdDisconnect; // one a phone connected now
    QPushButton *cmdClose;
};

// The phone remote's switch and what a phone needs to pair: the address, its
// QR code and the PIN; the phones connected now. The server belongs to the
// window object, not its widget: closing the window leaves phones connected,
// while switching off, closing the Calls window or ending the program stops it.
class Remote : public FormWith<RemoteControls>
{
    Q_OBJECT
public:
    using Controls = RemoteControls;
    static Remote &instance() { return Form::instance<Remote>(); }
    ~Remote() override;

    static constexpr quint16 DefaultPort = 8765;

    // Switches phones on or off as the check box does; false with a message
    // when the port cannot be had.
    bool setAllowed(bool on);
    bool isAllowed() const;
    RemoteServer *server() const { return m_server.get(); }

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;

private:
    friend class Form;
    Remote();

    void showState();
    void showPhones();
    void sessionChanged();

    std::unique_ptr<SessionTarget> m_target;
    std::unique_ptr<RemoteServer> m_server;
};
