#pragma once

#include "ui/kit/Form.h"
#include "core/lists/ListFile.h"

#include <QStringList>
#include <functional>
#include <optional>

class ListStore;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QStandardItem;
class QStandardItemModel;
class QTableView;

struct ListsControls
{
    QLabel *lblLists, *lblCalls;
    QTableView *tblLists, *tblCalls;
    QPushButton *cmdNewList, *cmdRenameList, *cmdDeleteList;
    QPushButton *cmdAddCall, *cmdRenameCall, *cmdDeleteCall, *cmdMoveCalls, *cmdCopyCalls, *cmdUsed, *cmdProgress, *cmdSequences;
    QPushButton *cmdImport, *cmdExport, *cmdExportAll, *cmdClose;
    QLabel *lblSearch, *lblFound;
    QLineEdit *txtSearch;
    QStandardItemModel *lists, *calls;
};

// The questions the Lists window asks; tests answer them in place of dialogs.
struct ListsPrompts
{
    std::function<std::optional<QString>(const QString &label, const QString &text)> text;
    // The same, answered with any number of lines.
    std::function<std::optional<QString>(const QString &label, const QString &text)> lines;
    std::function<bool(const QString &question)> confirm;
    std::function<std::optional<QString>(const QString &label, const QStringList &items)> pick;
    // An empty answer cancels.
    std::function<QString(const QString &caption, const QString &filter, bool save, const QString &suggested)> file;
    // The verdicts of a file's lines as the caller takes them; nothing cancels.
    std::function<std::optional<ListFile::Preview>(const ListFile::Preview &preview, const QString &fileName)> preview;
};

// The caller's lists: the lists with their counts on the left, the chosen
// list's calls on the right, and the list module's operations on buttons.
class Lists : public FormWith<ListsControls>
{
    Q_OBJECT
public:
    using Controls = ListsControls;
    static Lists &instance() { return Form::instance<Lists>(); }

    ListsPrompts prompts;

    // Imports one list file or CSV file: shows what each line gives, asks for a list
    // file's list name, and asks before replacing.
    void importFile(const QString &path);
    // Reads the lists and the chosen list's calls again, keeping the choice.
    void refresh();

protected:
    FormWindow *createWindow() override;
    void Form_Load() override;
    void Form_Unload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Form;
    Lists();
    ~Lists() override;

    void cmdNewList_Click();
    void cmdRenameList_Click();
    void cmdDeleteList_Click();
    void cmdAddCall_Click();
    void cmdRenameCall_Click();
    void cmdDeleteCall_Click();
    void cmdMoveCalls_Click();
    void cmdCopyCalls_Click();
    void cmdUsed_Click();
    void cmdProgress_Click();
    void cmdSequences_Click();
    void cmdImport_Click();
    void cmdExport_Click();
    void cmdExportAll_Click();
    void calls_ItemChanged(QStandardItem *item);

    ListStore &store();
    // Runs a change; on failure tells the caller. Lists are shown afresh either way.
    void change(const std::function<void()> &work, bool listsChanged = true);
    void showLists(std::optional<int> selectId = std::nullopt);
    void showCalls();
    // The counts as the file has them now, after a change made elsewhere.
    void followSoon();
    void followCounts();
    std::optional<int> currentListId() const;
    QList<int> selectedCallIds() const;
    // The target list of a move or a copy, or nothing when the caller cancels.
    std::optional<int> pickTarget(const QString &label);
    // Adds one call a line, telling the names the list has already.
    void addLines(const QString &text);
    void selectCalls(const QList<int> &ids);
    // The selected calls up or down a place, or before the row a drop lands on.
    void reorder(const std::function<QList<int>(const QList<int> &order, const QList<int> &chosen)> &how);
    // The keys of the window's own: reorder, paste, rename. True when taken.
    bool shapingKey(QObject *watched, QKeyEvent *key);
    // Calls dragged within tblCalls. True when taken.
    bool callsDrag(QEvent *event);
    void filterCalls();
    void exportTo(std::optional<int> listId, const QString &suggested);

    std::unique_ptr<ListStore> m_store;
    bool m_filling = false;
    bool m_followPending = false;
};
