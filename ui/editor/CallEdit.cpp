#include "ui/editor/CallEdit.h"

#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/data/CallStore.h"
#include "core/data/Waiting.h"
#include "ui/editor/NavigationBar.h"

#include <QApplication>
#include <QDataWidgetMapper>
#include <QFileInfo>
#include <QItemDelegate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <algorithm>
#include <limits>
#include <optional>

const QString CallEdit::ConnectionName = QStringLiteral("datPrimaryRS");

namespace {
// The rows of the row source, held as a snapshot that writes a changed row
// back by its key, through the call store.
class CallRows : public QSqlTableModel
{
public:
    explicit CallRows(CallStore &store)
        : QSqlTableModel(nullptr, store.database())
        , m_store(store)
    {
    }

    QString selectStatement() const override
    {
        // The row source "select Call_Name,Used from tblCalls", with the key riding
        // along after the two shown columns: it says where a changed row goes.
        return QStringLiteral("select Call_Name,Used,Call_ID from tblCalls");
    }

    bool selectRow(int) override
    {
        // A written row keeps the values written; reading it again would mix
        // other connections' changes into the snapshot before it is reopened.
        return true;
    }

    // Why the last write was refused, as the store raised it (Busy included, so
    // the bounded wait applies); empty when the model's own error says it.
    std::optional<DataError> storeError;

protected:
    // The name and the used mark land in one transaction; the mark goes through
    // the store's setUsed, which records a call that becomes used.
    bool updateRowInTable(int row, const QSqlRecord &values) override
    {
        storeError.reset();
        const int used = values.indexOf(QStringLiteral("Used"));
        const bool usedChanged = used >= 0 && values.isGenerated(used);
        QSqlRecord others = values;
        if (usedChanged)
            others.setGenerated(used, false);
        const QVariant id = record(row).value(QStringLiteral("Call_ID"));
        try {
            // A tab or an escape would split the history's columns and list files, or reach a terminal raw.
            if (const int name = values.indexOf(QStringLiteral("Call_Name")); name >= 0 && values.isGenerated(name)) {
                const QString typed = values.value(name).toString();
                if (std::any_of(typed.begin(), typed.end(), [](QChar ch) { return ch.category() == QChar::Other_Control; }))
                    throw DataError(QStringLiteral("A call name cannot hold a tab, a line break or another control "
                                                   "character; the row is not written."));
            }
            if (usedChanged)
                m_store.attachHistory();
            CallStore::Transaction transaction(m_store);
            if (hasGenerated(others) && !QSqlTableModel::updateRowInTable(row, others))
                return false; // the transaction rolls back; lastError() says why
            if (usedChanged)
                m_store.setUsed({id}, values.value(used));
            transaction.commit();
            return true;
        } catch (const DataError &e) {
            storeError = e;
            setLastError(QSqlError(QString(), e.message(), QSqlError::TransactionError));
            return false;
        }
    }

private:
    static bool hasGenerated(const QSqlRecord &r)
    {
        for (int i = 0; i < r.count(); ++i) {
            if (r.isGenerated(i))
                return true;
        }
        return false;
    }

    CallStore &m_store;
};

// Hands a text box's value to the row only when the person changed it, so a
// row merely passed over is never written back.
class ChangedOnly : public QItemDelegate
{
public:
    using QItemDelegate::QItemDelegate;

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const auto *box = qobject_cast<QLineEdit *>(editor);
        if (!box) {
            QItemDelegate::setModelData(editor, model, index);
            return;
        }
        // Typed, not merely shown: a value shown as text and read back could
        // differ from the one stored (a number stored as text, say).
        if (box->isModified())
            model->setData(index, box->text());
    }
};

DataError describe(const QSqlError &error)
{
    QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // The database's own words for a refused used mark tell a caller little.
    if (text.contains(QLatin1String("typeof(Used)")))
        return DataError(
            QStringLiteral("Used must be a whole number, such as 0 or 1; the row is not written (%1).").arg(text));
    return CallDatabase::failure(CallDatabase::path(), error);
}

DataError describe(const DataError &error)
{
    // A refused used mark reaches the store as the file's constraint.
    if (error.cause().contains(QLatin1String("typeof(Used)")))
        return DataError(QStringLiteral("Used must be a whole number, such as 0 or 1; the row is not written (%1).")
                             .arg(error.cause().section(QStringLiteral("refused the change: "), 1).chopped(1)));
    return error;
}
} // namespace

CallEdit::CallEdit() = default;
CallEdit::~CallEdit()
{
    closeRows();
}

