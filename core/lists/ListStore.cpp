#include "core/lists/ListStore.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/history/History.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>


// Every change is one of the store's write transactions.
class ListStore::Write : public CallStore::Transaction
{
public:
    explicit Write(const ListStore &store)
        : CallStore::Transaction(store.m_store)
    {
    }
};

ListStore::ListStore(const QString &databasePath)
    : m_file(databasePath)
    , m_store(QStringLiteral("lists-") + QUuid::createUuid().toString(QUuid::WithoutBraces), databasePath)
{
    if (!QFileInfo(databasePath).isFile())
        fail(QFileInfo(databasePath).isDir() ? QStringLiteral("a folder, not a call database")
                                             : QStringLiteral("no such call database"));
    m_store.run(Waiting::Patience::Open, [] {});
}

ListStore::~ListStore() = default;

void ListStore::fail(const QString &cause) const
{
    throw DataError::refused(m_file, cause);
}

void ListStore::run(const std::function<void()> &work) const
{
    try {
        m_store.run(Waiting::Patience::Command, work);
    } catch (const DataError &e) {
        // A statement of the store's own that went wrong is told against the file.
        if (e.subject().isEmpty() && e.kind() == DataError::Kind::Failed)
            fail(e.cause());
        throw;
    }
}

QSqlQuery ListStore::query(const QString &sql, const QVariantList &values) const
{
    return m_store.query(sql, values);
}

QString ListStore::defaultName(const QString &filePath)
{
    return QFileInfo(filePath).completeBaseName();
}

QString ListStore::nameProblem(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("a list needs a name");
    // One line, and no tab that would split a line of "vorlet-lists show".
    if (std::any_of(trimmed.begin(), trimmed.end(), [](QChar ch) { return ch.category() == QChar::Other_Control; }))
        return QStringLiteral("a list name cannot hold tabs, line breaks or other control characters");
    if (ListFile::length(trimmed) > ListFile::MaxLineLength)
        return QStringLiteral("a list name is at most %1 characters").arg(ListFile::MaxLineLength);
    return {};
}

bool ListStore::isLevel(const QString &name)
{
    return CallDatabase::levelTags().contains(name);
}

QList<ListStore::List> ListStore::lists() const
{
    QList<List> result;
    run([&] {
        result.clear();
        QSqlQuery q = query(QStringLiteral("SELECT l.List_ID, l.List, COUNT(c.Call_ID), COALESCE(SUM(c.Used <> 0), 0) "
                                           "FROM tblList l LEFT JOIN tblCalls c ON c.List_ID = l.List_ID "
                                           "GROUP BY l.List_ID ORDER BY l.List_ID"),
                            {});
        while (q.next()) {
            const QString name = q.value(1).toString();
            result.append({q.value(0).toInt(), name, q.value(2).toInt(), q.value(3).toInt(), isLevel(name)});
        }
    });
    const QStringList &ladder = CallDatabase::levelTags();
    std::stable_sort(result.begin(), result.end(), [&ladder](const List &a, const List &b) {
        if (a.level != b.level)
            return a.level;
        if (a.level)
            return ladder.indexOf(a.name) < ladder.indexOf(b.name);
        const int folded = a.name.compare(b.name, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.name < b.name;
    });
    return result;
}

QList<ListStore::Call> ListStore::calls(int listId) const
{
    QList<Call> result{};
    run([&] {
        QSqlQuery q = query(QStringLiteral("SELECT Call_ID, Call_Name, Used FROM tblCalls WHERE List_ID = ? "
                                           "ORDER BY Call_ID"),
                            {listId});
        result.clear();
        while (q.next())
            result.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt() != 0});
    });
    return result;
}

QStringList ListStore::callNames(int listId) const
{
    QStringList names;
    for (const Call &call : calls(listId))
        names.append(call.name);
    return names;
}

std::optional<ListStore::List> ListStore::find(const QString &name) const
{
    const QList<List> all = lists();
    auto exact = std::find_if(all.begin(), all.end(), [&name](const List &list) { return list.name == name; });
    if (exact != all.end())
        return *exact;
    const QString key = ListFile::key(name);
    std::optional<List> folded;
    for (const List &list : all) {
        if (ListFile::key(list.name) != key)
            continue;
        if (folded)
            return std::nullopt;
        folded = list;
    }
    return folded;
}

ListStore::List ListStore::listById(int listId) const
{
    const QList<List> all = lists();
    auto found = std::find_if(all.begin(), all.end(), [listId](const List &list) { return list.id == listId; });
    if (found == all.end())
        fail(QStringLiteral("the list is no longer there"));
    return *found;
}

