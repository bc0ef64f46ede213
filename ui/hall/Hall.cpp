#include "ui/hall/Hall.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/rotation/Plan.h"
#include "ui/hall/TipView.h"
#include "ui/kit/FocusRing.h"
#include "ui/kit/FileDialogs.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "ui/kit/PdfFile.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTableView>

#include <algorithm>

using namespace Rotation;

namespace {
const QStringList KindNames = {QStringLiteral("couple"), QStringLiteral("boy"), QStringLiteral("girl"),
                               QStringLiteral("either")};
const QStringList StatusNames = {QStringLiteral("present"), QStringLiteral("absent"), QStringLiteral("out"),
                                 QStringLiteral("must dance"), QStringLiteral("removed")};
} // namespace

// Each dancer still in the evening a row: name, kind, status, tips danced, tips sat out.
class HallDancers : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEvening(const Evening *evening)
    {
        beginResetModel();
        m_evening = evening;
        m_rows.clear();
        for (int d = 0; evening && d < evening->dancers().size(); ++d) {
            if (evening->dancers()[d].status != Status::Removed)
                m_rows.append(d);
        }
        endResetModel();
    }
    // The dancer a row shows; a removed dancer has no row.
    int dancer(int row) const { return m_rows.value(row, -1); }
    int row(int dancer) const { return static_cast<int>(m_rows.indexOf(dancer)); }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!m_evening || role != Qt::DisplayRole || index.row() >= rowCount())
            return {};
        const int d = m_rows[index.row()];
        const Dancer &one = m_evening->dancers()[d];
        switch (index.column()) {
        case 0:
            return one.name;
        case 1:
            return KindNames[static_cast<int>(one.kind)];
        case 2:
            return StatusNames[static_cast<int>(one.status)];
        case 3:
            return m_evening->tipsDanced(d);
        default:
            return m_evening->tipsSatOut(d);
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList headers = {QStringLiteral("Dancer"), QStringLiteral("Kind"), QStringLiteral("Status"),
                                            QStringLiteral("Danced"), QStringLiteral("Sat out")};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return headers.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    const Evening *m_evening = nullptr;
    QVector<int> m_rows;
};

