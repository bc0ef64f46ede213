#include "ui/history/Progress.h"

#include "ui/kit/FileDialogs.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "ui/kit/PdfFile.h"
#include "core/app/SafeFile.h"
#include "core/calls/CallsSession.h"
#include "core/data/DataError.h"
#include "core/data/dataCall.h"
#include "core/history/History.h"
#include "ui/history/ProgressModel.h"
#include "core/sequences/LoadedSequences.h"
#include "ui/sequences/Sequences.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QVBoxLayout>

namespace {
QString fileNamed(const QString &file)
{
    return QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(file));
}
} // namespace

FormWindow *Progress::createWindow()
{
    auto *w = newWindow(QStringLiteral("Progress"), QStringLiteral("Progress"));
    Look::setClientSize(w, 9600, 9000);
    Controls &c = *m_ui;

    auto make = [w](auto *control, const char *name, const QString &accessible) {
        return Look::adopt(w, control, name, accessible);
    };
    c.lblList = make(new QLabel(QStringLiteral("&List:")), "lblList", QStringLiteral("List"));
    c.cboList = make(new QComboBox, "cboList", QStringLiteral("List"));
    c.lblList->setBuddy(c.cboList);
    c.lblHeadline = make(new QLabel, "lblHeadline", QStringLiteral("Calls used"));
    c.lblHeadline->setFont(Look::sansSerif(13.5, true));
    c.optUnused = make(new QRadioButton(QStringLiteral("U&nused")), "optUnused", QStringLiteral("Show unused calls"));
    c.optUsed = make(new QRadioButton(QStringLiteral("U&sed")), "optUsed", QStringLiteral("Show used calls"));
    c.optAll = make(new QRadioButton(QStringLiteral("&All")), "optAll", QStringLiteral("Show all calls"));
    c.optAll->setChecked(true);
    c.lblFilter = make(new QLabel(QStringLiteral("&Text:")), "lblFilter", QStringLiteral("Text"));
    c.txtFilter = make(new QLineEdit, "txtFilter", QStringLiteral("Calls containing"));
    c.txtFilter->setClearButtonEnabled(true);
    c.lblFilter->setBuddy(c.txtFilter);
    c.lblSort = make(new QLabel(QStringLiteral("S&ort by:")), "lblSort", QStringLiteral("Sort by"));
    c.cboSort = make(new QComboBox, "cboSort", QStringLiteral("Sort by"));
    c.cboSort->addItems({QStringLiteral("Name"), QStringLiteral("Last called"), QStringLiteral("Stored order"),
                         QStringLiteral("Times called")});
    c.cboSort->setCurrentIndex(ByStoredOrder);
    c.lblSort->setBuddy(c.cboSort);

    c.model = new ProgressModel(w);
    c.filter = new ProgressFilter(w);
    c.filter->setSourceModel(c.model);
    c.grdCalls = make(new QTableView, "grdCalls", QStringLiteral("Calls of the list"));
    c.grdCalls->setAccessibleDescription(QStringLiteral("Double click or Space marks a call used or unused"));
    c.grdCalls->setModel(c.filter);
    c.grdCalls->setSelectionBehavior(QAbstractItemView::SelectRows);
    c.grdCalls->setSelectionMode(QAbstractItemView::SingleSelection);
    c.grdCalls->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.grdCalls->setTabKeyNavigation(false);
    c.grdCalls->setWordWrap(false);
    c.grdCalls->verticalHeader()->hide();
    // Fixed heights and widths: nothing is measured row by row, so long lists stay quick.
    c.grdCalls->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    c.grdCalls->verticalHeader()->setDefaultSectionSize(c.grdCalls->fontMetrics().height() + 6);
    QHeaderView *head = c.grdCalls->horizontalHeader();
    head->setSectionResizeMode(ProgressModel::CallColumn, QHeaderView::Stretch);
    for (int col = ProgressModel::UsedColumn; col < ProgressModel::ColumnCount; ++col)
        head->resizeSection(col, head->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-07 19:30")) + 16);
    head->setSectionsClickable(true);
    head->setSortIndicatorShown(true);
    head->setSortIndicator(-1, Qt::AscendingOrder);

    c.cmdPrint = make(new QPushButton(QStringLiteral("&Print...")), "cmdPrint", QStringLiteral("Print"));
    c.cmdPdf = make(new QPushButton(QStringLiteral("Save P&DF...")), "cmdPdf", QStringLiteral("Save as PDF"));
    c.cmdCsv = make(new QPushButton(QStringLiteral("&Export View...")), "cmdCsv", QStringLiteral("Export view as CSV"));
    c.cmdHistoryCsv = make(new QPushButton(QStringLiteral("Export &History...")), "cmdHistoryCsv",
                           QStringLiteral("Export the whole history as CSV"));
    c.cmdClose = make(new QPushButton(QStringLiteral("&Close")), "cmdClose", QStringLiteral("Close"));
    w->setCancelButton(c.cmdClose);
    c.cmdSequences = make(new QPushButton(QStringLiteral("Se&quences...")), "cmdSequences",
                          QStringLiteral("Calls in sequence files"));

    auto *top = new QHBoxLayout;
    top->addWidget(c.lblList);
    top->addWidget(c.cboList, 1);
    top->addSpacing(24);
    top->addWidget(c.lblHeadline);
    auto *filters = new QHBoxLayout;
    for (QWidget *widget : {static_cast<QWidget *>(c.optUnused), static_cast<QWidget *>(c.optUsed),
                            static_cast<QWidget *>(c.optAll)})
        filters->addWidget(widget);
    filters->addSpacing(16);
    filters->addWidget(c.lblFilter);
    filters->addWidget(c.txtFilter, 1);
    filters->addSpacing(16);
    filters->addWidget(c.lblSort);
    filters->addWidget(c.cboSort);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {c.cmdPrint, c.cmdPdf, c.cmdCsv, c.cmdHistoryCsv, c.cmdSequences})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(c.cmdClose);
    auto *all = new QVBoxLayout(w);
    all->addLayout(top);
    all->addLayout(filters);
    all->addWidget(c.grdCalls, 1);
    all->addLayout(buttons);

    Look::tabOrder({c.cboList, c.optUnused, c.optUsed, c.optAll, c.txtFilter, c.cboSort, c.grdCalls, c.cmdPrint,
                    c.cmdPdf, c.cmdCsv, c.cmdHistoryCsv, c.cmdClose, c.cmdSequences});

    connect(c.cboList, &QComboBox::currentIndexChanged, this, &Progress::cboList_Change);
    connect(c.cboSort, &QComboBox::currentIndexChanged, this, &Progress::cboSort_Change);
    for (QRadioButton *o : {c.optUnused, c.optUsed, c.optAll})
        connect(o, &QRadioButton::toggled, this, &Progress::applyShow);
    connect(c.txtFilter, &QLineEdit::textChanged, c.filter, &ProgressFilter::setText);
    connect(head, &QHeaderView::sectionClicked, this, &Progress::grdCalls_HeaderClick);
    connect(c.grdCalls, &QTableView::doubleClicked, this, [this](const QModelIndex &i) { toggle(i.row()); });
    c.grdCalls->installEventFilter(this);
    connect(c.cmdPrint, &QPushButton::clicked, this, &Progress::cmdPrint_Click);
    connect(c.cmdPdf, &QPushButton::clicked, this, &Progress::cmdPdf_Click);
    connect(c.cmdCsv, &QPushButton::clicked, this, &Progress::cmdCsv_Click);
    connect(c.cmdHistoryCsv, &QPushButton::clicked, this, &Progress::cmdHistoryCsv_Click);
    connect(c.cmdClose, &QPushButton::clicked, this, &Progress::unload);
    connect(c.cmdSequences, &QPushButton::clicked, this, &Progress::cmdSequences_Click);
    connect(c.model, &QAbstractItemModel::columnsInserted, w, [head] {
        head->resizeSection(ProgressModel::SequencesColumn,
                            head->fontMetrics().horizontalAdvance(QStringLiteral("Sequences")) + 24);
    });
    connect(&LoadedSequences::instance(), &LoadedSequences::changed, w, [this] { applySequences(); });

    // Live from the calls session and from every face that sets used marks;
    // the connections go with the window.
    CallsSession &calls = CallsSession::instance();
    connect(&calls, &CallsSession::callDrawn, w, [this](const QVariant &id) { callDrawn(id); });
    connect(&calls, &CallsSession::callsReset, w, [this] { refresh(); });
    connect(&History::notifier(), &History::Notifier::marksChanged, w, [this](const QVariant &id) { refreshCall(id); });
    return w;
}

