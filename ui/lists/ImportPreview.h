#pragma once

#include "core/lists/ListFile.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QStandardItem;
class QStandardItemModel;
class QTableView;

// What an import will make of each line of a file, before anything is written.
// A family heading's box takes it as a call; OK gives the preview as chosen.
class ImportPreview : public QDialog
{
    Q_OBJECT
public:
    ImportPreview(const ListFile::Preview &preview, const QString &fileName, QWidget *parent = nullptr);

    // The preview with the headings the caller took marked as imported.
    ListFile::Preview chosen() const;

    QLabel *lblSummary;
    QTableView *tblLines;
    QStandardItemModel *lines;
    QDialogButtonBox *buttons;

private:
    void showSummary();

    ListFile::Preview m_preview;
};