// A window of its own, laid out by Qt's layouts rather than twips: it has no
// older layout to keep, and the tip view takes whatever room there is.
FormWindow *Hall::createWindow()
{
    auto *w = newWindow(QStringLiteral("Hall"), QStringLiteral("Hall"));
    Controls &c = *m_ui;
    auto button = [w](const char *name, const QString &text) {
        auto *b = new QPushButton(text, w);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    c.txtName = new QLineEdit(w);
    c.txtName->setObjectName(QStringLiteral("txtName"));
    c.txtName->setPlaceholderText(QStringLiteral("Names of a couple, or one solo dancer"));
    c.txtName->setAccessibleName(QStringLiteral("Name"));
    c.cboKind = new QComboBox(w);
    c.cboKind->setObjectName(QStringLiteral("cboKind"));
    c.cboKind->addItems({QStringLiteral("Couple"), QStringLiteral("Solo boy"), QStringLiteral("Solo girl"),
                         QStringLiteral("Solo, either")});
    c.cboKind->setAccessibleName(QStringLiteral("Kind"));
    c.cmdAdd = button("cmdAdd", QStringLiteral("&Add"));
    c.grdDancers = new QTableView(w);
    c.grdDancers->setObjectName(QStringLiteral("grdDancers"));
    c.dancers = new HallDancers(c.grdDancers);
    c.grdDancers->setModel(c.dancers);
    c.grdDancers->setSelectionBehavior(QAbstractItemView::SelectRows);
    c.grdDancers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.grdDancers->verticalHeader()->hide();
    c.grdDancers->horizontalHeader()->setStretchLastSection(true);
    c.cmdPresent = button("cmdPresent", QStringLiteral("&Present"));
    c.cmdAbsent = button("cmdAbsent", QStringLiteral("A&bsent"));
    c.cmdOut = button("cmdOut", QStringLiteral("Sit &Out"));
    c.cmdMustDance = button("cmdMustDance", QStringLiteral("&Must Dance"));
    c.cmdRemove = button("cmdRemove", QStringLiteral("Remo&ve"));
    c.cmdNextTip = button("cmdNextTip", QStringLiteral("&Next Tip"));
    c.cmdUndoTip = button("cmdUndoTip", QStringLiteral("&Undo Tip"));
    c.cmdFloor = button("cmdFloor", QStringLiteral("F&loor"));
    c.cmdNewEvening = button("cmdNewEvening", QStringLiteral("New &Evening"));
    c.spnAhead = new QSpinBox(w);
    c.spnAhead->setObjectName(QStringLiteral("spnAhead"));
    c.spnAhead->setRange(0, 50);
    c.spnAhead->setPrefix(QStringLiteral("Plan ahead: "));
    c.spnAhead->setSuffix(QStringLiteral(" tips"));
    c.spnAhead->setAccessibleName(QStringLiteral("Tips to plan ahead when printing"));
    c.cmdPrint = button("cmdPrint", QStringLiteral("P&rint..."));
    c.cmdSavePdf = button("cmdSavePdf", QStringLiteral("Save P&DF..."));
    c.picTip = new TipView(w);
    FocusRing::add(c.picTip);
    c.picTip->setObjectName(QStringLiteral("picTip"));
    c.lblSittingOut = new QLabel(w);
    c.lblSittingOut->setObjectName(QStringLiteral("lblSittingOut"));
    c.lblSittingOut->setTextFormat(Qt::PlainText); // names are the caller's text, never markup
    c.lblSittingOut->setWordWrap(true);
    c.lblTips = new QLabel(w);
    c.lblTips->setObjectName(QStringLiteral("lblTips"));
    c.lblTips->setTextFormat(Qt::PlainText);

    auto *add = new QHBoxLayout;
    add->addWidget(c.txtName, 1);
    add->addWidget(c.cboKind);
    add->addWidget(c.cmdAdd);
    auto *statuses = new QHBoxLayout;
    for (QPushButton *b : {c.cmdPresent, c.cmdAbsent, c.cmdOut, c.cmdMustDance, c.cmdRemove})
        statuses->addWidget(b);
    auto *left = new QVBoxLayout;
    left->addLayout(add);
    left->addWidget(c.grdDancers, 1);
    left->addLayout(statuses);
    auto *tips = new QHBoxLayout;
    for (QPushButton *b : {c.cmdNextTip, c.cmdUndoTip, c.cmdFloor})
        tips->addWidget(b);
    tips->addWidget(c.spnAhead);
    tips->addWidget(c.cmdPrint);
    tips->addWidget(c.cmdSavePdf);
    tips->addStretch(1);
    tips->addWidget(c.cmdNewEvening);
    auto *right = new QVBoxLayout;
    right->addLayout(tips);
    right->addWidget(c.picTip, 1);
    right->addWidget(c.lblSittingOut);
    right->addWidget(c.lblTips);
    auto *all = new QHBoxLayout(w);
    all->addLayout(left, 2);
    all->addLayout(right, 3);
    w->resize(Look::twips(15000), Look::twips(8000));
    Look::tabOrder({c.txtName, c.cboKind, c.cmdAdd, c.grdDancers, c.cmdPresent, c.cmdAbsent, c.cmdOut,
                    c.cmdMustDance, c.cmdRemove, c.cmdNextTip, c.cmdUndoTip, c.cmdFloor, c.spnAhead, c.cmdPrint, c.cmdSavePdf,
                    c.cmdNewEvening});

    connect(c.cmdAdd, &QPushButton::clicked, this, &Hall::cmdAdd_Click);
    connect(c.txtName, &QLineEdit::returnPressed, this, &Hall::cmdAdd_Click);
    connect(c.cmdPresent, &QPushButton::clicked, this, [this] { setStatus(Status::Present); });
    connect(c.cmdAbsent, &QPushButton::clicked, this, [this] { setStatus(Status::Absent); });
    connect(c.cmdOut, &QPushButton::clicked, this, [this] { setStatus(Status::Out); });
    connect(c.cmdMustDance, &QPushButton::clicked, this, [this] { setStatus(Status::MustDance); });
    connect(c.cmdRemove, &QPushButton::clicked, this, &Hall::cmdRemove_Click);
    connect(c.cmdNextTip, &QPushButton::clicked, this, &Hall::cmdNextTip_Click);
    connect(c.cmdUndoTip, &QPushButton::clicked, this, &Hall::cmdUndoTip_Click);
    connect(c.cmdFloor, &QPushButton::clicked, this, &Hall::cmdFloor_Click);
    connect(c.cmdNewEvening, &QPushButton::clicked, this, &Hall::cmdNewEvening_Click);
    connect(c.spnAhead, &QSpinBox::valueChanged, this, &Hall::refresh);
    connect(c.cmdPrint, &QPushButton::clicked, this, &Hall::cmdPrint_Click);
    connect(c.cmdSavePdf, &QPushButton::clicked, this, &Hall::cmdSavePdf_Click);
    return w;
}

// The dancer list reads the evening of m_file: it lets go before the file
// goes, since the base class hides the window (and the list asks) only after.
Hall::~Hall()
{
    if (m_ui)
        m_ui->dancers->setEvening(nullptr);
}

void Hall::Form_Load()
{
    m_ui->dancers->setEvening(nullptr);
    // The file of the call database in use now; reopened on every load, so an
    // evening written by another copy is seen.
    m_file = std::make_unique<EveningFile>(EveningFile::pathBeside(CallDatabase::path()));
    try {
        m_file->open();
    } catch (const DataError &e) {
        if (!e.isCancelled())
            Message::show(e.message(), window());
        m_file.reset();
    }
    refresh();
    m_ui->txtName->setFocus();
}

const Evening *Hall::evening() const
{
    const EveningFile *file = m_file.get();
    return file ? &file->evening() : nullptr;
}

template<typename Change>
bool Hall::change(Change work)
{
    if (!m_file) {
        Message::show(QStringLiteral("The evening's file could not be opened. Close the Hall window, put the file "
                                     "right and open the window again."),
                      window());
        return false;
    }
    try {
        work(*m_file);
    } catch (const DataError &e) {
        if (!e.isCancelled())
            Message::show(e.message(), window());
        refresh();
        return false;
    }
    refresh();
    return true;
}

void Hall::cmdAdd_Click()
{
    const QString name = m_ui->txtName->text().simplified();
    if (name.isEmpty())
        return;
    // An escape would reach the cards and a terminal raw; tabs and line breaks are spaces by now.
    if (std::any_of(name.begin(), name.end(), [](QChar ch) { return ch.category() == QChar::Other_Control; })) {
        Message::show(QStringLiteral("A dancer's name cannot hold a control character; it is not added."),
                      m_ui->txtName->window());
        return;
    }
    const Kind kind = static_cast<Kind>(std::max(0, m_ui->cboKind->currentIndex()));
    if (change([&](EveningFile &file) { file.addDancer(name, kind); })) {
        m_ui->txtName->clear();
        m_ui->grdDancers->selectRow(m_ui->dancers->rowCount() - 1);
    }
    m_ui->txtName->setFocus();
}

QList<int> Hall::selectedDancers() const
{
    QList<int> chosen;
    for (const QModelIndex &index : m_ui->grdDancers->selectionModel()->selectedRows())
        chosen.append(m_ui->dancers->dancer(index.row()));
    return chosen;
}

void Hall::setStatus(Status status)
{
    const QList<int> chosen = selectedDancers();
    if (chosen.isEmpty())
        return;
    change([&](EveningFile &file) {
        for (int d : chosen)
            file.setStatus(d, status);
    });
    for (int d : chosen)
        m_ui->grdDancers->selectionModel()->select(m_ui->dancers->index(m_ui->dancers->row(d), 0),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void Hall::cmdRemove_Click()
{
    const QList<int> chosen = selectedDancers();
    if (chosen.isEmpty())
        return;
    QStringList names;
    for (int d : chosen)
        names << m_file->evening().dancers()[d].name;
    if (!Message::ask(QStringLiteral("Remove %1 from the evening? The tips danced so far are kept.")
                          .arg(names.join(QStringLiteral(", "))),
                      window()))
        return;
    change([&](EveningFile &file) {
        for (int d : chosen)
            file.setStatus(d, Status::Removed);
    });
    m_ui->grdDancers->setFocus();
}

void Hall::cmdNextTip_Click()
{
    change([](EveningFile &file) { file.nextTip(); });
}

void Hall::cmdUndoTip_Click()
{
    change([](EveningFile &file) { file.undoTip(); });
}

void Hall::cmdFloor_Click()
{
    if (!m_floor) {
        m_floor = new TipView;
        m_floor->setObjectName(QStringLiteral("HallFloor"));
        m_floor->setWindowTitle(QStringLiteral("Hall - Floor"));
        m_floor->setAttribute(Qt::WA_DeleteOnClose);
        // It closes with the Hall window.
        connect(window(), &QObject::destroyed, m_floor.data(), &QWidget::close);
    }
    m_floor->showTip(evening());
    m_floor->showFullScreen();
    m_floor->activateWindow();
}

void Hall::cmdNewEvening_Click()
{
    if (!Message::ask(QStringLiteral("Start a new evening? The dancers and the tips so far are dropped."), window()))
        return;
    const std::uint32_t seed = QRandomGenerator::global()->generate();
    change([seed](EveningFile &file) { file.startNew(seed); });
}

int Hall::print(QPagedPaintDevice &printer, const Evening &evening)
{
    PdfFile::keepMargins(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const int tips = static_cast<int>(evening.tips().size());
    for (int tip = 1; tip <= tips; ++tip) {
        if (tip > 1)
            printer.newPage();
        const QRect page(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.logicalDpiX()).size());
        TipView::draw(painter, page, TipView::picture(&evening, tip), true);
    }
    painter.end();
    return tips;
}

std::optional<Evening> Hall::toPrint() const
{
    const Evening *e = evening();
    if (!e)
        return std::nullopt;
    // Planned on a copy: nothing planned is written or counted.
    Evening planned = ahead(*e, m_ui->spnAhead->value());
    if (planned.tips().isEmpty())
        return std::nullopt;
    return planned;
}

void Hall::cmdPrint_Click()
{
    const std::optional<Evening> e = toPrint();
    if (!e)
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, window());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&e](QPrinter *p) { print(*p, *e); });
    preview.exec();
}