QPair<int, QString> ListStore::listOfCall(int callId) const
{
    QSqlQuery q = query(QStringLiteral("SELECT List_ID, Call_Name FROM tblCalls WHERE Call_ID = ?"), {callId});
    if (!q.next())
        fail(QStringLiteral("the call is no longer there"));
    return {q.value(0).toInt(), q.value(1).toString()};
}

QString ListStore::checkedListName(const QString &name, int exceptId) const
{
    QString trimmed = name.trimmed();
    if (const QString problem = nameProblem(trimmed); !problem.isEmpty())
        fail(problem);
    QSqlQuery q = query(QStringLiteral("SELECT List FROM tblList WHERE List_ID <> ?"), {exceptId});
    const QString key = ListFile::key(trimmed);
    while (q.next()) {
        if (ListFile::key(q.value(0).toString()) == key)
            fail(QStringLiteral("a list named \"%1\" exists already").arg(q.value(0).toString()));
    }
    return trimmed;
}

QString ListStore::checkedCallName(int listId, const QString &name, int exceptId) const
{
    QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        fail(QStringLiteral("a call needs a name"));
    if (trimmed.startsWith(QLatin1Char('#')))
        fail(QStringLiteral("\"%1\": a call name cannot start with \"#\", which marks a comment in a list file")
                 .arg(trimmed));
    if (std::any_of(trimmed.begin(), trimmed.end(), [](QChar ch) { return ch.category() == QChar::Other_Control; }))
        fail(QStringLiteral("a call name cannot hold tabs, line breaks or other control characters"));
    if (!ListFile::readsBack(trimmed))
        fail(QStringLiteral("\"%1\" would read back from a list file as \"%2\"; leave the item number off")
                 .arg(trimmed, ListFile::callOf(trimmed)));
    QSqlQuery q = query(QStringLiteral("SELECT Call_Name FROM tblCalls WHERE List_ID = ? AND Call_ID <> ?"),
                        {listId, exceptId});
    const QString key = ListFile::key(trimmed);
    while (q.next()) {
        if (ListFile::key(q.value(0).toString()) == key)
            fail(QStringLiteral("\"%1\" is already in the list \"%2\"").arg(q.value(0).toString(), listById(listId).name));
    }
    return trimmed;
}

int ListStore::createList(const QString &name)
{
    int result{};
    run([&] {
        Write write(*this);
        const QString checked = checkedListName(name, -1);
        const QSqlQuery q = query(QStringLiteral("INSERT INTO tblList (List, List_Active) VALUES (?, 0)"), {checked});
        const int id = q.lastInsertId().toInt();
        write.commit();
        result = id;
    });
    return result;
}

void ListStore::renameList(int listId, const QString &name)
{
    run([&] {
        Write write(*this);
        const List list = listById(listId);
        if (list.level)
            fail(QStringLiteral("\"%1\" is a level list; its name stays").arg(list.name));
        query(QStringLiteral("UPDATE tblList SET List = ? WHERE List_ID = ?"), {checkedListName(name, listId), listId});
        write.commit();
    });
}

void ListStore::deleteList(int listId)
{
    run([&] {
        Write write(*this);
        const List list = listById(listId);
        if (list.level)
            fail(QStringLiteral("\"%1\" is a level list; it cannot be deleted").arg(list.name));
        query(QStringLiteral("DELETE FROM tblCalls WHERE List_ID = ?"), {listId});
        query(QStringLiteral("DELETE FROM tblList WHERE List_ID = ?"), {listId});
        write.commit();
    });
}

int ListStore::appendCall(int listId, const QString &name, bool used)
{
    const QSqlQuery q = query(QStringLiteral("INSERT INTO tblCalls (Call_Name, List_ID, Used) VALUES (?, ?, ?)"),
                              {name, listId, used ? 1 : 0});
    return q.lastInsertId().toInt();
}

int ListStore::addCall(int listId, const QString &name)
{
    int result{};
    run([&] {
        Write write(*this);
        listById(listId);
        const int id = appendCall(listId, checkedCallName(listId, name, -1), false);
        write.commit();
        result = id;
    });
    return result;
}

void ListStore::renameCall(int callId, const QString &name)
{
    run([&] {
        Write write(*this);
        const int listId = listOfCall(callId).first;
        query(QStringLiteral("UPDATE tblCalls SET Call_Name = ? WHERE Call_ID = ?"),
              {checkedCallName(listId, name, callId), callId});
        write.commit();
    });
}

void ListStore::deleteCalls(const QList<int> &callIds)
{
    run([&] {
        Write write(*this);
        for (const int id : callIds)
            query(QStringLiteral("DELETE FROM tblCalls WHERE Call_ID = ?"), {id});
        write.commit();
    });
}

