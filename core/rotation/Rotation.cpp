#include "core/rotation/Rotation.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <random>

namespace Rotation {

bool isSolo(Kind kind)
{
    return kind != Kind::Couple;
}

bool canPair(Kind a, Kind b)
{
    if (!isSolo(a) || !isSolo(b))
        return false;
    return a == Kind::Either || b == Kind::Either || a != b;
}

namespace {

struct Solos
{
    int boys = 0;
    int girls = 0;
    int either = 0;

    void add(Kind kind, int n = 1)
    {
        if (kind == Kind::Boy)
            boys += n;
        else if (kind == Kind::Girl)
            girls += n;
        else if (kind == Kind::Either)
            either += n;
    }
    // The most pairs these solos make: boys with girls, the rest of the larger
    // side with "either", then "either" with each other.
    int pairs() const
    {
        const int mixed = std::min(boys, girls);
        const int withEither = std::min(std::abs(boys - girls), either);
        return mixed + withEither + (either - withEither) / 2;
    }
};

// A couple, or two solos paired for the tip: what fills one place.
struct Unit
{
    int a = -1;
    int b = -1;
};

std::mt19937 tipGenerator(std::uint32_t seed, int tip, std::uint32_t purpose = 0)
{
    std::seed_seq sequence{seed, static_cast<std::uint32_t>(tip), purpose};
    return std::mt19937(sequence);
}

int draw(std::mt19937 &generator, int below)
{
    return std::uniform_int_distribution<int>(0, below - 1)(generator);
}

template<typename T>
void shuffle(std::vector<T> &items, std::mt19937 &generator)
{
    // By hand: std::shuffle's draws differ between standard libraries.
    for (int i = static_cast<int>(items.size()) - 1; i > 0; --i)
        std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(draw(generator, i + 1))]);
}

// Pairs the chosen solos, fewest repeated partners first; the count of pairs
// is the most these solos make.
std::vector<Unit> pairSolos(const std::vector<int> &solos, const QVector<Dancer> &dancers,
                            const std::vector<std::vector<int>> &partnered, const QVector<int> &lean,
                            std::mt19937 &generator)
{
    std::vector<int> boys, girls, either;
    for (int d : solos) {
        const Kind kind = dancers[d].kind;
        (kind == Kind::Boy ? boys : kind == Kind::Girl ? girls : either).push_back(d);
    }
    shuffle(boys, generator);
    shuffle(girls, generator);
    shuffle(either, generator);
    std::vector<Unit> pairs;
    while (!boys.empty() && !girls.empty()) {
        pairs.push_back({boys.back(), girls.back()});
        boys.pop_back();
        girls.pop_back();
    }
    std::vector<int> &rest = boys.empty() ? girls : boys;
    while (!rest.empty() && !either.empty()) {
        pairs.push_back({rest.back(), either.back()});
        rest.pop_back();
        either.pop_back();
    }
    while (either.size() >= 2) {
        pairs.push_back({either[either.size() - 1], either[either.size() - 2]});
        either.resize(either.size() - 2);
    }
    // A repeated partner weighs most; then two who lean to opposite ends (one
    // more head, one more side), since one of them ends two off.
    auto cost = [&](int x, int y) { return 4 * partnered[x][y] + (lean[x] * lean[y] < 0 ? 1 : 0); };
    auto fits = [&](int x, int y) { return canPair(dancers[x].kind, dancers[y].kind); };
    // Partners swapped between two pairs while that lowers the repeats.
    for (int pass = 0; pass < 50; ++pass) {
        bool better = false;
        for (size_t i = 0; i < pairs.size(); ++i) {
            for (size_t j = i + 1; j < pairs.size(); ++j) {
                Unit &p = pairs[i];
                Unit &q = pairs[j];
                const int now = cost(p.a, p.b) + cost(q.a, q.b);
                if (fits(p.a, q.a) && fits(p.b, q.b) && cost(p.a, q.a) + cost(p.b, q.b) < now) {
                    std::swap(p.b, q.a);
                    better = true;
                } else if (fits(p.a, q.b) && fits(p.b, q.a) && cost(p.a, q.b) + cost(p.b, q.a) < now) {
                    std::swap(p.b, q.b);
                    better = true;
                }
            }
        }
        if (!better)
            break;
    }
    return pairs;
}

