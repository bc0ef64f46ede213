// The hall's rotation measured on the evenings the README reports: the figures of
// `vorlet-rotate stats` for seed 1, and the worst of them over further seeds,
// against their bounds. Exit status 1 when a figure misses its bound.
#include "core/rotation/Plan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

using namespace Rotation;

namespace {

struct Evening_
{
    const char *name;
    int couples, boys, girls, either;
    const char *late; // events file in bench/rotation/
};

struct Measured
{
    bool valid = true;
    int spread = 0; // sit-outs, most - least, among the dancers there all evening
    int avoidable = 0;
    int balance = 0;
    double share = 1, randomShare = 1, way = 1;
    double msAverage = 0, msMost = 0;
};

Measured measure(const Setup &setup, const QString &events)
{
    const QVector<Event> list = events.isEmpty() ? QVector<Event>() : readEvents(events, dancersFor(setup), setup.tips);
    const Planned planned = plan(setup, list, events);
    const Figures f = figures(planned.evening);
    Measured m;
    m.valid = f.valid;
    m.spread = f.mostSatOutAllEvening - f.leastSatOutAllEvening;
    m.avoidable = f.avoidableInARow;
    m.balance = f.coupleBalance;
    m.share = f.share();
    m.randomShare = f.randomShare();
    m.way = f.wayFromRandom();
    for (double ms : planned.msPerTip) {
        m.msAverage += ms / double(planned.msPerTip.size());
        m.msMost = std::max(m.msMost, ms);
    }
    return m;
}

bool within(const Measured &m)
{
    return m.valid && m.spread <= 1 && m.avoidable == 0 && m.balance <= 1 && m.share >= 0.85 && m.way >= 2.0 / 3
        && m.msMost < 1000;
}

QString percent(double share)
{
    return QString::number(100 * share, 'f', 1) + QLatin1Char('%');
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seeds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    const QDir folder(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("rotation")));
    const Evening_ evenings[] = {{"5 couples", 5, 0, 0, 0, "late-5.txt"},
                                 {"6 couples", 6, 0, 0, 0, "late-6.txt"},
                                 {"7 couples", 7, 0, 0, 0, "late-7.txt"},
                                 {"13 couples", 13, 0, 0, 0, "late-13.txt"},
                                 {"27 couples, 6 solos", 27, 3, 3, 0, "late-27-6.txt"},
                                 {"120 couples, 10 solos", 120, 5, 5, 0, "late-120-10.txt"}};
    QTextStream out(stdout);
    out << QStringLiteral("12 tips; seed 1 as `vorlet-rotate stats` prints it, then the worst of seeds 1-%1\n\n").arg(seeds);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10\n")
               .arg(QStringLiteral("Evening"), -30)
               .arg(QStringLiteral("Valid"), -6)
               .arg(QStringLiteral("Sit-outs"), -9)
               .arg(QStringLiteral("H/S"), -4)
               .arg(QStringLiteral("Mates"), -7)
               .arg(QStringLiteral("Random"), -7)
               .arg(QStringLiteral("Way"), -7)
               .arg(QStringLiteral("ms/tip"), -12)
               .arg(QStringLiteral("Worst mates/way"), -16)
               .arg(QStringLiteral("Bounds"));
    bool allWithin = true;
    for (const Evening_ &e : evenings) {
        for (bool late : {false, true}) {
            Setup setup;
            setup.couples = e.couples;
            setup.boys = e.boys;
            setup.girls = e.girls;
            setup.either = e.either;
            setup.tips = 12;
            const QString events = late ? folder.filePath(QString::fromLatin1(e.late)) : QString();
            setup.seed = 1;
            const Measured first = measure(setup, events);
            bool ok = within(first);
            double worstShare = first.share;
            double worstWay = first.way;
            for (int seed = 2; seed <= seeds; ++seed) {
                setup.seed = static_cast<std::uint32_t>(seed);
                const Measured m = measure(setup, events);
                ok = ok && within(m);
                worstShare = std::min(worstShare, m.share);
                worstWay = std::min(worstWay, m.way);
            }
            allWithin = allWithin && ok;
            out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10\n")
                       .arg(QString::fromLatin1(e.name) + (late ? QStringLiteral(", late/early") : QString()), -30)
                       .arg(first.valid ? QStringLiteral("yes") : QStringLiteral("NO"), -6)
                       .arg(QStringLiteral("+%1, %2").arg(first.spread).arg(first.avoidable), -9)
                       .arg(first.balance, -4)
                       .arg(percent(first.share), -7)
                       .arg(percent(first.randomShare), -7)
                       .arg(percent(first.way), -7)
                       .arg(QStringLiteral("%1/%2").arg(first.msAverage, 0, 'f', 2).arg(first.msMost, 0, 'f', 2), -12)
                       .arg(percent(worstShare) + QLatin1Char('/') + percent(worstWay), -16)
                       .arg(ok ? QStringLiteral("ok") : QStringLiteral("MISSED"));
        }
    }
    out << QStringLiteral("\nSit-outs: most minus least among those there all evening, then avoidable sit-outs in a row.\n"
                          "H/S: the largest head/side difference of a couple. Mates: distinct square-mates per dancer\n"
                          "against the most possible; Random: the same with the places dealt at random; Way: how far\n"
                          "from Random to the most possible. Bounds: <= 1, 0, <= 1, >= 85%, >= 66.7%, < 1000 ms.\n");
    return allWithin ? 0 : 1;
}
