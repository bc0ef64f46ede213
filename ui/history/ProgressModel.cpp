#include "ui/history/ProgressModel.h"

#include "core/history/History.h"
#include "ui/kit/PdfFile.h"


#include <QApplication>
#include <QDate>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <QPagedPaintDevice>

void ProgressModel::setRows(QList<Row> rows)
{
    const bool sameCalls = rows.size() == m_rows.size()
                           && std::equal(rows.cbegin(), rows.cend(), m_rows.cbegin(),
                                         [](const Row &a, const Row &b) { return a.id == b.id; });
    if (!sameCalls) {
        for (Row &r : rows)
            r.key = r.name.toCaseFolded();
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    for (int i = 0; i < rows.size(); ++i) {
        const Row &a = rows[i];
        const Row &b = m_rows[i];
        if (a.name == b.name && a.used == b.used && a.times == b.times && a.lastUtc == b.lastUtc)
            continue;
        setRow(i, a);
    }
}

void ProgressModel::setRow(int row, const Row &values)
{
    m_rows[row] = values;
    m_rows[row].key = values.name.toCaseFolded();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int ProgressModel::usedCount() const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(), [](const Row &r) { return r.used; }));
}

int ProgressModel::rowOf(const QVariant &callId) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].id == callId)
            return i;
    }
    return -1;
}

void ProgressModel::setHighlight(const QVariant &callId)
{
    const int before = rowOf(m_highlight);
    m_highlight = callId;
    for (const int row : {before, rowOf(callId)}) {
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}

void ProgressModel::setSequences(const std::optional<QHash<QString, int>> &counts)
{
    if (counts.has_value() != m_sequences.has_value()) {
        if (counts)
            beginInsertColumns({}, SequencesColumn, SequencesColumn);
        else
            beginRemoveColumns({}, SequencesColumn, SequencesColumn);
        m_sequences = counts;
        if (counts)
            endInsertColumns();
        else
            endRemoveColumns();
        return;
    }
    m_sequences = counts;
    if (counts && !m_rows.isEmpty())
        emit dataChanged(index(0, SequencesColumn), index(int(m_rows.size()) - 1, SequencesColumn));
}

int ProgressModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ProgressModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount + (m_sequences ? 1 : 0);
}

QVariant ProgressModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case CallColumn:
            return r.name;
        case UsedColumn:
            return r.used ? QStringLiteral("Yes") : QStringLiteral("No");
        case TimesColumn:
            return r.times;
        case SequencesColumn:
            return m_sequences ? QVariant(m_sequences->value(r.name)) : QVariant();
        case LastColumn:
            // "2026-12-07T19:30:05+01:00" reads as "2026-12-07 19:30".
            return r.last.left(16).replace(QLatin1Char('T'), QLatin1Char(' '));
        }
        break;
    case SortRole:
        switch (index.column()) {
        case CallColumn:
            // Folded: without a collating locale ("C") case would still count.
            return r.key;
        case UsedColumn:
            return int(r.used);
        case TimesColumn:
            return r.times;
        case LastColumn:
            return r.lastUtc;
        case SequencesColumn:
            return m_sequences ? m_sequences->value(r.name) : 0;
        }
        break;
    case CallIdRole:
        return r.id;
    case UsedRole:
        return r.used;
    case Qt::TextAlignmentRole:
        return index.column() == CallColumn ? QVariant() : QVariant(Qt::AlignCenter);
    case Qt::FontRole:
        if (r.id == m_highlight) {
            QFont f = QApplication::font();
            f.setBold(true);
            return f;
        }
        break;
    case Qt::BackgroundRole:
        if (r.id == m_highlight)
            return QApplication::palette().color(QPalette::AlternateBase).darker(115);
        break;
    }
    return {};
}

QVariant ProgressModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QString heads[ColumnCount + 1] = {QStringLiteral("Call"), QStringLiteral("Used"),
                                                   QStringLiteral("Times called"), QStringLiteral("Last called"),
                                                   QStringLiteral("Sequences")};
    return section >= 0 && section < columnCount() ? heads[section] : QVariant();
}

ProgressFilter::ProgressFilter(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(ProgressModel::SortRole);
    // The keys come folded; a plain comparison keeps 10,000 rows quick to sort.
    setSortCaseSensitivity(Qt::CaseSensitive);
}

void ProgressFilter::setShow(Show show)
{
    m_show = show;
    invalidateRowsFilter();
}

void ProgressFilter::setText(const QString &text)
{
    m_text = text.trimmed();
    invalidateRowsFilter();
}

bool ProgressFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const auto &row = static_cast<const ProgressModel *>(sourceModel())->rows().at(sourceRow);
    if ((m_show == Show::Unused && row.used) || (m_show == Show::Used && !row.used))
        return false;
    return m_text.isEmpty() || row.name.contains(m_text, Qt::CaseInsensitive);
}

