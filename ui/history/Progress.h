#pragma once

#include "ui/kit/Form.h"

#include <QVariant>

class ProgressFilter;
class ProgressModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

struct ProgressControls
{
    QLabel *lblList;
    QComboBox *cboList;
    QLabel *lblHeadline;
    QRadioButton *optUnused;
    QRadioButton *optUsed;
    QRadioButton *optAll;
    QLabel *lblFilter;
    QLineEdit *txtFilter;
    QLabel *lblSort;
    QComboBox *cboSort;
    QTableView *grdCalls;
    QPushButton *cmdPrint;
    QPushButton *cmdPdf;
    QPushButton *cmdCsv;
    QPushButton *cmdHistoryCsv;
    QPushButton *cmdClose;
    QPushButton *cmdSequences;
    ProgressModel *model;
    ProgressFilter *filter;
};

// The "Progress" window: every call of one list with its used mark, how many
// times and when it was last called; it follows the "Calls" window live.
class Progress : public FormWith<ProgressControls>
{
    Q_OBJECT
public:
    using Controls = ProgressControls;
    static Progress &instance() { return Form::instance<Progress>(); }

    enum SortBy { ByName, ByLastCalled, ByStoredOrder, ByTimesCalled };

    // Shows the window on the list of that name (the first list when none has it).
    void showList(const QString &list);
    // Reads the marks and the history again.
    void refresh();
    void refreshCall(const QVariant &callId);
    // Flips the used mark of the call in that row of the view, recording a use.
    void toggle(int viewRow);

    // The view as a page, as PDF and as CSV; false after telling the caller why.
    bool savePdf(const QString &file);
    bool saveCsv(const QString &file);
    bool saveHistoryCsv(const QString &file);
    QString headline() const;

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Form;
    Progress() = default;

    void cboList_Change();
    void cboSort_Change();
    void cmdPrint_Click();
    void cmdPdf_Click();
    void cmdCsv_Click();
    void cmdHistoryCsv_Click();
    void cmdSequences_Click();
    // The sequences column follows the files loaded for this list.
    void applySequences();
    void grdCalls_HeaderClick(int column);
    void callDrawn(const QVariant &callId);
    void applyShow();

    QString askFileName(const QString &caption, const QString &suggested, const QString &filter);
    bool writeFile(const QString &file, const QByteArray &bytes);
    void tell(const QString &text);

    // One message per cause: a refresh after every Use must not repeat it.
    QString m_lastHistoryError;
};
