#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QHash>
#include <QVariant>
#include <optional>

class QPagedPaintDevice;

// Every call of one list with its used mark, how many times and when it was
// last called. One row per call, in stored order.
class ProgressModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The sequences column is there only while sequence files are loaded for the list.
    enum Column { CallColumn, UsedColumn, TimesColumn, LastColumn, ColumnCount, SequencesColumn = ColumnCount };
    enum Role { SortRole = Qt::UserRole, CallIdRole, UsedRole };

    struct Row
    {
        QVariant id;
        QString name;
        bool used = false;
        int times = 0;
        QString last;    // as recorded: local time with its offset
        QString lastUtc; // for ordering; empty when never called
        QString key;     // the name folded for sorting, made once
    };

    using QAbstractTableModel::QAbstractTableModel;

    // Takes new rows; when the same calls come back in the same order only the
    // changed rows are announced, so the view keeps its place and selection.
    void setRows(QList<Row> rows);
    const QList<Row> &rows() const { return m_rows; }
    void setRow(int row, const Row &values);
    int usedCount() const;

    // The call just drawn in the "Calls" window stands out.
    void setHighlight(const QVariant &callId);
    int rowOf(const QVariant &callId) const;

    // How many loaded sequences use each call, by name; nullopt drops the column.
    void setSequences(const std::optional<QHash<QString, int>> &counts);
    bool hasSequences() const { return m_sequences.has_value(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<Row> m_rows;
    QVariant m_highlight;
    std::optional<QHash<QString, int>> m_sequences;
};

// The view's filter: unused, used or all calls, and a text the name contains.
class ProgressFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    enum class Show { Unused, Used, All };

    explicit ProgressFilter(QObject *parent = nullptr);
    void setShow(Show show);
    void setText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    Show m_show = Show::All;
    QString m_text;
};

// The page drawn from a view: heading (list, date, headline), the column heads
// and the rows, repeated on every page, with the page number at the foot.
namespace ProgressPrint {
int rowsPerPage(QPagedPaintDevice &printer);
// Returns the number of pages, or 0 when the printer could not start. columnStarts
// are the columns' left edges and the right one, as parts of the width; by default
// the "Progress" window's four.
int print(QPagedPaintDevice &printer, const QAbstractItemModel &view, const QString &list, const QString &headline,
          QList<qreal> columnStarts = {});
// The view as CSV, its column heads first.
QString csv(const QAbstractItemModel &view);
} // namespace ProgressPrint