void Hall::cmdSavePdf_Click()
{
    const std::optional<Evening> e = toPrint();
    if (!e)
        return;
    const QString file = FileDialogs::saveFile(window(), QStringLiteral("Save the tips as PDF"), QStringLiteral("evening.pdf"),
                                               QStringLiteral("PDF (*.pdf)"));
    if (file.isEmpty())
        return;
    const QString error = PdfFile::save(file, QStringLiteral("Evening"), [&e](QPagedPaintDevice &pdf) { return print(pdf, *e); });
    if (!error.isEmpty())
        Message::show(QStringLiteral("\"%1\" could not be written: %2.").arg(QDir::toNativeSeparators(file), error), window());
}

void Hall::refresh()
{
    const Evening *e = evening();
    m_ui->dancers->setEvening(e);
    m_ui->picTip->showTip(e);
    if (m_floor)
        m_floor->showTip(e);
    QStringList out;
    if (e && !e->tips().isEmpty()) {
        const Tip &tip = e->tips().last();
        for (int d = 0; d < tip.spots.size(); ++d) {
            if (tip.spots[d].square == 0 && inHall(tip.statuses[d]))
                out << e->dancers()[d].name;
        }
    }
    m_ui->lblSittingOut->setText(QStringLiteral("Sitting out: ") + (out.isEmpty() ? QStringLiteral("nobody") : out.join(QStringLiteral(", "))));
    m_ui->lblTips->setText(QStringLiteral("Tips so far: %1").arg(e ? e->tips().size() : 0));
    const bool tips = e && !e->tips().isEmpty();
    m_ui->cmdUndoTip->setEnabled(tips);
    const bool printable = tips || (e && !e->dancers().isEmpty() && m_ui->spnAhead->value() > 0);
    m_ui->cmdPrint->setEnabled(printable);
    m_ui->cmdSavePdf->setEnabled(printable);
}
