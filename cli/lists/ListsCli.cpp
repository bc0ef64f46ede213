#include "cli/lists/ListsCli.h"
#include "cli/lists/SequenceCommands.h"
#include "core/app/AppIdentity.h"

#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/data/Waiting.h"
#include "core/history/History.h"
#include "core/lists/ListStore.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QIODevice>
#include <QSet>
#include <algorithm>

namespace ListsCli {

namespace {
const QString Program = QStringLiteral("vorlet-lists");

struct UsageError
{
    QString message;
};

// How an option is written on the command line: "-o", "--name".
QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// Parses args with parser, telling a mistake in the tool's own words.
void parseOrThrow(QCommandLineParser &parser, const QStringList &args)
{
    if (parser.parse(QStringList{Program} + args))
        return;
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
        throw UsageError{QStringLiteral("unknown option ") + dashed(unknown.first())};
    // The parser's own sentence names the option as typed, between quotes.
    const QString text = parser.errorText();
    const QString option = text.section(QLatin1Char('\''), 1, 1);
    if (text.startsWith(QLatin1String("Missing value")))
        throw UsageError{option + QStringLiteral(" needs a value")};
    if (text.startsWith(QLatin1String("Unexpected value")))
        throw UsageError{QStringLiteral("unknown option ") + text.section(QLatin1Char('\''), 1, 1).section(u'=', 0, 0)};
    throw UsageError{text};
}

// A command's own words after the command name: positional words, options
// that take a value, and flags.
struct Options
{
    QStringList words;
    QHash<QString, QString> values;
    QSet<QString> flags;

    Options(const QStringList &args, const QStringList &valued, const QStringList &flagNames)
    {
        QCommandLineParser parser;
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        const auto bare = [](const QString &option) { return QString(option).remove(QRegularExpression("^-+")); };
        for (const QString &option : valued)
            parser.addOption(QCommandLineOption(bare(option), QString(), QStringLiteral("value")));
        for (const QString &flag : flagNames)
            parser.addOption(QCommandLineOption(bare(flag)));
        parseOrThrow(parser, args);
        words = parser.positionalArguments();
        for (const QString &option : valued) {
            if (parser.isSet(bare(option)))
                values.insert(option, parser.value(bare(option)));
        }
        for (const QString &flag : flagNames) {
            if (parser.isSet(bare(flag)))
                flags.insert(flag);
        }
    }
};

struct Context
{
    QString database;
    QStringList args;
    QIODevice &out;
    QIODevice &err;

