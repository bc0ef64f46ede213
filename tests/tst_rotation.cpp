// The rotation engine tip by tick: who sits out, how solos pair, undo, arrivals,
// and the evening's invariants over many seeds. No QApplication: a plain value.
#include "core/rotation/Plan.h"
#include "core/rotation/Rotation.h"

#include <QElapsedTimer>
#include <QTest>

#include <climits>

using namespace Rotation;

Q_DECLARE_METATYPE(Rotation::Setup)

namespace {

Setup hall(int couples, int boys = 0, int girls = 0, int either = 0, int tips = 12, int squares = 0)
{
    return {couples, boys, girls, either, tips, squares};
}

int id(const Evening &evening, const QString &name)
{
    for (int d = 0; d < evening.dancers().size(); ++d)
        if (evening.dancers()[d].name == name)
            return d;
    return -1;
}

Planned planWith(const Setup &setup, const QString &events)
{
    const Evening names = dancersFor(setup);
    return plan(setup, parseEvents(events.toUtf8().replace(';', '\n'), QStringLiteral("events"), names, setup.tips));
}

int waiting(const Tip &tip)
{
    int n = 0;
    for (int d = 0; d < tip.spots.size(); ++d)
        n += tip.spots[d].square == 0 && tip.statuses[d] != Status::Absent && tip.statuses[d] != Status::Out;
    return n;
}

// A late arrival and an early leaver for every tenth dancer, a few asking out.
QString comings(const Setup &setup)
{
    const Evening names = dancersFor(setup);
    QStringList events;
    for (int d = 0; d < names.dancers().size(); d += 10) {
        const QString &name = names.dancers()[d].name;
        events << QStringLiteral("%1 arrive %2").arg(2 + d % (setup.tips - 2)).arg(name);
        if (d + 5 < names.dancers().size())
            events << QStringLiteral("%1 leave %2").arg(setup.tips - 1 - d % 3).arg(names.dancers()[d + 5].name);
    }
    return events.join(QLatin1Char(';'));
}

// The largest difference in sit-outs between two dancers of one kind who were
// present all evening.
int spreadWithinKinds(const Evening &e)
{
    int spread = 0;
    for (Kind kind : {Kind::Couple, Kind::Boy, Kind::Girl, Kind::Either}) {
        int least = INT_MAX;
        int most = INT_MIN;
        for (int d = 0; d < e.dancers().size(); ++d) {
            if (e.dancers()[d].kind == kind && e.tipsPresent(d) == e.tips().size()) {
                least = std::min(least, e.tipsSatOut(d));
                most = std::max(most, e.tipsSatOut(d));
            }
        }
        if (most >= least)
            spread = std::max(spread, most - least);
    }
    return spread;
}

} // namespace

class tst_Rotation : public QObject
{
    Q_OBJECT
private slots:
    void whoSitsOut_data();
    void whoSitsOut();
    void solosPair_data();
    void solosPair();
    void undoTakesTheTipBack();
    void removedForGood();
    void oneSeedOneEvening();
    void arrivalsJoinTheRotation();
    void invariants_data();
    void invariants();
    void invalidTipsAreFound_data();
    void invalidTipsAreFound();
    void twoHundredDancersInUnderASecond();
};

void tst_Rotation::whoSitsOut_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("events");
    // "TIP in ID", "TIP out ID", "TIP absent ID", "TIP waiting N" (how many sit out)
    QTest::addColumn<QString>("expect");
    QTest::newRow("one square of five: one sits out") << hall(5, 0, 0, 0, 1) << "" << "1 waiting 1";
    QTest::newRow("asked out sits out") << hall(6, 0, 0, 0, 1) << "1 out C2" << "1 out C2;1 waiting 1";
    QTest::newRow("out holds one tip only") << hall(8, 0, 0, 0, 2) << "1 out C2" << "1 out C2;2 in C2;2 waiting 0";
    QTest::newRow("who sat out dances next")
        << hall(9, 0, 0, 0, 2) << "1 out C1" << "1 out C1;1 waiting 0;2 in C1;2 waiting 1";
    QTest::newRow("fewest danced dance first")
        << hall(6, 0, 0, 0, 2) << "1 out C1;1 out C2" << "2 in C1;2 in C2;2 waiting 2";
    QTest::newRow("must dance before who sat out")
        << hall(5, 0, 0, 0, 2) << "1 out C1;2 dance C2;2 dance C3;2 dance C4;2 dance C5"
        << "1 out C1;2 out C1;2 in C5";
    QTest::newRow("must dance, all of them")
        << hall(6, 0, 0, 0, 1) << "1 dance C1;1 dance C3;1 dance C5;1 dance C6" << "1 in C1;1 in C3;1 in C5;1 in C6";
    QTest::newRow("a late arrival is absent before")
        << hall(5, 0, 0, 0, 3) << "3 arrive C5" << "1 absent C5;2 absent C5;1 waiting 0;2 waiting 0;3 waiting 1";
    QTest::newRow("a leaver is absent after")
        << hall(5, 0, 0, 0, 2) << "2 leave C3" << "1 waiting 1;2 absent C3;2 waiting 0;2 in C1;2 in C5";
    QTest::newRow("a square limit leaves the rest out") << hall(9, 0, 0, 0, 1, 1) << "" << "1 waiting 5";
    QTest::newRow("three couples fill no square") << hall(3, 0, 0, 0, 1) << "" << "1 waiting 3";
    QTest::newRow("a lone boy sits out") << hall(4, 1, 0, 0, 1) << "" << "1 out B1;1 waiting 1";
    QTest::newRow("a boy and a girl fill a place") << hall(3, 1, 1, 0, 1) << "" << "1 in B1;1 in G1;1 waiting 0";
    QTest::newRow("a waiting solo's partner comes forward")
        << hall(4, 1, 1, 0, 2) << "1 out B1" << "1 out G1;2 in B1;2 in G1;2 waiting 1";
    QTest::newRow("either with the lone boy") << hall(3, 2, 0, 1, 1) << "1 out B2" << "1 in B1;1 in E1;1 waiting 0";
}