// Units placed in squares of four so that as few as possible meet again.
class Placement
{
public:
    Placement(const std::vector<Unit> &units, const std::vector<std::vector<int>> &met,
              const std::vector<int> &lean)
        : m_units(units)
        , m_lean(lean)
        , m_count(static_cast<int>(units.size()))
        , m_cost(units.size(), std::vector<int>(units.size(), 0))
    {
        for (int u = 0; u < m_count; ++u) {
            for (int v = u + 1; v < m_count; ++v) {
                int c = 0;
                for (int x : {units[u].a, units[u].b}) {
                    for (int y : {units[v].a, units[v].b}) {
                        if (x >= 0 && y >= 0)
                            c += met[x][y];
                    }
                }
                m_cost[u][v] = m_cost[v][u] = c;
            }
        }
    }

    // Square of each unit, 0-based.
    std::vector<int> place(std::mt19937 &generator) const
    {
        const int squares = m_count / 4;
        std::vector<int> best;
        long bestCost = std::numeric_limits<long>::max();
        const int starts = m_count <= 40 ? 8 : m_count <= 120 ? 3 : 1;
        for (int start = 0; start < starts && bestCost > 0; ++start) {
            std::vector<int> square = greedy(squares, generator);
            improve(square, squares, generator);
            const long found = total(square, squares);
            if (found < bestCost) {
                bestCost = found;
                best = square;
            }
        }
        return best;
    }

private:
    // Two places per square are heads: a square cannot take three who all need
    // the same side next.
    static constexpr int Unbalanced = 100000;

    int leanPenalty(int up, int down) const
    {
        return Unbalanced * (std::max(0, up - 2) + std::max(0, down - 2));
    }

    std::vector<int> greedy(int squares, std::mt19937 &generator) const
    {
        std::vector<int> order(static_cast<size_t>(m_count));
        std::iota(order.begin(), order.end(), 0);
        shuffle(order, generator);
        std::vector<int> square(static_cast<size_t>(m_count), -1);
        size_t next = 0;
        for (int s = 0; s < squares; ++s) {
            while (square[order[next]] >= 0)
                ++next;
            std::vector<int> members{order[next]};
            square[order[next]] = s;
            while (members.size() < 4) {
                int pick = -1;
                long pickCost = std::numeric_limits<long>::max();
                for (int u : order) {
                    if (square[u] >= 0)
                        continue;
                    members.push_back(u);
                    const long c = cost(members);
                    members.pop_back();
                    if (c < pickCost) {
                        pickCost = c;
                        pick = u;
                    }
                }
                members.push_back(pick);
                square[pick] = s;
            }
        }
        return square;
    }

    long cost(const std::vector<int> &members) const
    {
        long c = 0;
        int up = 0;
        int down = 0;
        for (size_t i = 0; i < members.size(); ++i) {
            for (size_t j = i + 1; j < members.size(); ++j)
                c += m_cost[members[i]][members[j]];
            up += m_lean[members[i]] > 0;
            down += m_lean[members[i]] < 0;
        }
        return c + leanPenalty(up, down);
    }

    long total(const std::vector<int> &square, int squares) const
    {
        std::vector<std::vector<int>> members(static_cast<size_t>(squares));
        for (int u = 0; u < m_count; ++u)
            members[square[u]].push_back(u);
        long c = 0;
        for (const auto &m : members)
            c += cost(m);
        return c;
    }