    void say(const QString &text) const { out.write((text + QLatin1Char('\n')).toUtf8()); }
    void warn(const QString &text) const
    {
        err.write((Program + QStringLiteral(": ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))
                   + QLatin1Char('\n'))
                      .toUtf8());
    }
};

ListStore::List named(const ListStore &store, const QString &name)
{
    const std::optional<ListStore::List> list = store.find(name);
    if (!list)
        throw DataError(store.file() + QStringLiteral(": no list named \"%1\"").arg(name));
    return *list;
}

int show(const Context &c)
{
    const Options options(c.args, {}, {});
    if (!options.words.isEmpty())
        throw UsageError{QStringLiteral("show takes no names")};
    const ListStore store(c.database);
    for (const ListStore::List &list : store.lists())
        c.say(QStringLiteral("%1\t%2\t%3").arg(list.name).arg(list.calls).arg(list.used));
    return Ok;
}

int exportList(const Context &c)
{
    const Options options(c.args, {QStringLiteral("-o")}, {QStringLiteral("--csv"), QStringLiteral("--all")});
    const bool all = options.flags.contains(QStringLiteral("--all"));
    const bool csv = options.flags.contains(QStringLiteral("--csv"));
    if (all ? !options.words.isEmpty() : options.words.size() != 1)
        throw UsageError{QStringLiteral("export takes one list name, or --all with --csv")};
    if (all && !csv)
        throw UsageError{QStringLiteral("--all exports CSV only; add --csv")};
    const ListStore store(c.database);
    std::optional<int> listId;
    if (!all)
        listId = named(store, options.words.first()).id;
    const QByteArray bytes = csv ? store.exportCsv(listId) : store.exportText(*listId);
    const QString target = options.values.value(QStringLiteral("-o"));
    if (target.isEmpty())
        c.out.write(bytes);
    else if (const QString error = ListFile::save(target, bytes); !error.isEmpty())
        throw DataError(error);
    // Written all the same: the caller decides what to do about such names.
    if (!csv) {
        for (const QString &problem : ListFile::problems(store.callNames(*listId)))
            c.warn((target.isEmpty() ? QStringLiteral("standard output") : target) + QStringLiteral(": ") + problem);
    }
    return Ok;
}

void sayImported(const Context &c, const ListStore &store, const ListStore::Imported &imported)
{
    const QString listName = store.listById(imported.listId).name;
    if (imported.replaced)
        c.say(QStringLiteral("replaced the calls of \"%1\": %2 calls, %3 used marks kept")
                  .arg(listName)
                  .arg(imported.calls)
                  .arg(imported.keptUsed));
    else
        c.say(QStringLiteral("created \"%1\" with %2 calls").arg(listName).arg(imported.calls));
}

int importList(const Context &c)
{
    const Options options(c.args, {QStringLiteral("--name")}, {QStringLiteral("--replace"), QStringLiteral("--dry-run")});
    if (options.words.size() != 1)
        throw UsageError{QStringLiteral("import takes one file")};
    const bool replace = options.flags.contains(QStringLiteral("--replace"));
    const QString name = options.values.contains(QStringLiteral("--name")) ? options.values.value(QStringLiteral("--name"))
                                                                          : QString();
    if (!name.isNull() && name.trimmed().isEmpty())
        throw UsageError{QStringLiteral("--name needs a list name that is not empty")};
    const QString file = options.words.first();
    // Read once: a pipe gives its lines only once.
    const ListFile::Preview read = ListFile::previewFile(file);
    if (!read.ok())
        throw DataError(read.error);
    if (options.flags.contains(QStringLiteral("--dry-run"))) {
        // What the import would make of each line, and nothing written.
        QStringList out;
        for (const ListFile::Verdict &v : read.lines)
            out.append(QStringLiteral("%1\t%2\t%3").arg(v.line).arg(v.imported ? QStringLiteral("call") : v.reason,
                                                              v.call.isEmpty() ? v.text
                                                              : v.list.isEmpty() ? v.call
                                                                                 : v.list + QLatin1Char('\t') + v.call));
        c.say(out.join(QLatin1Char('\n')));
        return Ok;
    }
    ListStore store(c.database);
    if (read.csv) {
        // Each list of the file by its own name; --name renames a file's one list.
        const QList<ListFile::NamedList> lists = read.lists();
        if (!name.isNull() && lists.size() > 1)
            throw UsageError{QStringLiteral("--name renames a file of one list; \"%1\" holds %2 lists")
                                 .arg(QFileInfo(file).fileName())
                                 .arg(lists.size())};
        for (const ListFile::NamedList &list : lists) {
            if (const auto existing = store.find(name.isNull() ? list.name : name); existing && !replace)
                throw DataError(store.file() + QStringLiteral(": a list named \"%1\" exists already; add --replace to "
                                                              "replace its calls")
                                                   .arg(existing->name));
        }
        for (const QString &note : std::as_const(read.notes))
            c.warn(note);
        for (const ListStore::Imported &imported : store.importPreview(read, name, replace))
            sayImported(c, store, imported);
        return Ok;
    }
    // A name taken from the file's name is the caller's to change with --name.
    if (const QString problem = ListStore::nameProblem(ListStore::defaultName(file)); name.isNull() && !problem.isEmpty())
        throw DataError(store.file() + QStringLiteral(": ") + problem
                        + QStringLiteral(", and the list takes its name from the file \"%1\"; give one with --name NAME")
                              .arg(QFileInfo(file).fileName()));
    if (const auto existing = store.find(name.isNull() ? ListStore::defaultName(file) : name); existing && !replace)
        throw DataError(store.file() + QStringLiteral(": a list named \"%1\" exists already; add --replace to "
                                                      "replace its calls, or --name NAME to import it under another name")
                                           .arg(existing->name));
    const ListStore::Imported imported = store.importPreview(read, name.isNull() ? ListStore::defaultName(file) : name, replace).first();
    for (const QString &note : std::as_const(imported.notes))
        c.warn(note);
    sayImported(c, store, imported);
    return Ok;
}

int history(const Context &c)
{
    const Options options(c.args, {QStringLiteral("--list"), QStringLiteral("--since")}, {QStringLiteral("--csv")});
    if (!options.words.isEmpty())
        throw UsageError{QStringLiteral("history takes no names; use --list NAME")};
    QString since;
    if (options.values.contains(QStringLiteral("--since"))) {
        since = options.values.value(QStringLiteral("--since"));
        if (since.size() != 10 || !QDate::fromString(since, Qt::ISODate).isValid())
            throw UsageError{QStringLiteral("--since needs a date as YYYY-MM-DD, not \"%1\"").arg(since)};
    }
    // A list that is not there is a mistake to tell, not an empty history.
    if (options.values.contains(QStringLiteral("--list")))
        named(ListStore(c.database), options.values.value(QStringLiteral("--list")));
    const QList<History::Record> records =
        History::records(options.values.value(QStringLiteral("--list"), QString()), since,
                         History::pathBeside(c.database));
    if (options.flags.contains(QStringLiteral("--csv"))) {
        c.out.write(History::csv(records).toUtf8());
        return Ok;
    }
    for (const History::Record &r : records)
        c.say(r.date + QLatin1Char('\t') + r.list + QLatin1Char('\t') + r.call
              + (r.source.isEmpty() ? QString() : QLatin1Char('\t') + r.source));
    return Ok;
}

int coverage(const Context &c)
{
    const Options o(c.args, {QStringLiteral("--list")}, {QStringLiteral("--unused"), QStringLiteral("--csv"), QStringLiteral("--mark-used")});
    return SequenceCommands::coverage({c.database, o.values.value(QStringLiteral("--list")), o.flags.contains(QStringLiteral("--unused")),
                                       o.flags.contains(QStringLiteral("--csv")), o.flags.contains(QStringLiteral("--mark-used")), o.words},
                                      c.out, c.err);
}

int calls(const Context &c)
{
    return SequenceCommands::calls({c.database, Options(c.args, {}, {}).words}, c.out, c.err);
}

struct Command
{
    QString name;
    QStringList usage; // one line each, the command name first
    QString summary;
    // cppcheck-suppress unusedStructMember ; called through the row run() finds
    int (*run)(const Context &);
};

// One row per command; a new command is one more row and its function.
const QList<Command> &commands()
{
    static const QList<Command> table = {
        {QStringLiteral("show"), {QStringLiteral("show")},
         QStringLiteral("one line per list: name, tab, calls, tab, calls used"), show},
        {QStringLiteral("export"),
         {QStringLiteral("export NAME [--csv] [-o FILE]"), QStringLiteral("export --all --csv [-o FILE]")},
         QStringLiteral("a list as a list file (or CSV), or every list as CSV"), exportList},
        {QStringLiteral("import"), {QStringLiteral("import FILE [--name NAME] [--replace] [--dry-run]")},
         QStringLiteral("a list file as a new list, or in place of a list's calls; a CSV file as its lists"), importList},
        {QStringLiteral("history"), {QStringLiteral("history [--list NAME] [--since YYYY-MM-DD] [--csv]")},
         QStringLiteral("every use of a call, oldest first: date, list, call"), history},
        {QStringLiteral("coverage"), {QStringLiteral("coverage --list NAME [--unused] [--csv] [--mark-used] FILE...")},
         QStringLiteral("per call of a list: sequences using it, tab, first use as file:line"), coverage},
        {QStringLiteral("calls"), {QStringLiteral("calls FILE...")},
         QStringLiteral("per call line of sequence files: file:line, tab, the calls recognised"), calls},
    };
    return table;
}

QString help()
{
    QString text = QStringLiteral("usage: vorlet-lists [--db FILE] COMMAND ...\n\n"
                                  "The lists of a call database (default: Call_List.db in this folder).\n\n"
                                  "commands:\n");
    for (const Command &command : commands()) {
        for (const QString &line : command.usage)
            text += QStringLiteral("  ") + line + QLatin1Char('\n');
        text += QStringLiteral("      ") + command.summary + QLatin1Char('\n');
    }
    text += QStringLiteral("\n--help shows this, --version the version.\n"
                           "Exit status: 0 done, 1 data error, 2 bad usage.\n");
    return text;
}
} // namespace

int run(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    // A script is better told soon that the file is busy than kept waiting long.
    Waiting::setTimeouts(5000, 5000);
    Context c{QString(), {}, out, err};
    try {
        // The tool's own options stand before the command or anywhere after it;
        // the rest of the words are the command's.
        QCommandLineParser top;
        const QCommandLineOption db(QStringLiteral("db"), QString(), QStringLiteral("file"));
        const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
        const QCommandLineOption versionOption(QStringLiteral("version"));
        top.addOptions({db, helpOption, versionOption});
        top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
        QStringList rest = arguments;
        QString commandName;
        for (;;) {
            try {
                parseOrThrow(top, rest);
            } catch (const UsageError &e) {
                if (e.message == QLatin1String("--db needs a value"))
                    throw UsageError{QStringLiteral("--db needs a file")};
                throw;
            }
            if (top.isSet(helpOption)) {
                out.write(help().toUtf8());
                return Ok;
            }
            if (top.isSet(versionOption)) {
                out.write((QStringLiteral("vorlet-lists ") + AppIdentity::version() + QLatin1Char('\n')).toUtf8());
                return Ok;
            }
            if (top.isSet(db))
                c.database = top.value(db);
            QStringList words = top.positionalArguments();
            if (commandName.isEmpty() && !words.isEmpty())
                commandName = words.takeFirst();
            // Up to the next word that is one of the tool's own options.
            const auto own = std::find_if(words.begin(), words.end(), [](const QString &w) {
                return w == QLatin1String("--db") || w.startsWith(QLatin1String("--db=")) || w == QLatin1String("-h")
                       || w == QLatin1String("--help");
            });
            c.args += QStringList(words.begin(), own);
            if (own == words.end())
                break;
            rest = QStringList(own, words.end());
        }
        if (commandName.isEmpty())
            throw UsageError{QStringLiteral("no command given")};
        if (c.database.isEmpty())
            c.database = CallDatabase::FileName;
        const QList<Command> &table = commands();
        const auto command = std::find_if(table.begin(), table.end(),
                                          [&commandName](const Command &row) { return row.name == commandName; });
        if (command != table.end())
            return command->run(c);
        throw UsageError{QStringLiteral("unknown command \"%1\"").arg(commandName)};
    } catch (const UsageError &e) {
        c.warn(e.message + QStringLiteral(" (see vorlet-lists --help)"));
        return BadUsage;
    } catch (const DataError &e) {
        c.warn(e.line());
        return DataFailure;
    }
}

} // namespace ListsCli
