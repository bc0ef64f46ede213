#include "ui/lists/ImportPreview.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

ImportPreview::ImportPreview(const ListFile::Preview &preview, const QString &fileName, QWidget *parent)
    : QDialog(parent), m_preview(preview)
{
    setObjectName(QStringLiteral("dlgImportPreview"));
    setWindowTitle(QStringLiteral("Import \"%1\"").arg(fileName));

    lines = new QStandardItemModel(0, preview.csv ? 4 : 3, this);
    QStringList heads{QStringLiteral("Line"), QStringLiteral("Call")};
    if (preview.csv)
        heads.append(QStringLiteral("List"));
    heads.append(QStringLiteral("Verdict"));
    lines->setHorizontalHeaderLabels(heads);
    for (const ListFile::Verdict &v : preview.lines) {
        auto *number = new QStandardItem(QString::number(v.line));
        // The box sits where the keyboard starts: Space on a row takes or leaves it.
        if (v.heading) {
            number->setCheckable(true);
            number->setCheckState(Qt::Unchecked);
        }
        QList<QStandardItem *> row{number, new QStandardItem(v.call.isEmpty() ? v.text : v.call)};
        if (preview.csv)
            row.append(new QStandardItem(v.list));
        row.append(new QStandardItem(v.imported ? QStringLiteral("call") : v.reason));
        for (QStandardItem *item : row)
            item->setEditable(false);
        lines->appendRow(row);
    }
    connect(lines, &QStandardItemModel::itemChanged, this, [this](QStandardItem *item) {
        if (item->column() != 0 || !item->isCheckable())
            return;
        const bool taken = item->checkState() == Qt::Checked;
        ListFile::Verdict &v = m_preview.lines[item->row()];
        v.imported = taken;
        lines->item(item->row(), lines->columnCount() - 1)->setText(taken ? QStringLiteral("call (a heading taken)")
                                                                          : v.reason);
        showSummary();
    });

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    tblLines = new QTableView(this);
    tblLines->setObjectName(QStringLiteral("tblLines"));
    tblLines->setAccessibleName(QStringLiteral("Lines of the file"));
    tblLines->setModel(lines);
    tblLines->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblLines->setSelectionMode(QAbstractItemView::SingleSelection);
    tblLines->verticalHeader()->hide();
    tblLines->horizontalHeader()->setStretchLastSection(true);
    tblLines->resizeColumnsToContents();
    tblLines->setCurrentIndex(lines->index(0, 0));
    lblSummary->setBuddy(tblLines);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->setAccessibleName(QStringLiteral("Import or cancel"));
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setText(QStringLiteral("&Import"));
    ok->setAccessibleName(QStringLiteral("Import"));
    QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(tblLines, 1);
    layout->addWidget(buttons);
    setTabOrder(tblLines, ok);
    setTabOrder(ok, cancel);
    resize(640, 480);
    showSummary();
}

ListFile::Preview ImportPreview::chosen() const
{
    return m_preview;
}

void ImportPreview::showSummary()
{
    qsizetype calls = 0;
    for (const ListFile::NamedList &list : m_preview.lists())
        calls += list.calls.size();
    lblSummary->setText(QStringLiteral("%1 of %2 lines become calls. Space on a family heading takes it as a call.")
                            .arg(calls)
                            .arg(m_preview.lines.size()));
    lblSummary->setAccessibleName(lblSummary->text());
}
