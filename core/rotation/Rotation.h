#pragma once

#include <QString>
#include <QVector>
#include <cstdint>
#include <vector>

// The rotation of a hall over an evening: who dances each tip, who sits out,
// how solos pair up and which couple stands where. A plain value: no widgets,
// no files; one seed gives one evening.
namespace Rotation {

enum class Kind { Couple, Boy, Girl, Either };
// Out and MustDance hold for the next tip only; after it the dancer is Present.
// Removed is for good: the dancer's tips so far stay, so everyone else's counts
// stay true, but the dancer is never counted present or chosen again.
enum class Status { Present, Absent, Out, MustDance, Removed };
// Neither absent nor removed: the tip counts as one the dancer could have danced.
inline bool inHall(Status status) { return status != Status::Absent && status != Status::Removed; }

struct Dancer
{
    QString name;
    Kind kind = Kind::Couple;
    Status status = Status::Present;
};

// Where one dancer stands in one tip; square 0 when not dancing.
struct Spot
{
    int square = 0;  // 1...squares
    int place = 0;   // 1 and 3 heads, 2 and 4 sides
    int partner = -1; // a solo's partner for the tip
};

struct Tip
{
    int squares = 0;
    QVector<Status> statuses; // each dancer's status for this tip, as it was set
    QVector<Spot> spots;      // one per dancer known at the tip
};

bool isSolo(Kind kind);
// A boy with a girl; "either" with anyone.
bool canPair(Kind a, Kind b);
inline bool isHead(int place) { return place == 1 || place == 3; }

class Evening
{
public:
    explicit Evening(std::uint32_t seed = 1);

    std::uint32_t seed() const { return m_seed; }
    // 0: as many squares as the dancers fill.
    void setSquareLimit(int squares) { m_squareLimit = squares; }
    int squareLimit() const { return m_squareLimit; }

    int addDancer(const QString &name, Kind kind, Status status = Status::Present);
    void setStatus(int dancer, Status status);
    const QVector<Dancer> &dancers() const { return m_dancers; }
    const QVector<Tip> &tips() const { return m_tips; }

    // Computes the next tip from the statuses and the tips so far, and keeps it.
    const Tip &nextTip();
    // Takes the last tip back and restores the statuses it was computed from,
    // all but a removal, which undoing a tip does not take back.
    bool undoTip();
    // Takes a tip computed before (read back from a file) as the next one.
    void replayTip(const Tip &tip);

    int tipsPresent(int dancer) const { return m_present[dancer]; }
    int tipsDanced(int dancer) const { return m_danced[dancer]; }
    int tipsSatOut(int dancer) const { return m_present[dancer] - m_danced[dancer]; }
    int heads(int dancer) const { return m_heads[dancer]; }
    int sides(int dancer) const { return m_sides[dancer]; }
    int timesTogether(int a, int b) const { return m_met[a][b]; }
    int timesPartnered(int a, int b) const { return m_partnered[a][b]; }
    // Present at the last tip and not dancing it, though not at their own asking.
    bool satOutLastTip(int dancer) const;

private:
    void count(const Tip &tip, int sign);

    std::uint32_t m_seed;
    int m_squareLimit = 0;
    QVector<Dancer> m_dancers;
    QVector<Tip> m_tips;
    QVector<int> m_present;
    QVector<int> m_danced;
    QVector<int> m_heads;
    QVector<int> m_sides;
    std::vector<std::vector<int>> m_met;
    std::vector<std::vector<int>> m_partnered;
};

// The evening's figures, as `vorlet-rotate stats` prints them.
struct Figures
{
    int tips = 0;
    bool valid = true; // every tip: four places per square, each filled once
    QString invalid;   // the first fault found
    int leastSatOut = 0;
    int mostSatOut = 0;
    int leastSatOutAllEvening = 0; // among the dancers present at every tip
    int mostSatOutAllEvening = 0;
    int inARow = 0;          // sit-outs straight after a sit-out
    int avoidableInARow = 0; // of those, the ones another dancer could have taken
    int repeatedMates = 0;   // meetings in a square beyond each pair's first
    double distinctMates = 0;   // per dancer, a couple counting as one
    double mostPossible = 0;    // per dancer
    double randomMates = 0;     // per dancer, the same evening placed at random
    int coupleBalance = 0;      // the largest head/side difference of a couple
    int soloBalance = 0;        // the same for a solo
    double share() const { return mostPossible > 0 ? distinctMates / mostPossible : 1.0; }
    double randomShare() const { return mostPossible > 0 ? randomMates / mostPossible : 1.0; }
    // How far from the random placement towards the most possible, 0...1.
    double wayFromRandom() const
    {
        return mostPossible > randomMates ? (distinctMates - randomMates) / (mostPossible - randomMates) : 1.0;
    }
};

Figures figures(const Evening &evening, int randomRuns = 20);

} // namespace Rotation
