#pragma once

#include "core/rotation/EveningFile.h"
#include "ui/hall/TipView.h"
#include "ui/kit/Form.h"

#include <QPointer>
#include <memory>
#include <optional>

class QComboBox;
class QSpinBox;
class QPagedPaintDevice;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class HallDancers;

struct HallControls
{
    QLineEdit *txtName;
    QComboBox *cboKind;
    QPushButton *cmdAdd;
    QTableView *grdDancers;
    QPushButton *cmdPresent;
    QPushButton *cmdAbsent;
    QPushButton *cmdOut;
    QPushButton *cmdMustDance;
    QPushButton *cmdRemove;
    QPushButton *cmdNextTip;
    QPushButton *cmdUndoTip;
    QPushButton *cmdFloor;
    QPushButton *cmdNewEvening;
    QSpinBox *spnAhead;
    QPushButton *cmdPrint;
    QPushButton *cmdSavePdf;
    TipView *picTip;
    QLabel *lblSittingOut;
    QLabel *lblTips;
    HallDancers *dancers;
};

// The hall's rotation for the evening: the dancers and their statuses, "Next
// Tip" and "Undo Tip", the tip as its squares, who sits out. The evening lives
// in Call_Evening.db beside the call database; every change is written first.
class Hall : public FormWith<HallControls>
{
    Q_OBJECT
public:
    using Controls = HallControls;
    static Hall &instance() { return Form::instance<Hall>(); }
    ~Hall() override;

    // The evening as the window shows it; nullptr before the file is open.
    const Rotation::Evening *evening() const;
    // Every tip so far as a card, one a page; the number of pages drawn.
    static int print(QPagedPaintDevice &printer, const Rotation::Evening &evening);

    // The full-screen view of the tip while it is open.
    TipView *floorView() const { return m_floor.data(); }

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;

private:
    friend class Form;
    Hall() = default;

    void cmdAdd_Click();
    QList<int> selectedDancers() const;
    void setStatus(Rotation::Status status);
    void cmdRemove_Click();
    void cmdNextTip_Click();
    void cmdUndoTip_Click();
    void cmdFloor_Click();
    void cmdNewEvening_Click();
    void cmdPrint_Click();
    void cmdSavePdf_Click();
    // Runs a change of the evening; a file that refuses it is said in a message.
    template<typename Change>
    bool change(Change work);
    // The tips so far and as many planned ahead as asked, to print.
    std::optional<Rotation::Evening> toPrint() const;
    void refresh();

    std::unique_ptr<EveningFile> m_file;
    QPointer<TipView> m_floor;
};
