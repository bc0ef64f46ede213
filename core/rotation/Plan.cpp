#include "core/rotation/Plan.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>

#include <algorithm>

namespace Rotation {

Evening dancersFor(const Setup &setup)
{
    Evening evening(setup.seed);
    evening.setSquareLimit(setup.squares);
    const struct
    {
        int count;
        QChar letter;
        Kind kind;
    } groups[] = {{setup.couples, QLatin1Char('C'), Kind::Couple},
                  {setup.boys, QLatin1Char('B'), Kind::Boy},
                  {setup.girls, QLatin1Char('G'), Kind::Girl},
                  {setup.either, QLatin1Char('E'), Kind::Either}};
    for (const auto &group : groups) {
        for (int i = 1; i <= group.count; ++i)
            evening.addDancer(group.letter + QString::number(i), group.kind);
    }
    return evening;
}

QVector<Event> parseEvents(const QByteArray &text, const QString &file, const Evening &evening, int tips)
{
    QHash<QString, int> ids;
    for (int d = 0; d < evening.dancers().size(); ++d)
        ids.insert(evening.dancers()[d].name.toUpper(), d);
    static const QHash<QString, Event::What> words = {{QStringLiteral("arrive"), Event::Arrive},
                                                      {QStringLiteral("leave"), Event::Leave},
                                                      {QStringLiteral("out"), Event::Out},
                                                      {QStringLiteral("dance"), Event::Dance},
                                                      {QStringLiteral("remove"), Event::Remove}};
    QVector<Event> events;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString at = QStringLiteral("%1:%2: ").arg(file).arg(i + 1);
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() != 3)
            throw PlanError{at + QStringLiteral("expected \"TIP arrive|leave|out|dance|remove ID\", not \"%1\"").arg(line)};
        bool number = false;
        const int tip = fields[0].toInt(&number);
        if (!number || tip < 1 || tip > tips)
            throw PlanError{at + QStringLiteral("the tip must be a number from 1 to %1, not \"%2\"").arg(tips).arg(fields[0])};
        if (!words.contains(fields[1].toLower()))
            throw PlanError{at + QStringLiteral("unknown event \"%1\"; use arrive, leave, out, dance or remove").arg(fields[1])};
        if (!ids.contains(fields[2].toUpper()))
            throw PlanError{at + QStringLiteral("no dancer \"%1\" tonight").arg(fields[2])};
        events.append({tip, words.value(fields[1].toLower()), ids.value(fields[2].toUpper()), i + 1});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) { return a.tip < b.tip; });
    return events;
}

QVector<Event> readEvents(const QString &file, const Evening &evening, int tips)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw PlanError{file + QStringLiteral(": cannot read the events file: ") + in.errorString()};
    return parseEvents(in.readAll(), file, evening, tips);
}

Planned plan(const Setup &setup, const QVector<Event> &events, const QString &eventsFile)
{
    Planned planned{dancersFor(setup), {}};
    Evening &evening = planned.evening;
    QVector<bool> arrives(evening.dancers().size(), false);
    QVector<bool> seen(evening.dancers().size(), false);
    // Absent until the first arrival, unless a departure comes first.
    for (const Event &e : events) {
        if (e.what != Event::Arrive && e.what != Event::Leave)
            continue;
        if (!seen[e.dancer])
            arrives[e.dancer] = e.what == Event::Arrive && e.tip > 1;
        seen[e.dancer] = true;
    }
    for (int d = 0; d < arrives.size(); ++d) {
        if (arrives[d])
            evening.setStatus(d, Status::Absent);
    }
    int next = 0;
    for (int tip = 1; tip <= setup.tips; ++tip) {
        for (; next < events.size() && events[next].tip == tip; ++next) {
            const Event &e = events[next];
            const QString at = QStringLiteral("%1:%2: ").arg(eventsFile).arg(e.line);
            const QString &name = evening.dancers()[e.dancer].name;
            if (evening.dancers()[e.dancer].status == Status::Removed)
                throw PlanError{at + QStringLiteral("%1 was removed before tip %2").arg(name).arg(tip)};
            const bool absent = evening.dancers()[e.dancer].status == Status::Absent;
            if ((e.what == Event::Out || e.what == Event::Dance || e.what == Event::Leave) && absent)
                throw PlanError{at + QStringLiteral("%1 is not in the hall at tip %2").arg(name).arg(tip)};
            static const Status to[] = {Status::Present, Status::Absent, Status::Out, Status::MustDance,
                                        Status::Removed};
            if (e.what != Event::Arrive || absent)
                evening.setStatus(e.dancer, to[e.what]);
        }
        QElapsedTimer timer;
        timer.start();
        evening.nextTip();
        planned.msPerTip.append(double(timer.nsecsElapsed()) / 1e6);
    }
    return planned;
}

