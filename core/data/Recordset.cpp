#include "core/data/Recordset.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

namespace {
// Result sets run on dcCalls: a failure is told as one of its file.
DataError failure(const QSqlError &error)
{
    return CallDatabase::failure(CallDatabase::path(), error);
}

QSqlQuery prepared(const QSqlDatabase &db, const QString &statement, const QVariantList &parameters)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        throw failure(query.lastError());
    for (const QVariant &p : parameters)
        query.addBindValue(p);
    if (!query.exec())
        throw failure(query.lastError());
    return query;
}
} // namespace

Recordset::Recordset(QString name, QString source, OneRow oneRow)
    : m_name(std::move(name))
    , m_source(std::move(source))
    , m_oneRow(std::move(oneRow))
{
}

void Recordset::run(const QSqlDatabase &db, const QVariantList &parameters, bool listIndexed)
{
    if (m_open)
        throw DataError(QStringLiteral("%1 is open already").arg(m_name));
    QStringList columns;
    QList<QVariant> values;
    int rows = 0;
    QList<QPair<qint64, int>> lists;
    const auto countSource = [&] {
        QSqlQuery count = prepared(db, m_oneRow.count, parameters);
        if (!count.next())
            throw failure(count.lastError());
        return count.value(0).toInt();
    };
    if (isDrawn() && !listIndexed) {
        // Without the index a list's calls are found only by reading them all: one count does that once.
        rows = countSource();
    } else if (isDrawn()) {
        struct Span
        {
            qint64 list;
            int rows;
            qint64 first;
            qint64 last;
        };
        QList<Span> spans;
        QSqlQuery perList = prepared(db, m_oneRow.perList, parameters);
        // A list without a row of the source has no place in its order.
        while (perList.next()) {
            const Span span{perList.value(0).toLongLong(), perList.value(1).toInt(), perList.value(2).toLongLong(),
                            perList.value(3).toLongLong()};
            if (span.rows > 0) {
                spans.append(span);
                rows += span.rows;
            }
        }
        if (perList.lastError().isValid())
            throw failure(perList.lastError());
        std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) { return a.first < b.first; });
        // Lists whose rows lie apart give the source's order one list after another.
        const bool apart = std::adjacent_find(spans.cbegin(), spans.cend(), [](const Span &a, const Span &b) {
                               return a.last >= b.first;
                           }) == spans.cend();
        if (apart) {
            for (const Span &span : std::as_const(spans))
                lists.append({span.list, span.rows});
        } else {
            // Two lists that share calls (one List_ID on two rows) would count those calls twice.
            rows = countSource();
        }
    } else {
        QSqlQuery query = prepared(db, m_source, parameters);
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            columns.append(record.fieldName(i));
        const int width = record.count();
        while (query.next()) {
            for (int i = 0; i < width; ++i)
                values.append(query.value(i));
            ++rows;
        }
        if (query.lastError().isValid())
            throw failure(query.lastError());
    }

    m_db = db;
    m_parameters = parameters;
    m_columns = std::move(columns);
    m_values = std::move(values);
    m_fetchedRow = -1;
    m_lists = std::move(lists);
    m_rowCount = rows;
    m_position = 0;
    m_open = true;
}

// The row statement with the row's offset bound last: SQLite steps over the
// rows before it without handing them out.
void Recordset::fetchCurrentRow() const
{
    if (m_fetchedRow == m_position)
        return;
    QVariantList parameters;
    QString statement = m_oneRow.row;
    if (m_lists.isEmpty()) {
        parameters = m_parameters;
        parameters.append(m_position);
    } else {
        int offset = m_position;
        auto list = m_lists.cbegin();
        while (offset >= list->second && list + 1 != m_lists.cend()) {
            offset -= list->second;
            ++list;
        }
        statement = m_oneRow.rowInList;
        parameters = {list->first, offset};
    }
    QSqlQuery query = prepared(m_db, statement, parameters);
    if (!query.next()) {
        if (query.lastError().isValid())
            throw failure(query.lastError());
        throw DataError(QStringLiteral("%1: row %2 is gone").arg(m_name).arg(m_position + 1));
    }
    const QSqlRecord record = query.record();
    QStringList columns;
    QList<QVariant> values;
    for (int i = 0; i < record.count(); ++i) {
        columns.append(record.fieldName(i));
        values.append(query.value(i));
    }
    m_columns = std::move(columns);
    m_values = std::move(values);
    m_fetchedRow = m_position;
}

void Recordset::close()
{
    requireOpen();
    m_open = false;
    m_db = QSqlDatabase();
    m_values.clear();
    m_fetchedRow = -1;
    m_lists.clear();
    m_rowCount = 0;
}

void Recordset::requireOpen() const
{
    if (!m_open)
        throw DataError(QStringLiteral("%1 is not open").arg(m_name));
}

int Recordset::recordCount() const
{
    requireOpen();
    return m_rowCount;
}

void Recordset::goTo(int position)
{
    requireOpen();
    m_position = qBound(0, position, m_rowCount);
}

void Recordset::moveFirst()
{
    goTo(0);
}

void Recordset::moveNext()
{
    requireOpen();
    if (eof())
        throw DataError(QStringLiteral("%1: no row after the last one").arg(m_name));
    goTo(m_position + 1);
}

void Recordset::move(int rows)
{
    requireOpen();
    const qint64 target = qint64(m_position) + rows;
    if (target < 0 || target > m_rowCount)
        throw DataError(QStringLiteral("%1: no row %2 places on").arg(m_name).arg(rows));
    goTo(int(target));
}

bool Recordset::eof() const
{
    requireOpen();
    return m_position >= m_rowCount;
}

int Recordset::column(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    throw DataError(QStringLiteral("%1 has no column %2").arg(m_name, name));
}

QVariant Recordset::field(const QString &name) const
{
    if (eof())
        throw DataError(QStringLiteral("%1: no current row").arg(m_name));
    if (isDrawn()) {
        fetchCurrentRow();
        return m_values[column(name)];
    }
    return cell(m_position, column(name));
}