    // Swaps two units of different squares while that lowers the cost.
    void improve(std::vector<int> &square, int squares, std::mt19937 &generator) const
    {
        std::vector<std::vector<int>> members(static_cast<size_t>(squares));
        for (int u = 0; u < m_count; ++u)
            members[square[u]].push_back(u);
        std::vector<int> order(static_cast<size_t>(m_count));
        std::iota(order.begin(), order.end(), 0);
        for (int pass = 0; pass < 100; ++pass) {
            bool better = false;
            shuffle(order, generator);
            for (int u : order) {
                for (int v = 0; v < m_count; ++v) {
                    const int su = square[u];
                    const int sv = square[v];
                    if (su == sv)
                        continue;
                    auto &mu = members[su];
                    auto &mv = members[sv];
                    const long before = cost(mu) + cost(mv);
                    auto iu = std::find(mu.begin(), mu.end(), u);
                    auto iv = std::find(mv.begin(), mv.end(), v);
                    *iu = v;
                    *iv = u;
                    if (cost(mu) + cost(mv) < before) {
                        square[u] = sv;
                        square[v] = su;
                        better = true;
                    } else {
                        *iu = u;
                        *iv = v;
                    }
                }
            }
            if (!better)
                break;
        }
    }

    const std::vector<Unit> &m_units;
    const std::vector<int> &m_lean;
    int m_count;
    std::vector<std::vector<int>> m_cost;
};

} // namespace

Evening::Evening(std::uint32_t seed)
    : m_seed(seed)
{
}

int Evening::addDancer(const QString &name, Kind kind, Status status)
{
    m_dancers.append({name, kind, status});
    m_present.append(0);
    m_danced.append(0);
    m_heads.append(0);
    m_sides.append(0);
    for (auto *matrix : {&m_met, &m_partnered}) {
        for (auto &row : *matrix)
            row.push_back(0);
        matrix->emplace_back(m_dancers.size(), 0);
    }
    return static_cast<int>(m_dancers.size()) - 1;
}

void Evening::setStatus(int dancer, Status status)
{
    if (m_dancers[dancer].status == Status::Removed)
        return; // for good
    m_dancers[dancer].status = status;
}

bool Evening::satOutLastTip(int dancer) const
{
    if (m_tips.isEmpty())
        return false;
    const Tip &last = m_tips.last();
    if (dancer >= last.spots.size())
        return false;
    const Status status = last.statuses[dancer];
    return (status == Status::Present || status == Status::MustDance) && last.spots[dancer].square == 0;
}