Evening ahead(Evening evening, int tips)
{
    for (int t = 0; t < tips; ++t)
        evening.nextTip();
    return evening;
}

QString csv(const Evening &evening)
{
    QString text = QStringLiteral("tip,dancer,square,place,partner\n");
    const auto &dancers = evening.dancers();
    for (int t = 0; t < evening.tips().size(); ++t) {
        const Tip &tip = evening.tips()[t];
        for (int d = 0; d < tip.spots.size(); ++d) {
            const Spot &s = tip.spots[d];
            text += QStringLiteral("%1,%2,%3,%4,%5\n")
                        .arg(t + 1)
                        .arg(dancers[d].name)
                        .arg(s.square)
                        .arg(s.place)
                        .arg(s.partner >= 0 ? dancers[s.partner].name : QString());
        }
    }
    return text;
}

QString cards(const Evening &evening)
{
    QString text;
    const auto &dancers = evening.dancers();
    static const char *const placeNames[] = {"", "1 head", "2 side", "3 head", "4 side"};
    for (int t = 0; t < evening.tips().size(); ++t) {
        const Tip &tip = evening.tips()[t];
        text += QStringLiteral("Tip %1\n").arg(t + 1);
        QVector<QString> names(qsizetype(tip.squares) * 4);
        QStringList out;
        for (int d = 0; d < tip.spots.size(); ++d) {
            const Spot &s = tip.spots[d];
            if (s.square == 0) {
                if (inHall(tip.statuses[d]))
                    out << dancers[d].name;
                continue;
            }
            if (s.partner >= 0 && s.partner < d)
                continue; // named with the first of the pair
            QString &slot = names[(s.square - 1) * 4 + s.place - 1];
            slot = dancers[d].name;
            if (s.partner >= 0)
                slot += QStringLiteral(" & ") + dancers[s.partner].name;
        }
        if (tip.squares == 0)
            text += QStringLiteral("  no square: too few dancers\n");
        for (int sq = 0; sq < tip.squares; ++sq) {
            text += QStringLiteral("  Square %1\n").arg(sq + 1);
            for (int p = 1; p <= 4; ++p)
                text += QStringLiteral("    %1  %2\n").arg(QLatin1String(placeNames[p])).arg(names[sq * 4 + p - 1]);
        }
        text += QStringLiteral("  Sitting out: %1\n\n").arg(out.isEmpty() ? QStringLiteral("nobody") : out.join(QStringLiteral(", ")));
    }
    return text;
}

QString figuresText(const Planned &planned, const Setup &setup)
{
    const Figures f = figures(planned.evening);
    const auto ms = planned.msPerTip;
    double total = 0;
    double most = 0;
    for (double m : ms) {
        total += m;
        most = std::max(most, m);
    }
    auto percent = [](double share) { return QString::number(100 * share, 'f', 1) + QStringLiteral(" %"); };
    QString text;
    text += QStringLiteral("evening: %1 couples, %2 boys, %3 girls, %4 either, %5 tips, seed %6\n")
                .arg(setup.couples)
                .arg(setup.boys)
                .arg(setup.girls)
                .arg(setup.either)
                .arg(setup.tips)
                .arg(setup.seed);
    text += QStringLiteral("tips valid: %1\n").arg(f.valid ? QStringLiteral("yes") : QStringLiteral("NO, ") + f.invalid);
    text += QStringLiteral("sit-outs per dancer: least %1, most %2\n").arg(f.leastSatOut).arg(f.mostSatOut);
    text += QStringLiteral("sit-outs per dancer present all evening: least %1, most %2\n")
                .arg(f.leastSatOutAllEvening)
                .arg(f.mostSatOutAllEvening);
    text += QStringLiteral("sit-outs in a row: %1, avoidable %2\n").arg(f.inARow).arg(f.avoidableInARow);
    text += QStringLiteral("repeated square-mates: %1\n").arg(f.repeatedMates);
    text += QStringLiteral("distinct square-mates per dancer: %1 of %2 most possible (%3)\n")
                .arg(f.distinctMates, 0, 'f', 2)
                .arg(f.mostPossible, 0, 'f', 2)
                .arg(percent(f.share()));
    text += QStringLiteral("random placement: %1 (%2); way from random to most possible: %3\n")
                .arg(f.randomMates, 0, 'f', 2)
                .arg(percent(f.randomShare()))
                .arg(percent(f.wayFromRandom()));
    text += QStringLiteral("head/side difference: couples at most %1, solos at most %2\n")
                .arg(f.coupleBalance)
                .arg(f.soloBalance);
    text += QStringLiteral("time per tip: %1 ms average, %2 ms most\n")
                .arg(ms.isEmpty() ? 0.0 : total / double(ms.size()), 0, 'f', 2)
                .arg(most, 0, 'f', 2);
    return text;
}

} // namespace Rotation
