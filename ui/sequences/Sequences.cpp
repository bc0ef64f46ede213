#include "ui/sequences/Sequences.h"

#include "core/app/SafeFile.h"
#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/lists/ListStore.h"
#include "core/sequences/ListCoverage.h"
#include "core/sequences/LoadedSequences.h"
#include "ui/history/ProgressModel.h"
#include "ui/kit/FileDialogs.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "ui/lists/Lists.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <functional>
#include <limits>

namespace {
constexpr int SortRole = Qt::UserRole + 1;

QString plural(qsizetype n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

// "seq.Plus:8": the folder is on the file's row above.
QString shortPlace(const Coverage::Place &place)
{
    return place.isNull() ? QString() : QFileInfo(place.file).fileName() + QLatin1Char(':') + QString::number(place.line);
}

QStandardItem *cell(const QString &text, const QVariant &sortKey)
{
    auto *item = new QStandardItem(text);
    item->setData(sortKey, SortRole);
    return item;
}
} // namespace

// Used, unused or all calls, and a text the name contains.
class CoverageFilter : public QSortFilterProxyModel
{
public:
    enum class Show { Used, Unused, All };
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void set(Show show, const QString &text)
    {
        m_show = show;
        m_text = text.trimmed();
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const QAbstractItemModel *m = sourceModel();
        const bool used = m->index(row, Sequences::SequencesColumn, parent).data(SortRole).toInt() > 0;
        if ((m_show == Show::Used && !used) || (m_show == Show::Unused && used))
            return false;
        return m_text.isEmpty() || m->index(row, Sequences::CallColumn, parent).data().toString().contains(m_text, Qt::CaseInsensitive);
    }

private:
    Show m_show = Show::All;
    QString m_text;
};

Sequences::Sequences() = default;
Sequences::~Sequences() = default;

FormWindow *Sequences::createWindow()
{
    auto *w = newWindow(QStringLiteral("Sequences"), QStringLiteral("Sequences"));
    Look::setClientSize(w, 10800, 9600);
    Controls &c = *m_ui;

    auto make = [w](auto *control, const char *name, const QString &accessible) {
        return Look::adopt(w, control, name, accessible);
    };
    auto label = [&](QLabel *&member, const char *name, const QString &text, QWidget *buddy) {
        member = make(new QLabel(text), name, QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
        member->setTextFormat(Qt::PlainText);
        member->setBuddy(buddy);
    };
    auto button = [&](QPushButton *&member, const char *name, const QString &text, const QString &accessible,
                      void (Sequences::*click)()) {
        member = make(new QPushButton(text), name, accessible);
        member->setAutoDefault(false);
        if (click)
            connect(member, &QPushButton::clicked, this, click);
    };
    auto table = [&](QTableView *&member, const char *name, QAbstractItemModel *model, const QString &accessible) {
        member = make(new QTableView, name, accessible);
        member->setModel(model);
        member->setSelectionBehavior(QAbstractItemView::SelectRows);
        member->setSelectionMode(QAbstractItemView::SingleSelection);
        member->setEditTriggers(QAbstractItemView::NoEditTriggers);
        member->setTabKeyNavigation(false);
        member->setWordWrap(false);
        member->verticalHeader()->hide();
        member->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        member->verticalHeader()->setDefaultSectionSize(member->fontMetrics().height() + 6);
    };

    c.cboList = make(new QComboBox, "cboList", QStringLiteral("List"));
    label(c.lblList, "lblList", QStringLiteral("L&ist:"), c.cboList);
    c.lblSummary = make(new QLabel, "lblSummary", QStringLiteral("Calls used"));
    c.lblSummary->setTextFormat(Qt::PlainText);
    c.lblSummary->setFont(Look::sansSerif(10, true));

    c.lstFiles = make(new QListWidget, "lstFiles", QStringLiteral("Sequence files"));
    c.lstFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    c.lstFiles->setMaximumHeight(c.lstFiles->fontMetrics().height() * 5 + 8);
    label(c.lblFiles, "lblFiles", QStringLiteral("&Files:"), c.lstFiles);
    button(c.cmdAdd, "cmdAdd", QStringLiteral("&Add Files..."), QStringLiteral("Add sequence files"), &Sequences::cmdAdd_Click);
    button(c.cmdRemove, "cmdRemove", QStringLiteral("&Remove"), QStringLiteral("Remove the chosen files"),
           &Sequences::cmdRemove_Click);

    c.optUsed = make(new QRadioButton(QStringLiteral("U&sed")), "optUsed", QStringLiteral("Show calls the files use"));
    c.optUnused = make(new QRadioButton(QStringLiteral("U&nused")), "optUnused",
                       QStringLiteral("Show calls the files do not use"));
    c.optAll = make(new QRadioButton(QStringLiteral("A&ll")), "optAll", QStringLiteral("Show all calls"));
    c.optAll->setChecked(true);
    c.txtFilter = make(new QLineEdit, "txtFilter", QStringLiteral("Calls containing"));
    c.txtFilter->setClearButtonEnabled(true);
    label(c.lblFilter, "lblFilter", QStringLiteral("&Text:"), c.txtFilter);

    c.coverage = new QStandardItemModel(0, 3, w);
    c.coverage->setHorizontalHeaderLabels(
        {QStringLiteral("Call"), QStringLiteral("Sequences"), QStringLiteral("First used")});
    c.filter = new CoverageFilter(w);
    c.filter->setSourceModel(c.coverage);
    c.filter->setSortRole(SortRole);
    table(c.grdCoverage, "grdCoverage", c.filter, QStringLiteral("Calls of the list in the sequences"));
    QHeaderView *head = c.grdCoverage->horizontalHeader();
    head->setSectionResizeMode(CallColumn, QHeaderView::Stretch);
    head->resizeSection(SequencesColumn, head->fontMetrics().horizontalAdvance(QStringLiteral("Sequences")) + 24);
    head->resizeSection(FirstColumn, head->fontMetrics().horizontalAdvance(QStringLiteral("taminations-test.txt:1234")) + 16);
    c.grdCoverage->setSortingEnabled(true);
    c.grdCoverage->sortByColumn(-1, Qt::AscendingOrder);
    label(c.lblCoverage, "lblCoverage", QStringLiteral("Co&verage:"), c.grdCoverage);

    c.unrecognised = new QStandardItemModel(0, 2, w);
    c.unrecognised->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Text")});
    table(c.grdUnrecognised, "grdUnrecognised", c.unrecognised, QStringLiteral("Lines naming no call of any list"));
    c.grdUnrecognised->horizontalHeader()->resizeSection(0, head->sectionSize(FirstColumn));
    c.grdUnrecognised->horizontalHeader()->setStretchLastSection(true);
    label(c.lblUnrecognised, "lblUnrecognised", QStringLiteral("Not reco&gnised:"), c.grdUnrecognised);

    button(c.cmdCsv, "cmdCsv", QStringLiteral("Export &CSV..."), QStringLiteral("Export the coverage as CSV"),
           &Sequences::cmdCsv_Click);
    button(c.cmdPrint, "cmdPrint", QStringLiteral("&Print..."), QStringLiteral("Print"), &Sequences::cmdPrint_Click);
    button(c.cmdMarkUsed, "cmdMarkUsed", QStringLiteral("&Mark Covered Used"),
           QStringLiteral("Mark the calls the files use as used"), &Sequences::cmdMarkUsed_Click);
    button(c.cmdClose, "cmdClose", QStringLiteral("Cl&ose"), QStringLiteral("Close"), &Sequences::unload);
    w->setCancelButton(c.cmdClose);

    auto *top = new QHBoxLayout;
    top->addWidget(c.lblList);
    top->addWidget(c.cboList, 1);
    top->addSpacing(24);
    top->addWidget(c.lblSummary);
    auto *fileButtons = new QVBoxLayout;
    fileButtons->addWidget(c.cmdAdd);
    fileButtons->addWidget(c.cmdRemove);
    fileButtons->addStretch(1);
    auto *files = new QHBoxLayout;
    files->addWidget(c.lstFiles, 1);
    files->addLayout(fileButtons);
    auto *filters = new QHBoxLayout;
    for (QWidget *widget : {static_cast<QWidget *>(c.optUsed), static_cast<QWidget *>(c.optUnused),
                            static_cast<QWidget *>(c.optAll)})
        filters->addWidget(widget);
    filters->addSpacing(16);
    filters->addWidget(c.lblFilter);
    filters->addWidget(c.txtFilter, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {c.cmdCsv, c.cmdPrint, c.cmdMarkUsed})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(c.cmdClose);
    auto *all = new QVBoxLayout(w);
    all->addLayout(top);
    all->addWidget(c.lblFiles);
    all->addLayout(files);
    all->addLayout(filters);
    all->addWidget(c.lblCoverage);
    all->addWidget(c.grdCoverage, 3);
    all->addWidget(c.lblUnrecognised);
    all->addWidget(c.grdUnrecognised, 1);
    all->addLayout(buttons);

    Look::tabOrder({c.cboList, c.lstFiles, c.cmdAdd, c.cmdRemove, c.optUsed, c.optUnused, c.optAll, c.txtFilter,
                    c.grdCoverage, c.grdUnrecognised, c.cmdCsv, c.cmdPrint, c.cmdMarkUsed, c.cmdClose});

    connect(c.cboList, &QComboBox::currentIndexChanged, this, &Sequences::recount);
    for (QRadioButton *o : {c.optUsed, c.optUnused, c.optAll})
        connect(o, &QRadioButton::toggled, this, &Sequences::applyShow);
    connect(c.txtFilter, &QLineEdit::textChanged, this, &Sequences::applyShow);
    return w;
}

void Sequences::Form_Load()
{
    Controls &c = *m_ui;
    QList<ListStore::List> lists;
    try {
        lists = store().lists();
    } catch (const DataError &e) {
        if (!e.isCancelled())
            tell(e.message());
    }
    const QSignalBlocker quiet(c.cboList);
    for (const ListStore::List &list : std::as_const(lists))
        c.cboList->addItem(list.name, list.id);
    showReport();
}

void Sequences::Form_Unload()
{
    // The files go with the window, and so do the counts others show.
    m_files.clear();
    m_report = {};
    m_store.reset();
    LoadedSequences::instance().clear();
    FormWith::Form_Unload();
}

ListStore &Sequences::store()
{
    if (!m_store)
        m_store = std::make_unique<ListStore>(CallDatabase::path());
    return *m_store;
}

std::optional<int> Sequences::currentListId() const
{
    if (!m_ui || m_ui->cboList->currentIndex() < 0)
        return std::nullopt;
    return m_ui->cboList->currentData().toInt();
}

void Sequences::showList(const QString &list)
{
    Form::show();
    QComboBox *box = m_ui->cboList;
    const int i = qMax(0, box->findText(list, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (i != box->currentIndex())
        box->setCurrentIndex(i); // recounts
    else
        recount();
    window()->raise();
    window()->activateWindow();
}

void Sequences::addFiles(const QStringList &files)
{
    QStringList added;
    for (const QString &file : files) {
        const QString path = QFileInfo(file).absoluteFilePath();
        const bool known = std::any_of(m_files.cbegin(), m_files.cend(),
                                       [&](const SequenceFile::Parsed &p) { return p.file == path; });
        if (!known && !added.contains(path))
            added.append(path);
    }
    if (added.isEmpty())
        return;
    try {
        m_files += ListCoverage::read(added);
    } catch (const DataError &e) {
        tell(QStringLiteral("%1\n\nNo file was added.").arg(e.message()));
        return;
    }
    for (const QString &path : std::as_const(added))
        m_ui->lstFiles->addItem(QDir::toNativeSeparators(path));
    recount();
}

void Sequences::recount()
{
    if (!m_ui)
        return;
    const std::optional<int> listId = currentListId();
    Coverage::Report fresh;
    try {
        if (listId)
            fresh = ListCoverage::of(store(), *listId, m_files);
    } catch (const DataError &e) {
        if (!e.isCancelled())
            tell(e.message());
    }
    m_report = fresh;
    showReport();
    if (m_files.isEmpty() || !listId) {
        LoadedSequences::instance().clear();
        return;
    }
    QHash<QString, int> counts;
    for (const Coverage::Entry &entry : std::as_const(m_report.entries))
        counts.insert(entry.name, entry.sequences);
    LoadedSequences::instance().set(m_ui->cboList->currentText(), counts);
}

void Sequences::showReport()
{
    Controls &c = *m_ui;
    c.coverage->removeRows(0, c.coverage->rowCount());
    QHash<QString, int> fileOrder;
    for (const SequenceFile::Parsed &p : std::as_const(m_files))
        fileOrder.insert(p.file, int(fileOrder.size()));
    for (const Coverage::Entry &entry : std::as_const(m_report.entries)) {
        // Unused last when sorted by first use; then by file, then by line.
        const qint64 first = entry.first.isNull() ? std::numeric_limits<qint64>::max()
                                                  : qint64(fileOrder.value(entry.first.file)) << 32 | entry.first.line;
        QStandardItem *count = cell(QString::number(entry.sequences), entry.sequences);
        count->setTextAlignment(Qt::AlignCenter);
        c.coverage->appendRow({cell(entry.name, entry.name.toCaseFolded()), count,
                               cell(shortPlace(entry.first), first)});
    }
    c.unrecognised->removeRows(0, c.unrecognised->rowCount());
    for (const Coverage::LineCalls &line : std::as_const(m_report.unrecognised))
        c.unrecognised->appendRow({new QStandardItem(shortPlace(line.place)), new QStandardItem(line.text)});
    c.lblSummary->setText(summary());
    const bool loaded = !m_files.isEmpty();
    c.cmdRemove->setEnabled(loaded);
    c.cmdCsv->setEnabled(loaded);
    c.cmdPrint->setEnabled(loaded);
    c.cmdMarkUsed->setEnabled(loaded);
}

QString Sequences::summary() const
{
    if (m_files.isEmpty())
        return QStringLiteral("No files");
    qsizetype sequences = 0;
    for (const SequenceFile::Parsed &p : m_files)
        sequences += p.sequences.size();
    const qsizetype used = m_report.entries.size() - m_report.unused().size();
    return QStringLiteral("%1 of %2 used in %3").arg(used).arg(m_report.entries.size()).arg(plural(sequences, "sequence", "sequences"));
}

void Sequences::applyShow()
{
    Controls &c = *m_ui;
    c.filter->set(c.optUsed->isChecked()     ? CoverageFilter::Show::Used
                  : c.optUnused->isChecked() ? CoverageFilter::Show::Unused
                                             : CoverageFilter::Show::All,
                  c.txtFilter->text());
}

void Sequences::cmdAdd_Click()
{
    QStringList files;
    if (nextFileNames()) {
        files = *nextFileNames();
        nextFileNames().reset();
    } else {
        files = QFileDialog::getOpenFileNames(window(), QStringLiteral("Add sequence files"), FileDialogs::startFolder(),
                                              QStringLiteral("All files (*);;Text files (*.txt)"));
        if (!files.isEmpty())
            FileDialogs::remember(files.constFirst());
    }
    addFiles(files);
}

void Sequences::cmdRemove_Click()
{
    Controls &c = *m_ui;
    QList<int> rows;
    for (const QListWidgetItem *item : c.lstFiles->selectedItems())
        rows.append(c.lstFiles->row(item));
    if (rows.isEmpty() && c.lstFiles->currentRow() >= 0)
        rows.append(c.lstFiles->currentRow());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (const int row : std::as_const(rows)) {
        delete c.lstFiles->takeItem(row);
        m_files.removeAt(row);
    }
    if (!rows.isEmpty())
        recount();
}

void Sequences::cmdCsv_Click()
{
    QString file;
    if (nextFileNames()) {
        file = nextFileNames()->value(0);
        nextFileNames().reset();
    } else {
        const QString suggested = m_ui->cboList->currentText().replace(QLatin1Char('/'), QLatin1Char('-'))
                                  + QStringLiteral(" coverage.csv");
        file = FileDialogs::saveFile(window(), QStringLiteral("Export CSV"), suggested, QStringLiteral("CSV files (*.csv)"));
    }
    if (file.isEmpty())
        return;
    // Written beside the target and renamed: a failed export leaves the old file whole.
    const QString error = SafeFile::write(file, ListCoverage::csv(m_report));
    if (!error.isEmpty())
        tell(QStringLiteral("\"%1\" could not be written: %2.").arg(QDir::toNativeSeparators(file), error));
}

void Sequences::cmdPrint_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, window());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) {
        ProgressPrint::print(*p, *m_ui->filter, m_ui->cboList->currentText(), summary(), {0.0, 0.6, 0.72, 1.0});
    });
    preview.exec();
}

void Sequences::cmdMarkUsed_Click()
{
    const std::optional<int> listId = currentListId();
    if (!listId || m_files.isEmpty())
        return;
    const QString list = m_ui->cboList->currentText();
    try {
        const ListCoverage::Marks marks = ListCoverage::coveredUnused(store(), *listId, m_report);
        if (marks.ids.isEmpty()) {
            tell(QStringLiteral("Every call of \"%1\" the files use is marked used already.").arg(list));
            return;
        }
        if (!Message::ask(QStringLiteral("Mark %1 of \"%2\" used?").arg(plural(marks.ids.size(), "call", "calls"), list),
                          window()))
            return;
        store().setUsedFrom(marks.ids, marks.sources);
    } catch (const DataError &e) {
        if (!e.isCancelled())
            tell(e.message());
    }
    if (Lists *lists = Form::existing<Lists>(); lists && lists->isLoaded())
        lists->refresh();
}

void Sequences::tell(const QString &text)
{
    Message::show(text, m_ui ? m_ui->cmdClose->window() : nullptr);
}