void tst_Rotation::whoSitsOut()
{
    QFETCH(Setup, setup);
    QFETCH(QString, events);
    QFETCH(QString, expect);
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        setup.seed = seed;
        const Planned planned = planWith(setup, events);
        const Evening &e = planned.evening;
        QCOMPARE(e.tips().size(), setup.tips);
        for (const QString &check : expect.split(QLatin1Char(';'))) {
            const QStringList f = check.split(QLatin1Char(' '));
            const Tip &tip = e.tips()[f[0].toInt() - 1];
            const QString at = QStringLiteral("seed %1, %2").arg(seed).arg(check);
            if (f[1] == QLatin1String("waiting")) {
                QVERIFY2(waiting(tip) == f[2].toInt(), qPrintable(at));
                continue;
            }
            const int d = id(e, f[2]);
            QVERIFY2(d >= 0, qPrintable(at));
            const bool dances = tip.spots[d].square > 0, absent = tip.statuses[d] == Status::Absent;
            QVERIFY2(f[1] == QLatin1String("in") ? dances : !dances && absent == (f[1] == QLatin1String("absent")),
                     qPrintable(at));
        }
        QVERIFY2(figures(e, 0).valid, qPrintable(figures(e, 0).invalid));
    }
}

void tst_Rotation::solosPair_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("soloWaiting"); // solos without a partner, each tip
    QTest::addColumn<int>("mostTimes");   // the most times any two are partners
    QTest::newRow("four boys, four girls: a new partner each tip") << hall(0, 4, 4, 0, 4) << 0 << 1;
    QTest::newRow("two boys, two girls: turn about") << hall(2, 2, 2, 0, 6) << 0 << 3;
    QTest::newRow("three boys, a girl, an either") << hall(2, 3, 1, 1, 3) << 1 << 3;
    QTest::newRow("three either: one is left") << hall(3, 0, 0, 3, 3) << 1 << 3;
    QTest::newRow("girls with either") << hall(2, 0, 2, 2, 4) << 0 << 2;
    QTest::newRow("either with either") << hall(6, 1, 1, 2, 3) << 0 << 3;
    QTest::newRow("five boys, three girls: no square") << hall(0, 5, 3, 0, 2) << 8 << 0;
}

void tst_Rotation::solosPair()
{
    QFETCH(Setup, setup);
    QFETCH(int, soloWaiting);
    QFETCH(int, mostTimes);
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        setup.seed = seed;
        const Evening e = plan(setup, {}).evening;
        int most = 0;
        for (const Tip &tip : e.tips()) {
            int alone = 0;
            for (int d = 0; d < tip.spots.size(); ++d) {
                if (!isSolo(e.dancers()[d].kind))
                    continue;
                alone += tip.spots[d].square == 0;
                for (int o = 0; o < tip.spots.size(); ++o)
                    most = std::max(most, e.timesPartnered(d, o));
            }
            QCOMPARE(alone, soloWaiting);
        }
        QVERIFY2(most <= mostTimes, qPrintable(QStringLiteral("seed %1: partners %2 times").arg(seed).arg(most)));
        QVERIFY2(figures(e, 0).valid, qPrintable(figures(e, 0).invalid));
    }
}