FormWindow *CallEdit::createWindow()
{
    auto *w = newWindow(QStringLiteral("CallEdit"), QStringLiteral("tblCalls"), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                       | Qt::WindowCloseButtonHint);
    Look::place(w, 1095, 435, 5775, 1275);
    w->setFixedSize(w->size());
    Controls &c = *m_ui;

    const char *captions[2] = {"Call_Name:", "Used:"};
    const int tops[2] = {60, 380};
    for (int i = 0; i < 2; ++i) {
        c.lblLabels[i] = new QLabel(QString::fromLatin1(captions[i]), w);
        c.lblLabels[i]->setObjectName(QStringLiteral("lblLabels_%1").arg(i));
        Look::place(c.lblLabels[i], 120, tops[i], 1815, 255);
        c.txtFields[i] = new QLineEdit(w);
        c.txtFields[i]->setObjectName(QStringLiteral("txtFields_%1").arg(i));
        // QLineEdit would cut longer names at 32,767 characters.
        c.txtFields[i]->setMaxLength(std::numeric_limits<int>::max());
        Look::place(c.txtFields[i], 2040, tops[i], 3375, 285);
    }

    c.picButtons = new QWidget(w);
    c.picButtons->setObjectName(QStringLiteral("picButtons"));
    Look::place(c.picButtons, 0, 645, 5775, 300);
    c.cmdUpdate = new QPushButton(QStringLiteral("&Update"), c.picButtons);
    c.cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    Look::place(c.cmdUpdate, 1213, 0, 1095, 300);
    c.cmdClose = new QPushButton(QStringLiteral("&Close"), c.picButtons);
    c.cmdClose->setObjectName(QStringLiteral("cmdClose"));
    Look::place(c.cmdClose, 3521, 0, 1095, 300);

    c.datPrimaryRS = new NavigationBar(w);
    c.datPrimaryRS->setObjectName(QStringLiteral("datPrimaryRS"));
    Look::place(c.datPrimaryRS, 0, 945, 5775, 330);

    Look::tabOrder({c.txtFields[0], c.txtFields[1], c.cmdUpdate, c.cmdClose});

    connect(c.cmdUpdate, &QPushButton::clicked, this, &CallEdit::cmdUpdate_Click);
    connect(c.cmdClose, &QPushButton::clicked, this, &CallEdit::cmdClose_Click);
    connect(c.datPrimaryRS, &NavigationBar::moveFirst, this, [this] { moveTo(0); });
    connect(c.datPrimaryRS, &NavigationBar::movePrevious, this, [this] { moveTo(currentRow() - 1); });
    connect(c.datPrimaryRS, &NavigationBar::moveNext, this, [this] { moveTo(currentRow() + 1); });
    connect(c.datPrimaryRS, &NavigationBar::moveLast, this, [this] { moveTo(m_rows ? m_rows->rowCount() - 1 : 0); });
    return w;
}

void CallEdit::Form_Load()
{
    openRows();
}

void CallEdit::openRows()
{
    const QString path = CallDatabase::path();
    try {
        closeRows(); // each opening starts from nothing
        // The editor never creates a database where none is.
        m_store = std::make_unique<CallStore>(ConnectionName, path);
        m_store->run(Waiting::Patience::Open, [&] {
            m_rows.reset();
            m_rows = std::make_unique<CallRows>(*m_store);
            m_rows->setTable(QStringLiteral("tblCalls"));
            m_rows->setEditStrategy(QSqlTableModel::OnRowChange);
            if (!m_rows->select())
                throw describe(m_rows->lastError());
            // The whole snapshot at once: no statement stays open to block other writers.
            while (m_rows->canFetchMore())
                m_rows->fetchMore();
        });
    } catch (const DataError &e) {
        closeRows();
        if (!e.isCancelled())
            datPrimaryRS_Error(e.message());
        return;
    }

    m_mapper = std::make_unique<QDataWidgetMapper>();
    m_mapper->setItemDelegate(new ChangedOnly(m_mapper.get()));
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    m_mapper->setModel(m_rows.get());
    m_mapper->addMapping(m_ui->txtFields[0], 0);
    m_mapper->addMapping(m_ui->txtFields[1], 1);
    m_mapper->toFirst();
    datPrimaryRS_MoveComplete();
}

bool CallEdit::submitRow(bool onMove)
{
    try {
        m_store->run(Waiting::Patience::Command, [&] {
            if (!m_mapper->submit()) {
                const auto &rows = static_cast<const CallRows &>(*m_rows);
                throw rows.storeError ? describe(*rows.storeError) : describe(m_rows->lastError());
            }
        });
    } catch (const DataError &e) {
        if (e.isCancelled())
            return false;
        if (onMove)
            datPrimaryRS_Error(e.message());
        else
            Message::show(e.message(), m_ui->cmdClose->window());
        return false;
    }
    for (QLineEdit *box : m_ui->txtFields)
        box->setModified(false);
    return true;
}

void CallEdit::closeRows()
{
    m_mapper.reset();
    m_rows.reset();
    m_store.reset();
}

int CallEdit::currentRow() const
{
    return m_mapper ? m_mapper->currentIndex() : NoCurrentRow;
}

void CallEdit::moveTo(int row)
{
    if (!m_mapper || m_rows->rowCount() == 0)
        return;
    // Leaving a row writes its changes; a refused write keeps the row current.
    if (!submitRow(true))
        return;
    m_mapper->setCurrentIndex(qBound(0, row, m_rows->rowCount() - 1));
    datPrimaryRS_MoveComplete();
}

void CallEdit::datPrimaryRS_MoveComplete()
{
    const int row = currentRow();
    m_ui->datPrimaryRS->setCaption(QStringLiteral("Record: ")
                                   + QString::number(row >= 0 ? row + 1 : NoCurrentRow));
}

void CallEdit::datPrimaryRS_Error(const QString &description)
{
    Message::show(QStringLiteral("Data error event hit err:") + description, m_ui ? m_ui->cmdClose->window() : nullptr);
}

void CallEdit::cmdUpdate_Click()
{
    // Without a current row nothing typed belongs to a row.
    if (currentRow() < 0)
        return;
    submitRow(false);
}

void CallEdit::cmdClose_Click()
{
    unload();
}

void CallEdit::Form_Unload()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    closeRows();
    m_ui.reset();
}