const Tip &Evening::nextTip()
{
    std::mt19937 generator = tipGenerator(m_seed, static_cast<int>(m_tips.size()) + 1);
    const int n = static_cast<int>(m_dancers.size());
    Tip tip;
    tip.statuses.resize(n);
    tip.spots.resize(n);

    std::vector<int> candidates;
    int couples = 0;
    Solos solos;
    for (int d = 0; d < n; ++d) {
        tip.statuses[d] = m_dancers[d].status;
        if (m_dancers[d].status != Status::Present && m_dancers[d].status != Status::MustDance)
            continue;
        candidates.push_back(d);
        if (isSolo(m_dancers[d].kind))
            solos.add(m_dancers[d].kind);
        else
            ++couples;
    }
    int squares = (couples + solos.pairs()) / 4;
    if (m_squareLimit > 0)
        squares = std::min(squares, m_squareLimit);
    tip.squares = squares;

    // Who dances first: must dance, then who sat out the last tip, then who
    // danced the fewest tips for the tips present; ties by the draw.
    std::vector<std::uint32_t> tie(static_cast<size_t>(n));
    for (auto &t : tie)
        t = std::uniform_int_distribution<std::uint32_t>()(generator);
    auto rank = [&](int d) { return m_dancers[d].status == Status::MustDance ? 0 : satOutLastTip(d) ? 1 : 2; };
    // < 0 when x dances before y, 0 when only the draw tells them apart.
    auto compare = [&](int x, int y) {
        if (rank(x) != rank(y))
            return rank(x) - rank(y);
        // danced/present, a dancer not yet present counting as all danced
        const long px = std::max(m_present[x], 1);
        const long py = std::max(m_present[y], 1);
        const long dx = m_present[x] > 0 ? m_danced[x] : 1;
        const long dy = m_present[y] > 0 ? m_danced[y] : 1;
        return dx * py < dy * px ? -1 : dx * py > dy * px ? 1 : 0;
    };
    std::stable_sort(candidates.begin(), candidates.end(), [&](int x, int y) {
        const int c = compare(x, y);
        return c != 0 ? c < 0 : tie[x] < tie[y];
    });

    const int wanted = 4 * squares;
    std::vector<int> chosenCouples;
    std::vector<int> pool;
    Solos pooled;
    std::vector<bool> taken(static_cast<size_t>(n), false);
    int units = 0;
    for (size_t i = 0; i < candidates.size() && units < wanted; ++i) {
        const int d = candidates[i];
        if (taken[d])
            continue;
        taken[d] = true;
        const Kind kind = m_dancers[d].kind;
        if (!isSolo(kind)) {
            chosenCouples.push_back(d);
            ++units;
            continue;
        }
        const int pairsBefore = pooled.pairs();
        pool.push_back(d);
        pooled.add(kind);
        if (pooled.pairs() > pairsBefore) {
            ++units;
            continue;
        }
        // A solo dances only with a partner: the next solo in line who makes
        // one more pair comes forward.
        for (size_t j = i + 1; j < candidates.size(); ++j) {
            const int e = candidates[j];
            if (taken[e] || !isSolo(m_dancers[e].kind))
                continue;
            Solos more = pooled;
            more.add(m_dancers[e].kind);
            if (more.pairs() > pairsBefore) {
                taken[e] = true;
                pool.push_back(e);
                pooled = more;
                ++units;
                break;
            }
        }
    }
    // Solos left without a partner sit out, the last in line first.
    const int pairCount = pooled.pairs();
    for (int i = static_cast<int>(pool.size()) - 1; i >= 0 && static_cast<int>(pool.size()) > 2 * pairCount; --i) {
        Solos fewer = pooled;
        fewer.add(m_dancers[pool[static_cast<size_t>(i)]].kind, -1);
        if (fewer.pairs() == pairCount) {
            pooled = fewer;
            pool.erase(pool.begin() + i);
        }
    }

    // Two heads and two sides a square: when more of the chosen lean one way
    // than the squares can turn, a couple with an equal claim to dance and the
    // other lean takes one's turn, so the draw does not cost the balance.
    auto lean = [&](int d) { return m_heads[d] - m_sides[d]; };
    for (int way : {1, -1}) {
        int leaning = 0;
        for (int d : chosenCouples)
            leaning += lean(d) * way > 0;
        for (size_t i = 0; i < chosenCouples.size() && leaning > 2 * squares; ++i) {
            const int x = chosenCouples[i];
            if (lean(x) * way <= 0)
                continue;
            for (int y : candidates) {
                // As good a claim: the same in the ratio, or as many sit-outs
                // so far in the same rank (a late arrival's ratio differs).
                const bool asGood = compare(x, y) == 0
                    || (rank(x) == rank(y) && m_present[x] - m_danced[x] == m_present[y] - m_danced[y]);
                if (!taken[y] && !isSolo(m_dancers[y].kind) && lean(y) * way <= 0 && asGood) {
                    taken[y] = true;
                    taken[x] = false;
                    chosenCouples[i] = y;
                    --leaning;
                    break;
                }
            }
        }
    }

    std::vector<Unit> placed;
    placed.reserve(chosenCouples.size() + pool.size() / 2);
    for (int d : chosenCouples)
        placed.push_back({d, -1});
    QVector<int> soloLean(n);
    for (int d = 0; d < n; ++d)
        soloLean[d] = m_heads[d] - m_sides[d];
    for (const Unit &pair : pairSolos(pool, m_dancers, m_partnered, soloLean, generator))
        placed.push_back(pair);

    // Heads minus sides so far: who should be a side this time (> 0) or a head.
    std::vector<int> leans;
    leans.reserve(placed.size());
    for (const Unit &u : placed)
        leans.push_back(lean(u.a) + (u.b >= 0 ? lean(u.b) : 0));
    const std::vector<int> square = Placement(placed, m_met, leans).place(generator);
    for (int s = 0; s < squares; ++s) {
        std::vector<int> members;
        for (size_t u = 0; u < placed.size(); ++u) {
            if (square[u] == s)
                members.push_back(static_cast<int>(u));
        }
        shuffle(members, generator);
        std::stable_sort(members.begin(), members.end(), [&](int x, int y) { return leans[x] < leans[y]; });
        // Who leans neither way may go either way. Those likeliest to dance the
        // next tip together (fewest danced for present, this tip counted) go
        // opposite ways, so the next tip's square can still turn them all even.
        std::vector<int> even;
        for (int u : members) {
            if (leans[u] == 0)
                even.push_back(u);
        }
        auto claim = [&](int u) {
            const int d = placed[u].a;
            return double(m_danced[d] + 1) / (m_present[d] + 1);
        };
        std::stable_sort(even.begin(), even.end(), [&](int x, int y) { return claim(x) < claim(y); });
        int headsLeft = 2;
        for (int u : members)
            headsLeft -= leans[u] < 0;
        int sidesLeft = static_cast<int>(even.size()) - headsLeft;
        bool head = headsLeft > sidesLeft || (headsLeft == sidesLeft && draw(generator, 2));
        std::vector<int> headsFirst;
        for (int u : members) {
            if (leans[u] < 0)
                headsFirst.push_back(u);
        }
        std::vector<int> sideUnits;
        for (int u : even) {
            if (headsLeft == 0)
                head = false;
            else if (sidesLeft == 0)
                head = true;
            (head ? headsFirst : sideUnits).push_back(u);
            (head ? headsLeft : sidesLeft) -= 1;
            head = !head;
        }
        for (int u : members) {
            if (leans[u] > 0)
                sideUnits.push_back(u);
        }
        headsFirst.insert(headsFirst.end(), sideUnits.begin(), sideUnits.end());
        members = headsFirst;
        // The first two go head, in either order; the other two side.
        int places[4] = {1, 3, 2, 4};
        if (draw(generator, 2))
            std::swap(places[0], places[1]);
        if (draw(generator, 2))
            std::swap(places[2], places[3]);
        for (int k = 0; k < 4; ++k) {
            const Unit &u = placed[members[static_cast<size_t>(k)]];
            tip.spots[u.a] = {s + 1, places[k], u.b};
            if (u.b >= 0)
                tip.spots[u.b] = {s + 1, places[k], u.a};
        }
    }
    replayTip(tip);
    return m_tips.last();
}