void tst_Rotation::undoTakesTheTipBack()
{
    Evening e = dancersFor(hall(10, 2, 2, 1));
    QVERIFY(!e.undoTip());
    e.nextTip();
    e.nextTip();
    e.setStatus(id(e, "C3"), Status::Out);
    e.setStatus(id(e, "G1"), Status::MustDance);
    const int late = e.addDancer("Late", Kind::Either, Status::Present);
    // Every count a tip adds to, dancer by dancer and pair by pair.
    const auto tallies = [&e] {
        QVector<int> t;
        for (int d = 0; d < e.dancers().size(); ++d) {
            t << e.tipsDanced(d) << e.tipsPresent(d) << e.heads(d) << e.sides(d);
            for (int o = 0; o < e.dancers().size(); ++o)
                t << e.timesTogether(d, o) << e.timesPartnered(d, o);
        }
        return t;
    };
    const QVector<int> before = tallies();
    const Tip third = e.nextTip();
    QCOMPARE(e.dancers()[id(e, "C3")].status, Status::Present);
    QCOMPARE(third.spots[id(e, "C3")].square, 0);
    QVERIFY(third.spots[id(e, "G1")].square > 0);

    QVERIFY(e.undoTip());
    QCOMPARE(e.tips().size(), 2);
    QCOMPARE(e.dancers()[id(e, "C3")].status, Status::Out);
    QCOMPARE(e.dancers()[id(e, "G1")].status, Status::MustDance);
    QCOMPARE(e.dancers()[late].status, Status::Present);
    QCOMPARE(tallies(), before);
    // The same statuses and tips so far give the same tip again.
    const Tip again = e.nextTip();
    for (int d = 0; d < third.spots.size(); ++d) {
        QCOMPARE(again.spots[d].square, third.spots[d].square);
        QCOMPARE(again.spots[d].place, third.spots[d].place);
        QCOMPARE(again.spots[d].partner, third.spots[d].partner);
    }
}

// Nine couples, one out a tip; one who was there leaves for good after tip 2.
void tst_Rotation::removedForGood()
{
    Evening e = dancersFor(hall(9, 0, 0, 0));
    e.nextTip();
    e.nextTip();
    const int gone = id(e, "C4");
    e.setStatus(gone, Status::Removed);
    e.setStatus(gone, Status::MustDance); // no status brings a removed dancer back
    QVERIFY(e.undoTip()); // nor does undoing a tip computed before the removal
    QCOMPARE(e.dancers()[gone].status, Status::Removed);
    const int danced = e.tipsDanced(gone);
    for (int t = 0; t < 8; ++t)
        QCOMPARE(e.nextTip().spots[gone].square, 0);
    QCOMPARE(e.tipsPresent(gone), 1);
    QCOMPARE(e.tipsDanced(gone), danced);
    // The eight left fill two squares: nobody sits out, and the counts from
    // before the removal stay fair among them.
    const Figures f = figures(e, 0);
    QVERIFY2(f.valid, qPrintable(f.invalid));
    QCOMPARE(f.avoidableInARow, 0);
    int least = 99, most = 0;
    for (int d = 0; d < e.dancers().size(); ++d) {
        if (d == gone)
            continue;
        least = std::min(least, e.tipsSatOut(d));
        most = std::max(most, e.tipsSatOut(d));
    }
    QVERIFY(most - least <= 1);
}

void tst_Rotation::oneSeedOneEvening()
{
    Setup setup = hall(27, 3, 3, 0, 6);
    setup.seed = 7;
    const QString first = csv(plan(setup, {}).evening);
    QCOMPARE(csv(plan(setup, {}).evening), first);
    setup.seed = 8;
    QVERIFY(csv(plan(setup, {}).evening) != first);
}

void tst_Rotation::arrivalsJoinTheRotation()
{
    // Between tips: two couples arrive, one leaves, and the next tip takes them in.
    Evening e = dancersFor(hall(8));
    e.nextTip();
    const int a = e.addDancer("A", Kind::Couple);
    const int b = e.addDancer("B", Kind::Couple);
    e.setStatus(id(e, "C8"), Status::Absent);
    const Tip &tip = e.nextTip();
    QCOMPARE(tip.squares, 2);
    QVERIFY(tip.spots[a].square > 0);
    QVERIFY(tip.spots[b].square > 0);
    QCOMPARE(tip.spots[id(e, "C8")].square, 0);
    QCOMPARE(waiting(tip), 1);
    QCOMPARE(e.tipsPresent(a), 1);
    QCOMPARE(e.tipsPresent(id(e, "C8")), 1);
    // Who sat out the tip after the arrivals dances the next.
    int sat = static_cast<int>(tip.spots.size());
    for (int d = 0; d < tip.spots.size(); ++d) {
        if (tip.spots[d].square == 0 && tip.statuses[d] == Status::Present)
            sat = d;
    }
    QVERIFY(sat < tip.spots.size());
    const Tip &next = e.nextTip();
    QVERIFY(next.spots[sat].square > 0);
    QCOMPARE(waiting(next), 1);
}

