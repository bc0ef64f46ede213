#pragma once

#include "core/data/CallStore.h"
#include "core/lists/ListFile.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <optional>


// The caller's lists in a call database: lists are rows of tblList, their calls
// rows of tblCalls, in stored (Call_ID) order. Every change is one write
// transaction of the call store, and waits on a locked file as every action
// does; a refused or failed change writes nothing. Failures throw DataError
// naming the database file and the cause; a refused rule is "file: cause".
class ListStore
{
public:
    // Opens a connection of its own to an existing call database.
    explicit ListStore(const QString &databasePath);
    ~ListStore();
    ListStore(const ListStore &) = delete;
    ListStore &operator=(const ListStore &) = delete;

    struct List
    {
        int id = 0;
        QString name;
        int calls = 0;
        int used = 0;
        bool level = false;
    };
    struct Call
    {
        int id = 0;
        QString name;
        bool used = false;
    };

    // Level lists first in ladder order, then the others by name.
    QList<List> lists() const;
    QList<Call> calls(int listId) const;
    QStringList callNames(int listId) const;
    // The list of exactly this name, else the one list it names ignoring case.
    std::optional<List> find(const QString &name) const;
    List listById(int listId) const;
    static bool isLevel(const QString &name);
    // The name an imported file gives its list unless told otherwise.
    static QString defaultName(const QString &filePath);
    // Why no list may have this name (empty, control characters, too long), or nothing.
    static QString nameProblem(const QString &name);

    int createList(const QString &name);
    void renameList(int listId, const QString &name);
    // Removes the list and its calls.
    void deleteList(int listId);

    int addCall(int listId, const QString &name);
    void renameCall(int callId, const QString &name);
    void deleteCalls(const QList<int> &callIds);
    // Moved calls go to the end of the target list, keeping their used marks.
    void moveCalls(const QList<int> &callIds, int toListId);
    // Copies go to the end of the target list as new, unused calls; the originals stay.
    void copyCalls(const QList<int> &callIds, int toListId);

    struct Added
    {
        QList<int> ids;
        QStringList repeated; // names the list had already, or that came twice
    };
    // One call a line, blank lines skipped; a repeated name is told, not added.
    // Any other bad name refuses them all.
    Added addCalls(int listId, const QStringList &lines);

    // The list's calls in a new order: every call of the list once. A list is
    // shown in Call_ID order, so the calls from the first one that changes
    // place on take new keys above every key in the table, in their new order;
    // a face still holding an old key then finds no call rather than another
    // one. Returns the new key of each call whose key changed.
    QHash<int, int> reorderCalls(int listId, const QList<int> &order);
    // The order with each chosen call one place up (step -1) or down (+1),
    // passing over its unchosen neighbour; a chosen call at the end stays.
    static QList<int> shifted(const QList<int> &order, const QList<int> &chosen, int step);
    // The order with the chosen calls together, in their order, before the call
    // at place row of order (at the end when row is past it).
    static QList<int> placed(const QList<int> &order, const QList<int> &chosen, int row);

    // Every used mark the lists change goes through here.
    void setUsed(const QList<int> &callIds, bool used);
    // Marks the calls used, each recorded in the history with its source.
    void setUsedFrom(const QList<int> &callIds, const QStringList &sources);

    struct Imported
    {
        int listId = 0;
        int calls = 0;
        int keptUsed = 0;
        bool replaced = false;
        QStringList notes;
    };
    // Creates the list, or with replace swaps an existing list's calls, keeping
    // the used mark of every call whose name stays.
    Imported importCalls(const QString &name, const QStringList &calls, bool replace);
    Imported importFile(const QString &filePath, const QString &name, bool replace);
    // The calls a preview takes: a list file's under name, each list of a CSV file
    // under its own. Without replace, a list that exists refuses them all.
    QList<Imported> importPreview(const ListFile::Preview &preview, const QString &name, bool replace);

    QByteArray exportText(int listId) const;
    // One list, or every list when listId is empty.
    QByteArray exportCsv(std::optional<int> listId) const;

    QString file() const { return m_file; }

private:
    class Write;
    // One action: waits on a lock, and tells a statement gone wrong against the file.
    void run(const std::function<void()> &work) const;
    QSqlQuery query(const QString &sql, const QVariantList &values) const;
    [[noreturn]] void fail(const QString &cause) const;
    QString checkedListName(const QString &name, int exceptId) const;
    QString checkedCallName(int listId, const QString &name, int exceptId) const;
    // The list a call is in, and the call's name.
    QPair<int, QString> listOfCall(int callId) const;
    int appendCall(int listId, const QString &name, bool used);
    // One list's import, inside a write already begun.
    Imported importInto(const QString &name, const QStringList &calls, bool replace);

    QString m_file;
    mutable CallStore m_store;
};