void ListStore::moveCalls(const QList<int> &callIds, int toListId)
{
    run([&] {
        Write write(*this);
        listById(toListId);
        for (const int id : callIds) {
            const auto [listId, name] = listOfCall(id);
            if (listId == toListId)
                continue;
            checkedCallName(toListId, name, id);
            // A new key puts the call last in the target's stored order.
            query(QStringLiteral("UPDATE tblCalls SET List_ID = ?, Call_ID = (SELECT MAX(Call_ID) + 1 FROM tblCalls) "
                                 "WHERE Call_ID = ?"),
                  {toListId, id});
        }
        write.commit();
    });
}

void ListStore::copyCalls(const QList<int> &callIds, int toListId)
{
    run([&] {
        Write write(*this);
        listById(toListId);
        for (const int id : callIds) {
            const QString name = listOfCall(id).second;
            appendCall(toListId, checkedCallName(toListId, name, -1), false);
        }
        write.commit();
    });
}

ListStore::Added ListStore::addCalls(int listId, const QStringList &lines)
{
    Added result;
    run([&] {
        result = Added();
        Write write(*this);
        listById(listId);
        QSet<QString> taken;
        for (const Call &call : calls(listId))
            taken.insert(ListFile::key(call.name));
        for (const QString &line : lines) {
            const QString name = line.trimmed();
            if (name.isEmpty())
                continue;
            if (taken.contains(ListFile::key(name))) {
                result.repeated.append(name);
                continue;
            }
            taken.insert(ListFile::key(name));
            result.ids.append(appendCall(listId, checkedCallName(listId, name, -1), false));
        }
        write.commit();
    });
    return result;
}

QList<int> ListStore::shifted(const QList<int> &order, const QList<int> &chosen, int step)
{
    QList<int> result = order;
    const int n = int(result.size());
    // Walking against the step, so that a run of chosen calls moves as one.
    for (int k = 0; k < n; ++k) {
        const int i = step < 0 ? k : n - 1 - k;
        const int j = i + (step < 0 ? -1 : 1);
        if (j < 0 || j >= n || !chosen.contains(result[i]) || chosen.contains(result[j]))
            continue;
        result.swapItemsAt(i, j);
    }
    return result;
}

QList<int> ListStore::placed(const QList<int> &order, const QList<int> &chosen, int row)
{
    QList<int> moving;
    QList<int> staying;
    for (int i = 0; i < order.size(); ++i)
        (chosen.contains(order[i]) ? moving : staying).append(order[i]);
    // The first unchosen call at or after row is the one they go before.
    int before = 0;
    for (int i = 0; i < qMin(row, int(order.size())); ++i)
        before += chosen.contains(order[i]) ? 0 : 1;
    QList<int> result = staying.mid(0, before);
    result += moving;
    result += staying.mid(before);
    return result;
}

QHash<int, int> ListStore::reorderCalls(int listId, const QList<int> &order)
{
    QHash<int, int> rekeyed;
    run([&] {
        rekeyed.clear();
        Write write(*this);
        listById(listId);
        QList<int> now;
        for (const Call &call : calls(listId))
            now.append(call.id);
        QList<int> sortedNow = now;
        QList<int> sortedOrder = order;
        std::sort(sortedNow.begin(), sortedNow.end());
        std::sort(sortedOrder.begin(), sortedOrder.end());
        if (sortedNow != sortedOrder)
            fail(QStringLiteral("the list has changed meanwhile; look at it again and then reorder it"));
        int first = 0;
        while (first < now.size() && now[first] == order[first])
            ++first;
        QSqlQuery highest = query(QStringLiteral("SELECT COALESCE(MAX(Call_ID), 0) FROM tblCalls"), {});
        int next = highest.next() ? highest.value(0).toInt() : 0;
        for (int i = first; i < order.size(); ++i) {
            query(QStringLiteral("UPDATE tblCalls SET Call_ID = ? WHERE Call_ID = ?"), {++next, order[i]});
            rekeyed.insert(order[i], next);
        }
        write.commit();
    });
    // Faces that hold keys (the Calls window, Progress) read the calls afresh.
    if (!rekeyed.isEmpty())
        emit History::notifier().marksChanged(QVariant());
    return rekeyed;
}

void ListStore::setUsedFrom(const QList<int> &callIds, const QStringList &sources)
{
    QVariantList ids;
    for (const int id : callIds)
        ids.append(id);
    run([&] { m_store.setUsedFrom(ids, sources); });
}

void ListStore::setUsed(const QList<int> &callIds, bool used)
{
    QVariantList ids;
    for (const int id : callIds)
        ids.append(id);
    run([&] { m_store.setUsed(ids, used); });
}

ListStore::Imported ListStore::importCalls(const QString &name, const QStringList &calls, bool replace)
{
    Imported result{};
    run([&] {
        Write write(*this);
        result = importInto(name, calls, replace);
        write.commit();
    });
    return result;
}