void Evening::replayTip(const Tip &tip)
{
    count(tip, 1);
    m_tips.append(tip);
    for (Dancer &dancer : m_dancers) {
        if (dancer.status == Status::Out || dancer.status == Status::MustDance)
            dancer.status = Status::Present;
    }
}

bool Evening::undoTip()
{
    if (m_tips.isEmpty())
        return false;
    const Tip tip = m_tips.takeLast();
    count(tip, -1);
    for (int d = 0; d < tip.statuses.size(); ++d) {
        if (m_dancers[d].status != Status::Removed)
            m_dancers[d].status = tip.statuses[d];
    }
    return true;
}

void Evening::count(const Tip &tip, int sign)
{
    std::vector<std::vector<int>> squares(static_cast<size_t>(tip.squares) + 1);
    for (int d = 0; d < tip.spots.size(); ++d) {
        if (inHall(tip.statuses[d]))
            m_present[d] += sign;
        const Spot &spot = tip.spots[d];
        if (spot.square == 0)
            continue;
        m_danced[d] += sign;
        (isHead(spot.place) ? m_heads : m_sides)[d] += sign;
        if (spot.partner > d) {
            m_partnered[d][spot.partner] += sign;
            m_partnered[spot.partner][d] += sign;
        }
        squares[static_cast<size_t>(spot.square)].push_back(d);
    }
    for (const auto &members : squares) {
        for (size_t i = 0; i < members.size(); ++i) {
            for (size_t j = i + 1; j < members.size(); ++j) {
                m_met[members[i]][members[j]] += sign;
                m_met[members[j]][members[i]] += sign;
            }
        }
    }
}

