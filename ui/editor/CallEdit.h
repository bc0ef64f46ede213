#pragma once

#include "ui/kit/Form.h"
#include "core/data/CallStore.h"

#include <memory>


class NavigationBar;
class QDataWidgetMapper;
class QLabel;
class QLineEdit;
class QPushButton;
class QSqlTableModel;

struct CallEditControls
{
    QLabel *lblLabels[2];
    QLineEdit *txtFields[2];
    QWidget *picButtons;
    QPushButton *cmdUpdate;
    QPushButton *cmdClose;
    NavigationBar *datPrimaryRS;
};

// Edits the calls' names and used marks one row at a time, over a connection
// of its own to the call database.
class CallEdit : public FormWith<CallEditControls>
{
    Q_OBJECT
public:
    using Controls = CallEditControls;
    static CallEdit &instance() { return Form::instance<CallEdit>(); }

    static const QString ConnectionName;
    // The position a move reports when there is no current row.
    static constexpr int NoCurrentRow = -1;

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    friend class Form;
    CallEdit();
    ~CallEdit() override;

    void datPrimaryRS_MoveComplete();
    void datPrimaryRS_Error(const QString &description);
    void cmdUpdate_Click();
    void cmdClose_Click();

    void openRows();
    void closeRows();
    // Writes the current row's changes, waiting for a busy file; tells a failure.
    bool submitRow(bool onMove);
    void moveTo(int row);
    int currentRow() const;

    std::unique_ptr<CallStore> m_store;
    std::unique_ptr<QSqlTableModel> m_rows;
    std::unique_ptr<QDataWidgetMapper> m_mapper;
};