ListStore::Imported ListStore::importInto(const QString &name, const QStringList &calls, bool replace)
{
    if (calls.isEmpty())
        fail(QStringLiteral("no calls to import"));
    for (const QString &call : calls) {
        if (!ListFile::readsBack(call))
            fail(QStringLiteral("\"%1\" is not a call name a list file can hold").arg(call));
    }
    Imported result;
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        fail(QStringLiteral("a list needs a name"));
    std::optional<int> sameId;
    QString existing;
    QSqlQuery same = query(QStringLiteral("SELECT List_ID, List FROM tblList"), {});
    while (same.next()) {
        if (ListFile::key(same.value(1).toString()) != ListFile::key(trimmed))
            continue;
        if (sameId)
            fail(QStringLiteral("more than one list is named \"%1\"; rename one first").arg(trimmed));
        sameId = same.value(0).toInt();
        existing = same.value(1).toString();
    }
    if (sameId && !replace)
        fail(QStringLiteral("a list named \"%1\" exists already").arg(existing));
    // A call whose name stays keeps its id and mark, so a draw on show still names it;
    // a new call takes an id above every one the table held.
    QHash<QString, Call> before;
    QSqlQuery highest = query(QStringLiteral("SELECT COALESCE(MAX(Call_ID), 0) FROM tblCalls"), {});
    const int top = highest.next() ? highest.value(0).toInt() : 0;
    if (sameId) {
        for (const Call &call : this->calls(*sameId))
            before.insert(ListFile::key(call.name), call);
        result.listId = *sameId;
        result.replaced = true;
    } else {
        result.listId = query(QStringLiteral("INSERT INTO tblList (List, List_Active) VALUES (?, 0)"),
                              {checkedListName(trimmed, -1)})
                            .lastInsertId()
                            .toInt();
    }
    QSet<QString> staying;
    for (const QString &call : calls)
        staying.insert(ListFile::key(call));
    for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
        if (!staying.contains(it.key()))
            query(QStringLiteral("DELETE FROM tblCalls WHERE Call_ID = ?"), {it->id});
    }
    int next = top;
    for (const QString &call : calls) {
        const auto kept = before.constFind(ListFile::key(call));
        if (kept == before.constEnd()) {
            query(QStringLiteral("INSERT INTO tblCalls (Call_ID, Call_Name, List_ID, Used) VALUES (?, ?, ?, 0)"),
                  {++next, call, result.listId});
            continue;
        }
        if (kept->name != call) // stored as typed this time
            query(QStringLiteral("UPDATE tblCalls SET Call_Name = ? WHERE Call_ID = ?"), {call, kept->id});
        result.keptUsed += kept->used ? 1 : 0;
    }
    result.calls = int(calls.size());
    return result;
}

ListStore::Imported ListStore::importFile(const QString &filePath, const QString &name, bool replace)
{
    const ListFile::Parsed parsed = ListFile::read(filePath);
    if (!parsed.ok())
        throw DataError(parsed.error);
    Imported result = importCalls(name.isNull() ? defaultName(filePath) : name, parsed.calls, replace);
    result.notes = parsed.notes;
    return result;
}

QList<ListStore::Imported> ListStore::importPreview(const ListFile::Preview &preview, const QString &name, bool replace)
{
    if (!preview.ok())
        throw DataError(preview.error);
    const QList<ListFile::NamedList> named = preview.lists();
    if (named.isEmpty())
        fail(QStringLiteral("no calls to import"));
    // A name given renames a file's one list.
    auto target = [&](const ListFile::NamedList &list) {
        return list.name.isEmpty() || (named.size() == 1 && !name.isEmpty()) ? name : list.name;
    };
    if (!replace) {
        for (const ListFile::NamedList &list : named) {
            if (const auto existing = find(target(list)))
                fail(QStringLiteral("a list named \"%1\" exists already").arg(existing->name));
        }
    }
    // Every list of the file, or none of them.
    QList<Imported> done;
    run([&] {
        Write write(*this);
        done.clear();
        for (const ListFile::NamedList &list : named)
            done.append(importInto(target(list), list.calls, replace));
        write.commit();
    });
    done.first().notes = preview.notes;
    return done;
}

QByteArray ListStore::exportText(int listId) const
{
    return ListFile::toText(listById(listId).name, callNames(listId));
}

QByteArray ListStore::exportCsv(std::optional<int> listId) const
{
    QList<ListFile::NamedList> named;
    for (const List &list : lists()) {
        if (!listId || list.id == *listId)
            named.append({list.name, callNames(list.id)});
    }
    return ListFile::toCsv(named);
}