namespace {

QString checkTip(const Evening &evening, const Tip &tip, int number)
{
    const auto &dancers = evening.dancers();
    const QString at = QStringLiteral("tip %1: ").arg(number);
    QVector<QVector<int>> places(qsizetype(tip.squares) * 4);
    for (int d = 0; d < tip.spots.size(); ++d) {
        const Spot &s = tip.spots[d];
        if (s.square == 0) {
            if (tip.statuses[d] == Status::MustDance)
                return at + dancers[d].name + QStringLiteral(" must dance but does not");
            continue;
        }
        if (!inHall(tip.statuses[d]) || tip.statuses[d] == Status::Out)
            return at + dancers[d].name + QStringLiteral(" dances but is not to");
        if (s.square < 1 || s.square > tip.squares || s.place < 1 || s.place > 4)
            return at + dancers[d].name + QStringLiteral(" stands outside the squares");
        places[(s.square - 1) * 4 + s.place - 1].append(d);
    }
    for (int i = 0; i < places.size(); ++i) {
        const QVector<int> &in = places[i];
        const QString where = at + QStringLiteral("square %1 place %2 ").arg(i / 4 + 1).arg(i % 4 + 1);
        if (in.size() == 1 && !isSolo(dancers[in[0]].kind) && tip.spots[in[0]].partner < 0)
            continue;
        if (in.size() == 2 && canPair(dancers[in[0]].kind, dancers[in[1]].kind)
            && tip.spots[in[0]].partner == in[1] && tip.spots[in[1]].partner == in[0])
            continue;
        return where + (in.isEmpty() ? QStringLiteral("is empty") : QStringLiteral("is not one couple or one pair"));
    }
    return {};
}

bool dancing(const Tip &tip, int d)
{
    return d < tip.spots.size() && tip.spots[d].square > 0;
}

bool waiting(const Tip &tip, int d)
{
    return d < tip.spots.size() && !dancing(tip, d)
        && (tip.statuses[d] == Status::Present || tip.statuses[d] == Status::MustDance);
}

// Could another dancer have sat out in place of d, who sat out the tip before?
bool avoidable(const Evening &evening, int t, int d)
{
    const Tip &tip = evening.tips()[t];
    const Tip &before = evening.tips()[t - 1];
    const auto &dancers = evening.dancers();
    auto free = [&](int y) {
        return dancing(tip, y) && !waiting(before, y) && tip.statuses[y] != Status::MustDance;
    };
    for (int y = 0; y < tip.spots.size(); ++y) {
        if (!free(y))
            continue;
        if (!isSolo(dancers[d].kind) && !isSolo(dancers[y].kind))
            return true;
        if (isSolo(dancers[d].kind) && isSolo(dancers[y].kind)
            && canPair(dancers[d].kind, dancers[tip.spots[y].partner].kind))
            return true;
        if (isSolo(dancers[d].kind) && !isSolo(dancers[y].kind)) {
            for (int z = 0; z < tip.spots.size(); ++z) {
                if (z != d && waiting(tip, z) && canPair(dancers[d].kind, dancers[z].kind))
                    return true;
            }
        }
    }
    return false;
}

// Distinct square-mates per dancer, summed, for the tips as placed.
long distinctMates(int dancers, const QVector<QVector<QVector<int>>> &squaresPerTip)
{
    std::vector<std::vector<char>> met(static_cast<size_t>(dancers), std::vector<char>(static_cast<size_t>(dancers), 0));
    long distinct = 0;
    for (const auto &squares : squaresPerTip) {
        for (const auto &members : squares) {
            for (int x : members) {
                for (int y : members) {
                    if (x != y && !met[x][y]) {
                        met[x][y] = 1;
                        ++distinct;
                    }
                }
            }
        }
    }
    return distinct;
}

} // namespace

