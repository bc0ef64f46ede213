#pragma once

#include "ui/kit/Form.h"
#include "core/sequences/Coverage.h"

#include <QStringList>
#include <memory>
#include <optional>

class ListStore;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class CoverageFilter;

struct SequencesControls
{
    QLabel *lblList, *lblSummary, *lblFiles, *lblFilter, *lblCoverage, *lblUnrecognised;
    QComboBox *cboList;
    QListWidget *lstFiles;
    QPushButton *cmdAdd, *cmdRemove;
    QRadioButton *optUsed, *optUnused, *optAll;
    QLineEdit *txtFilter;
    QTableView *grdCoverage, *grdUnrecognised;
    QPushButton *cmdCsv, *cmdPrint, *cmdMarkUsed, *cmdClose;
    QStandardItemModel *coverage, *unrecognised;
    CoverageFilter *filter;
};

// Which calls of a list the caller's sequence files use: the files, the list's
// calls with how many sequences use each and where first, and the lines that
// name no call of any list.
class Sequences : public FormWith<SequencesControls>
{
    Q_OBJECT
public:
    using Controls = SequencesControls;
    static Sequences &instance() { return Form::instance<Sequences>(); }

    enum Column { CallColumn, SequencesColumn, FirstColumn };

    // Shows the window on the list of that name (the first list when none has it).
    void showList(const QString &list);
    // Reads the files and adds them; one that cannot be read adds none.
    void addFiles(const QStringList &files);
    const Coverage::Report &report() const { return m_report; }

    // The next file dialog answers this instead of asking (empty: cancelled).
    static std::optional<QStringList> &nextFileNames()
    {
        static std::optional<QStringList> names;
        return names;
    }

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    friend class Form;
    Sequences();
    ~Sequences() override;

    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdCsv_Click();
    void cmdPrint_Click();
    void cmdMarkUsed_Click();
    void applyShow();

    ListStore &store();
    std::optional<int> currentListId() const;
    // The coverage read again and shown; others hear of the new counts.
    void recount();
    void showReport();
    QString summary() const;
    void tell(const QString &text);

    std::unique_ptr<ListStore> m_store;
    QList<SequenceFile::Parsed> m_files;
    Coverage::Report m_report;
};
