#pragma once

#include "ui/kit/Form.h"

#include <QString>

class Launcher;
class QFrame;
class QLabel;
class QPushButton;
class Registry;

struct frmAboutControls
{
    QLabel *picIcon;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    QFrame *Line1_0;
    QFrame *Line1_1;
    QLabel *lblDisclaimer;
    QPushButton *cmdOK;
    QPushButton *cmdSysInfo;
};

// The About box: title, version, description and notice, and a button that
// finds the system information tool through the registry and starts it.
class frmAbout : public FormWith<frmAboutControls>
{
    Q_OBJECT
public:
    using Controls = frmAboutControls;
    static frmAbout &instance() { return Form::instance<frmAbout>(); }

    static constexpr quint32 KeyAccess = 0x2003F;
    static constexpr int ValueBufferSize = 1024;
    static const QString Unavailable;

    void StartSysInfo();
    // Reads one registry value into KeyVal; true when it was read.
    bool GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);

    // Null puts the system's own back.
    void setPlatform(Registry *registry, Launcher *launcher);

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;

private:
    friend class Form;
    frmAbout() = default;

    void cmdOK_Click();
    void cmdSysInfo_Click();

    Registry &registry() const;
    Launcher &launcher() const;

    Registry *m_registry = nullptr;
    Launcher *m_launcher = nullptr;
};