Figures figures(const Evening &evening, int randomRuns)
{
    Figures f;
    const auto &tips = evening.tips();
    const auto &dancers = evening.dancers();
    const int n = static_cast<int>(dancers.size());
    f.tips = static_cast<int>(tips.size());
    for (int t = 0; t < tips.size() && f.valid; ++t) {
        f.invalid = checkTip(evening, tips[t], t + 1);
        f.valid = f.invalid.isEmpty();
    }

    bool first = true;
    bool firstAll = true;
    for (int d = 0; d < n; ++d) {
        if (evening.tipsPresent(d) == 0)
            continue;
        const int out = evening.tipsSatOut(d);
        f.leastSatOut = first ? out : std::min(f.leastSatOut, out);
        f.mostSatOut = first ? out : std::max(f.mostSatOut, out);
        first = false;
        if (evening.tipsPresent(d) == f.tips) {
            f.leastSatOutAllEvening = firstAll ? out : std::min(f.leastSatOutAllEvening, out);
            f.mostSatOutAllEvening = firstAll ? out : std::max(f.mostSatOutAllEvening, out);
            firstAll = false;
        }
        const int balance = std::abs(evening.heads(d) - evening.sides(d));
        int &worst = isSolo(dancers[d].kind) ? f.soloBalance : f.coupleBalance;
        worst = std::max(worst, balance);
    }
    for (int t = 1; t < tips.size(); ++t) {
        for (int d = 0; d < tips[t].spots.size(); ++d) {
            if (waiting(tips[t], d) && waiting(tips[t - 1], d)) {
                ++f.inARow;
                f.avoidableInARow += avoidable(evening, t, d);
            }
        }
    }

    // Who each dancer could have met: who danced a tip with them, at most as many
    // as the places beside them in their squares.
    QVector<QVector<QVector<int>>> placed(tips.size());
    std::vector<std::vector<char>> together(static_cast<size_t>(n), std::vector<char>(static_cast<size_t>(n), 0));
    std::vector<long> beside(static_cast<size_t>(n), 0);
    for (int t = 0; t < tips.size(); ++t) {
        const Tip &tip = tips[t];
        placed[t].resize(tip.squares);
        QVector<int> all;
        for (int d = 0; d < tip.spots.size(); ++d) {
            if (tip.spots[d].square > 0 && tip.spots[d].square <= tip.squares) {
                placed[t][tip.spots[d].square - 1].append(d);
                all.append(d);
            }
        }
        for (int x : all) {
            for (int y : all)
                together[x][y] = 1;
        }
        for (const auto &members : placed[t]) {
            for (int d : members)
                beside[d] += members.size() - 1;
        }
    }
    long most = 0;
    int counted = 0;
    for (int d = 0; d < n; ++d) {
        if (evening.tipsDanced(d) == 0)
            continue;
        ++counted;
        const long others = std::count(together[d].begin(), together[d].end(), 1) - 1;
        most += std::min(others, beside[d]);
        for (int y = 0; y < n; ++y) {
            if (y != d)
                f.repeatedMates += y > d ? std::max(0, evening.timesTogether(d, y) - 1) : 0;
        }
    }
    if (counted == 0)
        return f;
    f.mostPossible = double(most) / counted;
    f.distinctMates = double(distinctMates(n, placed)) / counted;

    // The same dancers in the same places each tip, the places dealt at random.
    long randomSum = 0;
    for (int run = 0; run < randomRuns; ++run) {
        std::mt19937 generator = tipGenerator(evening.seed(), run, 0x52414e44u);
        QVector<QVector<QVector<int>>> shuffled(tips.size());
        for (int t = 0; t < tips.size(); ++t) {
            const Tip &tip = tips[t];
            std::vector<std::vector<int>> units;
            for (int d = 0; d < tip.spots.size(); ++d) {
                const Spot &s = tip.spots[d];
                if (s.square > 0 && (s.partner < 0 || s.partner > d))
                    units.push_back(s.partner < 0 ? std::vector<int>{d} : std::vector<int>{d, s.partner});
            }
            shuffle(units, generator);
            shuffled[t].resize(tip.squares);
            for (size_t u = 0; u < units.size() && static_cast<int>(u / 4) < tip.squares; ++u) {
                for (int d : units[u])
                    shuffled[t][static_cast<int>(u / 4)].append(d);
            }
        }
        randomSum += distinctMates(n, shuffled);
    }
    if (randomRuns > 0)
        f.randomMates = double(randomSum) / randomRuns / counted;
    return f;
}

} // namespace Rotation