namespace ProgressPrint {

namespace {
struct Page
{
    QFont title;
    QFont body;
    QFont bold;
    qreal line = 0;
    qreal titleHeight = 0;
    QRectF area;
    int rows = 1;
};

Page pageFor(QPagedPaintDevice &printer)
{
    PdfFile::keepMargins(printer);
    Page p;
    p.title = QFont(QApplication::font().family(), 14, QFont::Bold);
    p.body = QFont(QApplication::font().family(), 10);
    p.bold = p.body;
    p.bold.setBold(true);
    p.line = QFontMetricsF(p.body, &printer).height() * 1.4;
    p.titleHeight = QFontMetricsF(p.title, &printer).height() * 1.3;
    const QRect paint = printer.pageLayout().paintRectPixels(printer.logicalDpiX());
    p.area = QRectF(0, 0, paint.width(), paint.height());
    // Title, date and headline, a gap, column heads; the page number at the foot.
    const qreal fixed = p.titleHeight + p.line * 3.5 + p.line * 1.5;
    p.rows = qMax(1, int((p.area.height() - fixed) / p.line));
    return p;
}

constexpr qreal ColumnStart[ProgressModel::ColumnCount + 1] = {0.0, 0.52, 0.64, 0.79, 1.0};
} // namespace

int rowsPerPage(QPagedPaintDevice &printer)
{
    return pageFor(printer).rows;
}

int print(QPagedPaintDevice &printer, const QAbstractItemModel &view, const QString &list, const QString &headline,
          QList<qreal> columnStarts)
{
    if (columnStarts.isEmpty())
        columnStarts = QList<qreal>(std::begin(ColumnStart), std::end(ColumnStart));
    const Page p = pageFor(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const int total = view.rowCount();
    const qreal width = p.area.width();
    const QString date = QDate::currentDate().toString(Qt::ISODate);

    const int columns = int(columnStarts.size()) - 1;
    auto cell = [&](int c, qreal y, qreal height) {
        return QRectF(width * columnStarts[c], y, width * (columnStarts[c + 1] - columnStarts[c]) - p.line / 2, height);
    };
    auto align = [](int c) { return (c == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter | Qt::TextWordWrap; };
    // A long name wraps in its column: the row grows rather than lose the name's end.
    auto height = [&](const QFont &font, auto text) {
        const QFontMetricsF fm(font, &printer);
        qreal most = p.line;
        for (int c = 0; c < columns; ++c)
            most = qMax(most, fm.boundingRect(cell(c, 0, 1e6), align(c), text(c)).height() + p.line - fm.height());
        return most;
    };
    auto cells = [&](qreal y, const QFont &font, auto text) {
        painter.setFont(font);
        const qreal h = height(font, text);
        for (int c = 0; c < columns; ++c)
            painter.drawText(cell(c, y, h), align(c), text(c));
        return h;
    };
    auto rowText = [&](int r) { return [&view, r](int c) { return view.index(r, c).data().toString(); }; };

    // Where each page begins, by the rows' heights.
    QList<int> starts{0};
    qreal filled = 0;
    for (int r = 0; r < total; ++r) {
        const qreal h = height(p.body, rowText(r));
        if (filled > 0 && filled + h > p.rows * p.line + 0.5) {
            starts << r;
            filled = 0;
        }
        filled += h;
    }
    starts << total;
    const int pages = int(starts.size()) - 1;

    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            printer.newPage();
        qreal y = 0;
        painter.setFont(p.title);
        painter.drawText(QRectF(0, y, width, p.titleHeight), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, list);
        y += p.titleHeight;
        painter.setFont(p.body);
        painter.drawText(QRectF(0, y, width, p.line), Qt::AlignLeft | Qt::AlignVCenter,
                         date + QStringLiteral("    ") + headline);
        y += p.line * 2;
        y += cells(y, p.bold, [&](int c) { return view.headerData(c, Qt::Horizontal).toString(); });
        painter.drawLine(QPointF(0, y), QPointF(width, y));
        y += p.line / 2;
        for (int r = starts[page]; r < starts[page + 1]; ++r)
            y += cells(y, p.body, rowText(r));
        painter.setFont(p.body);
        painter.drawText(QRectF(0, p.area.height() - p.line, width, p.line), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages));
    }
    painter.end();
    return pages;
}

QString csv(const QAbstractItemModel &view)
{
    QStringList fields;
    for (int c = 0; c < view.columnCount(); ++c)
        fields.append(view.headerData(c, Qt::Horizontal).toString());
    QString out = History::csvLine(fields);
    for (int r = 0; r < view.rowCount(); ++r) {
        fields.clear();
        for (int c = 0; c < view.columnCount(); ++c)
            fields.append(view.index(r, c).data().toString());
        out += History::csvLine(fields);
    }
    return out;
}

} // namespace ProgressPrint
