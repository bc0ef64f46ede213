#pragma once

#include "ui/kit/Form.h"

#include <QList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

struct frmMainControls
{
    QComboBox *box_List;
    QPushButton *cmdGo;
    QCheckBox *chkAdv;
    QCheckBox *CheckB, *CheckMS, *CheckP, *CheckA1, *CheckA2, *CheckC1, *CheckC2, *CheckC3A, *CheckC3B;
    QLabel *Label1;
    QPushButton *cmdShowHome;
    QPushButton *Command2;
    QPushButton *cmdEdit;
    QPushButton *cmdAbout;
    QCheckBox *chk2026;
    QPushButton *cmdLists;
    QPushButton *cmdHall;

    // The nine level boxes in ladder order, lowest first.
    QList<QCheckBox *> levels() const;
};

// The window the caller works from: the level ladder, the list combo, and the
// buttons that open every other window.
class frmMain : public FormWith<frmMainControls>
{
    Q_OBJECT
public:
    using Controls = frmMainControls;
    static frmMain &instance() { return Form::instance<frmMain>(); }

    static const QStringList &levelTags();
    // The list a ticked level box activates: with "2026 programs" ticked, the
    // 2026 lists stand in for the levels they replace.
    QString activationList(const QString &tag);
    // Fills the combo afresh from the database, keeping its text.
    void refreshLists();

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Form;
    frmMain() = default;
    bool m_listsMissing = false; // the file refused the lists at load

    void fillLists();
    void box_List_Change();
    void cmdGo_Click();
    void cmdShowHome_Click();
    void Command2_Click();
    void cmdEdit_Click();
    void cmdAbout_Click();
    void chk2026_Click();
    void cmdLists_Click();
};