void tst_Rotation::invariants_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("late");
    QTest::addColumn<int>("seeds");
    const struct
    {
        const char *name;
        Setup setup;
        int seeds;
    } halls[] = {{"5 couples", hall(5), 40},
                 {"6 couples", hall(6), 40},
                 {"7 couples", hall(7), 40},
                 {"13 couples", hall(13), 30},
                 {"27 couples, 6 solos", hall(27, 2, 2, 2), 15},
                 {"40 couples, 7 uneven solos", hall(40, 4, 1, 2), 8},
                 {"120 couples, 10 solos", hall(120, 5, 5), 2}};
    for (const auto &h : halls) {
        QTest::addRow("%s", h.name) << h.setup << false << h.seeds;
        QTest::addRow("%s, late and early", h.name) << h.setup << true << h.seeds;
    }
}

void tst_Rotation::invariants()
{
    QFETCH(Setup, setup);
    QFETCH(bool, late);
    QFETCH(int, seeds);
    const int squares = (setup.couples + (setup.boys + setup.girls + setup.either) / 2) / 4;
    for (int seed = 1; seed <= seeds; ++seed) {
        setup.seed = static_cast<std::uint32_t>(seed * 7919);
        const Planned planned = planWith(setup, late ? comings(setup) : QString());
        const Figures f = figures(planned.evening, 10);
        const QString at = QStringLiteral("seed %1").arg(setup.seed);
        QVERIFY2(f.valid, qPrintable(at + ": " + f.invalid));
        // Uneven solos leave some without a partner: fair among their own kind.
        if (setup.boys == setup.girls && setup.either % 2 == 0)
            QVERIFY2(f.mostSatOutAllEvening - f.leastSatOutAllEvening <= 1, qPrintable(at));
        QVERIFY2(spreadWithinKinds(planned.evening) <= 1, qPrintable(at));
        QVERIFY2(f.avoidableInARow == 0, qPrintable(at));
        QVERIFY2(f.coupleBalance <= 1, qPrintable(at));
        QVERIFY2(f.share() >= 0.85, qPrintable(at + QStringLiteral(": %1").arg(f.share())));
        if (squares > 1) // one square: a random placement meets everyone as well
            QVERIFY2(f.wayFromRandom() >= 2.0 / 3, qPrintable(at + QStringLiteral(": %1").arg(f.wayFromRandom())));
    }
}

void tst_Rotation::invalidTipsAreFound_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("as planned") << "" << "";
    QTest::newRow("a place left empty") << "C1 0 0" << "tip 1: square 1 place 1 is empty";
    QTest::newRow("two couples in one place") << "C2 1 1" << "square 1 place 1 is not one couple or one pair";
    QTest::newRow("an absent dancer dances") << "absent C5 1 1" << "tip 1: C5 dances but is not to";
    QTest::newRow("a place past the square") << "C1 1 5" << "C1 stands outside the squares";
    QTest::newRow("partners not each other's") << "partner B1 C1" << "square 1 place 4 is not one couple or one pair";
    QTest::newRow("must dance sits") << "must C5 0 0" << "tip 1: C5 must dance but does not";
}

void tst_Rotation::invalidTipsAreFound()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    Evening e = dancersFor(hall(5, 1, 1));
    Tip tip;
    tip.squares = 1;
    tip.statuses.fill(Status::Present, 7);
    tip.spots = {{1, 1, -1}, {1, 2, -1}, {1, 3, -1}, {0, 0, -1}, {0, 0, -1}, {1, 4, 6}, {1, 4, 5}};
    QStringList f = fault.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!f.isEmpty() && (f[0] == QLatin1String("absent") || f[0] == QLatin1String("must"))) {
        tip.statuses[id(e, f[1])] = f[0] == QLatin1String("absent") ? Status::Absent : Status::MustDance;
        f.removeFirst();
    }
    if (f.size() == 3 && f[0] == QLatin1String("partner"))
        tip.spots[id(e, f[1])].partner = id(e, f[2]);
    else if (f.size() == 3)
        tip.spots[id(e, f[0])] = {f[1].toInt(), f[2].toInt(), -1};
    e.replayTip(tip);
    const Figures figs = figures(e, 0);
    QCOMPARE(figs.valid, message.isEmpty());
    QVERIFY2(figs.invalid.contains(message), qPrintable(figs.invalid));
}

void tst_Rotation::twoHundredDancersInUnderASecond()
{
    // 180 couples and 20 solos, some late: every tip well inside a second.
    const Setup setup = hall(180, 8, 8, 4, 12);
    const Planned planned = planWith(setup, comings(setup));
    QCOMPARE(planned.msPerTip.size(), 12);
    for (double ms : planned.msPerTip)
        QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
    QVERIFY(figures(planned.evening, 0).valid);
}

QTEST_GUILESS_MAIN(tst_Rotation)
#include "tst_rotation.moc"