bool Progress::eventFilter(QObject *watched, QEvent *event)
{
    // Space ticks a call off from the keyboard, as a double click does.
    if (m_ui && watched == m_ui->grdCalls && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
        toggle(m_ui->grdCalls->currentIndex().row());
        return true;
    }
    return FormWith::eventFilter(watched, event);
}

void Progress::Form_Load()
{
    m_lastHistoryError.clear();
    Controls &c = *m_ui;
    QStringList lists;
    dataCall &data = dataCall::instance();
    try {
        data.run(Waiting::Patience::Command, [&] {
            lists.clear();
            QSqlQuery q(data.dcCalls());
            if (!q.exec(QStringLiteral("SELECT List FROM tblList GROUP BY List ORDER BY MIN(List_ID)")))
                throw data.failure(q.lastError());
            while (q.next())
                lists.append(q.value(0).toString());
        });
    } catch (const DataError &e) {
        if (!e.isCancelled())
            tell(QStringLiteral("The lists could not be read.\n\n") + e.message());
    }
    const QSignalBlocker blocker(c.cboList);
    c.cboList->addItems(lists);
}

void Progress::showList(const QString &list)
{
    show();
    QComboBox *box = m_ui->cboList;
    const int i = qMax(0, box->findText(list, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (i != box->currentIndex())
        box->setCurrentIndex(i); // refreshes
    else
        refresh();
    window()->raise();
    window()->activateWindow();
}

void Progress::cboList_Change()
{
    m_ui->model->setHighlight({});
    refresh();
}

void Progress::refresh()
{
    if (!m_ui)
        return;
    Controls &c = *m_ui;
    const QString list = c.cboList->currentText();
    QList<ProgressModel::Row> rows;
    dataCall &data = dataCall::instance();
    try {
        data.run(Waiting::Patience::Command, [&] {
            rows.clear();
            QSqlQuery q(data.dcCalls());
            q.setForwardOnly(true);
            q.prepare(QStringLiteral("SELECT c.Call_ID, c.Call_Name, c.Used FROM tblCalls c "
                                     "JOIN tblList l ON l.List_ID = c.List_ID WHERE l.List = ? ORDER BY c.Call_ID"));
            q.addBindValue(list);
            if (!q.exec())
                throw data.failure(q.lastError());
            while (q.next())
                rows.append({q.value(0), q.value(1).toString(), q.value(2).toInt() == 1, 0, {}, {}, {}});
            if (q.lastError().isValid())
                throw data.failure(q.lastError());
        });
    } catch (const DataError &e) {
        if (!e.isCancelled())
            tell(QStringLiteral("The calls of the list \"%1\" could not be read.\n\n").arg(list) + e.message());
    }
    try {
        const QHash<QString, History::Summary> summary = History::summaryOfList(list);
        // cppcheck-suppress knownEmptyContainer ; filled inside the attempt above
        for (ProgressModel::Row &r : rows) {
            const auto it = summary.constFind(r.name);
            if (it != summary.cend()) {
                r.times = it->times;
                r.last = it->last;
                r.lastUtc = it->lastUtc;
            }
        }
        m_lastHistoryError.clear();
    } catch (const DataError &e) {
        // The marks are still worth showing; the message comes once per cause.
        if (e.message() != m_lastHistoryError) {
            m_lastHistoryError = e.message();
            tell(QStringLiteral("How often and when the calls were called cannot be shown.\n\n") + e.message());
        }
    }
    c.model->setRows(std::move(rows));
    applySequences();
    c.lblHeadline->setText(headline());
}

void Progress::applySequences()
{
    if (!m_ui)
        return;
    const QHash<QString, int> *counts = LoadedSequences::instance().countsOf(m_ui->cboList->currentText());
    m_ui->model->setSequences(counts ? std::optional<QHash<QString, int>>(*counts) : std::nullopt);
}

void Progress::cmdSequences_Click()
{
    Sequences::instance().showList(m_ui->cboList->currentText());
}

void Progress::refreshCall(const QVariant &callId)
{
    // The window may be on its way out: its controls are gone before it is.
    if (!m_ui)
        return;
    Controls &c = *m_ui;
    const int row = callId.isNull() ? -1 : c.model->rowOf(callId);
    if (row < 0)
        return refresh();
    // One call changed: only its row is read again, so a long list follows a Use at once.
    ProgressModel::Row r = c.model->rows().at(row);
    dataCall &data = dataCall::instance();
    try {
        data.run(Waiting::Patience::Command, [&] {
            QSqlQuery q(data.dcCalls());
            q.prepare(QStringLiteral("SELECT Call_Name, Used FROM tblCalls WHERE Call_ID = ?"));
            q.addBindValue(callId);
            if (!q.exec())
                throw data.failure(q.lastError());
            if (!q.next())
                throw DataError(QString()); // gone: read the whole list again
            r.name = q.value(0).toString();
            r.used = q.value(1).toInt() == 1;
        });
        const History::Summary s = History::summaryOfList(c.cboList->currentText(), r.name).value(r.name);
        r.times = s.times;
        r.last = s.last;
        r.lastUtc = s.lastUtc;
    } catch (const DataError &) {
        return refresh();
    }
    c.model->setRow(row, r);
    c.lblHeadline->setText(headline());
}

QString Progress::headline() const
{
    if (!m_ui)
        return {};
    return QStringLiteral("%1 of %2 used").arg(m_ui->model->usedCount()).arg(m_ui->model->rowCount());
}

void Progress::applyShow()
{
    Controls &c = *m_ui;
    c.filter->setShow(c.optUnused->isChecked() ? ProgressFilter::Show::Unused
                      : c.optUsed->isChecked() ? ProgressFilter::Show::Used
                                               : ProgressFilter::Show::All);
}

void Progress::cboSort_Change()
{
    Controls &c = *m_ui;
    static const int columns[] = {ProgressModel::CallColumn, ProgressModel::LastColumn, -1, ProgressModel::TimesColumn};
    const int column = columns[qBound(0, c.cboSort->currentIndex(), 3)];
    // The latest and the most called first: what leads the evening leads the view.
    const Qt::SortOrder order = column == ProgressModel::LastColumn || column == ProgressModel::TimesColumn
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    c.filter->sort(column, order);
    c.grdCalls->horizontalHeader()->setSortIndicator(column, order);
}

void Progress::grdCalls_HeaderClick(int column)
{
    Controls &c = *m_ui;
    const Qt::SortOrder order = c.filter->sortColumn() == column && c.filter->sortOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    c.filter->sort(column, order);
    c.grdCalls->horizontalHeader()->setSortIndicator(column, order);
    const QSignalBlocker blocker(c.cboSort);
    if (column == ProgressModel::CallColumn)
        c.cboSort->setCurrentIndex(ByName);
    else if (column == ProgressModel::LastColumn)
        c.cboSort->setCurrentIndex(ByLastCalled);
    else if (column == ProgressModel::TimesColumn)
        c.cboSort->setCurrentIndex(ByTimesCalled);
}

void Progress::callDrawn(const QVariant &callId)
{
    if (!m_ui)
        return;
    Controls &c = *m_ui;
    c.model->setHighlight(callId);
    const int row = c.model->rowOf(callId);
    if (row < 0)
        return;
    const QModelIndex shown = c.filter->mapFromSource(c.model->index(row, 0));
    if (shown.isValid()) {
        c.grdCalls->setCurrentIndex(shown);
        c.grdCalls->scrollTo(shown);
    }
}

void Progress::toggle(int viewRow)
{
    Controls &c = *m_ui;
    const QModelIndex i = c.filter->index(viewRow, 0);
    if (!i.isValid())
        return;
    const QVariant id = i.data(ProgressModel::CallIdRole);
    const bool used = i.data(ProgressModel::UsedRole).toBool();
    dataCall &data = dataCall::instance();
    try {
        bool found = true;
        data.run(Waiting::Patience::Command, [&] { found = data.store().setUsed({id}, !used) > 0; });
        if (!found)
            refresh(); // the call is gone from the database
    } catch (const DataError &e) {
        if (!e.isCancelled())
            tell(QStringLiteral("\"%1\" could not be marked as %2; nothing was changed.\n\n")
                 .arg(i.data().toString(), used ? QStringLiteral("unused") : QStringLiteral("used"))
             + e.message());
    }
}

QString Progress::askFileName(const QString &caption, const QString &suggested, const QString &filter)
{
    return FileDialogs::saveFile(m_ui->cmdClose->window(), caption, suggested, filter);
}

void Progress::tell(const QString &text)
{
    Message::show(text, m_ui ? m_ui->cmdClose->window() : nullptr);
}

bool Progress::writeFile(const QString &file, const QByteArray &bytes)
{
    // Written beside the target and renamed: a failed save leaves the old file whole.
    const QString error = SafeFile::write(file, bytes);
    if (error.isEmpty())
        return true;
    tell(QStringLiteral("%1 could not be written: %2.").arg(fileNamed(file), error));
    return false;
}

bool Progress::savePdf(const QString &file)
{
    const QString list = m_ui->cboList->currentText();
    const QString error = PdfFile::save(file, list, [&](QPagedPaintDevice &pdf) {
        return ProgressPrint::print(pdf, *m_ui->filter, list, headline());
    });
    if (error.isEmpty())
        return true;
    tell(QStringLiteral("%1 could not be written: %2.").arg(fileNamed(file), error));
    return false;
}

bool Progress::saveCsv(const QString &file)
{
    return writeFile(file, ProgressPrint::csv(*m_ui->filter).toUtf8());
}

bool Progress::saveHistoryCsv(const QString &file)
{
    try {
        return writeFile(file, History::csv(History::records()).toUtf8());
    } catch (const DataError &e) {
        tell(e.message());
        return false;
    }
}

void Progress::cmdPrint_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, m_ui->cmdClose->window());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) {
        ProgressPrint::print(*p, *m_ui->filter, m_ui->cboList->currentText(), headline());
    });
    preview.exec();
}

void Progress::cmdPdf_Click()
{
    const QString file = askFileName(QStringLiteral("Save as PDF"), m_ui->cboList->currentText() + QStringLiteral(" progress.pdf"),
                                     QStringLiteral("PDF files (*.pdf)"));
    if (!file.isEmpty())
        savePdf(file);
}

void Progress::cmdCsv_Click()
{
    const QString file = askFileName(QStringLiteral("Export View"), m_ui->cboList->currentText() + QStringLiteral(" progress.csv"),
                                     QStringLiteral("CSV files (*.csv)"));
    if (!file.isEmpty())
        saveCsv(file);
}

void Progress::cmdHistoryCsv_Click()
{
    const QString file = askFileName(QStringLiteral("Export History"), QStringLiteral("Call history.csv"),
                                     QStringLiteral("CSV files (*.csv)"));
    if (!file.isEmpty())
        saveHistoryCsv(file);
}
