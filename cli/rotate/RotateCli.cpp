#include "cli/rotate/RotateCli.h"
#include "core/app/AppIdentity.h"

#include "core/rotation/Plan.h"

#include <QCommandLineParser>
#include <QIODevice>

namespace RotateCli {

namespace {
const QString Program = QStringLiteral("vorlet-rotate");

// The most dancers and tips one evening takes: the square-mate counts grow
// with the square of the dancers.
constexpr int MostDancers = 2000;
constexpr int MostTips = 500;

struct UsageError
{
    QString message;
};

QString help()
{
    return QStringLiteral(
        "usage: vorlet-rotate plan|stats --couples C [--boys B] [--girls G] [--either E]\n"
        "                     --tips T [--squares S] [--seed N] [--events FILE] [--csv]\n\n"
        "Plans an evening's rotation of the hall: who dances each tip, in which square and\n"
        "place, with which partner for a solo, and who sits out.\n\n"
        "commands:\n"
        "  plan    a card per tip (each square's four places with the names), or with --csv\n"
        "          one row per dancer per tip: tip,dancer,square,place,partner\n"
        "  stats   the evening's figures: sit-outs, square-mates, head/side balance, time\n\n"
        "Dancers are C1...Cc for the couples and B1..., G1..., E1... for the solos (boy, girl,\n"
        "either). The events file has one event a line: \"TIP arrive ID\", \"TIP leave ID\",\n"
        "\"TIP out ID\" (sits out that tip), \"TIP dance ID\" (must dance that tip), \"TIP remove ID\"\n"
        "(gone for good from that tip on); a dancer "
        "who arrives later is absent before. The same seed gives the same evening (default 1).\n\n"
        "--help shows this, --version the version.\n"
        "Exit status: 0 done, 1 data error, 2 bad usage.\n");
}

int number(const QCommandLineParser &parser, const QString &name, int least, int most, int otherwise)
{
    if (!parser.isSet(name))
        return otherwise;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < least || value > most)
        throw UsageError{QStringLiteral("--%1 needs a whole number from %2 to %3, not \"%4\"")
                             .arg(name)
                             .arg(least)
                             .arg(most)
                             .arg(parser.value(name))};
    return value;
}
} // namespace

int run(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    auto warn = [&err](const QString &text) {
        err.write((Program + QStringLiteral(": ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))
                   + QLatin1Char('\n'))
                      .toUtf8());
    };
    try {
        QCommandLineParser parser;
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        const QStringList valued = {QStringLiteral("couples"), QStringLiteral("boys"),  QStringLiteral("girls"),
                                    QStringLiteral("either"),  QStringLiteral("tips"),  QStringLiteral("squares"),
                                    QStringLiteral("seed"),    QStringLiteral("events")};
        for (const QString &name : valued)
            parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
        parser.addOption(QCommandLineOption(QStringLiteral("csv")));
        parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
        parser.addOption(QCommandLineOption(QStringLiteral("version")));
        if (!parser.parse(QStringList(Program) + arguments))
            throw UsageError{parser.errorText()};
        if (parser.isSet(QStringLiteral("version"))) {
            out.write((Program + QLatin1Char(' ') + AppIdentity::version() + QLatin1Char('\n')).toUtf8());
            return Ok;
        }
        if (parser.isSet(QStringLiteral("help"))) {
            out.write(help().toUtf8());
            return Ok;
        }
        const QStringList words = parser.positionalArguments();
        if (words.isEmpty())
            throw UsageError{QStringLiteral("no command given")};
        const QString &command = words.first();
        if (command != QLatin1String("plan") && command != QLatin1String("stats"))
            throw UsageError{QStringLiteral("unknown command \"%1\"").arg(command)};
        if (words.size() > 1)
            throw UsageError{QStringLiteral("%1 takes no further words, not \"%2\"").arg(command, words[1])};
        if (!parser.isSet(QStringLiteral("couples")))
            throw UsageError{QStringLiteral("--couples is needed (it may be 0)")};
        if (!parser.isSet(QStringLiteral("tips")))
            throw UsageError{QStringLiteral("--tips is needed")};
        if (parser.isSet(QStringLiteral("csv")) && command != QLatin1String("plan"))
            throw UsageError{QStringLiteral("--csv is for plan only")};

        Rotation::Setup setup;
        setup.couples = number(parser, QStringLiteral("couples"), 0, MostDancers, 0);
        setup.boys = number(parser, QStringLiteral("boys"), 0, MostDancers, 0);
        setup.girls = number(parser, QStringLiteral("girls"), 0, MostDancers, 0);
        setup.either = number(parser, QStringLiteral("either"), 0, MostDancers, 0);
        setup.tips = number(parser, QStringLiteral("tips"), 1, MostTips, 0);
        setup.squares = number(parser, QStringLiteral("squares"), 1, MostDancers, 0);
        if (parser.isSet(QStringLiteral("seed"))) {
            bool ok = false;
            const qulonglong seed = parser.value(QStringLiteral("seed")).toULongLong(&ok);
            if (!ok || seed > 0xffffffffULL)
                throw UsageError{QStringLiteral("--seed needs a whole number from 0 to 4294967295, not \"%1\"")
                                     .arg(parser.value(QStringLiteral("seed")))};
            setup.seed = static_cast<std::uint32_t>(seed);
        }
        const int dancers = setup.couples + setup.boys + setup.girls + setup.either;
        if (dancers == 0)
            throw UsageError{QStringLiteral("no dancers: give --couples or solos")};
        if (dancers > MostDancers)
            throw UsageError{QStringLiteral("%1 dancers are more than the %2 one evening takes").arg(dancers).arg(MostDancers)};

        QVector<Rotation::Event> events;
        const QString eventsFile = parser.value(QStringLiteral("events"));
        if (!eventsFile.isEmpty())
            events = Rotation::readEvents(eventsFile, Rotation::dancersFor(setup), setup.tips);
        const Rotation::Planned planned = Rotation::plan(setup, events, eventsFile);
        if (command == QLatin1String("stats"))
            out.write(Rotation::figuresText(planned, setup).toUtf8());
        else if (parser.isSet(QStringLiteral("csv")))
            out.write(Rotation::csv(planned.evening).toUtf8());
        else
            out.write(Rotation::cards(planned.evening).toUtf8());
        return Ok;
    } catch (const UsageError &e) {
        warn(e.message + QStringLiteral(" (see vorlet-rotate --help)"));
        return BadUsage;
    } catch (const Rotation::PlanError &e) {
        warn(e.message);
        return DataFailure;
    }
}

} // namespace RotateCli
