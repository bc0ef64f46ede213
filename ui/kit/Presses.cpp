#include "ui/kit/Presses.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <deque>

namespace {

struct Press
{
    QPointer<QObject> lane;
    std::function<bool()> held;
    std::function<void()> run;
};

std::deque<Press> &queue()
{
    static std::deque<Press> presses;
    return presses;
}

// Lanes with a press under way; a box it opened runs the event loop inside it.
QSet<const QObject *> &busy()
{
    static QSet<const QObject *> lanes;
    return lanes;
}

void runDue();

// One timer for every press: it comes due at once for a new press, and
// shortly again while something waits (a box or a busy lane lets go in its
// own time).
QTimer &dueTimer()
{
    static QPointer<QTimer> timer;
    if (!timer) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, &runDue);
    }
    return *timer;
}

void retryLater()
{
    if (!dueTimer().isActive())
        dueTimer().start(20);
}

bool waits(const Press &p)
{
    return busy().contains(p.lane) || (p.held && p.held());
}

void runDue()
{
    auto &presses = queue();
    for (auto it = presses.begin(); it != presses.end();) {
        if (!it->lane) {
            it = presses.erase(it);
            continue;
        }
        // A later press of a waiting lane waits behind it.
        bool behind = false;
        for (auto before = presses.begin(); before != it && !behind; ++before)
            behind = before->lane == it->lane;
        if (behind || waits(*it)) {
            ++it;
            continue;
        }
        Press p = std::move(*it);
        presses.erase(it);
        const QObject *lane = p.lane;
        busy().insert(lane);
        p.run();
        busy().remove(lane);
        // The queue may have changed inside the press: look again from the start.
        it = presses.begin();
    }
    if (!presses.empty())
        retryLater();
}

} // namespace

namespace Presses {

void post(QObject *lane, std::function<bool()> held, std::function<void()> press)
{
    queue().push_back({lane, std::move(held), std::move(press)});
    dueTimer().start(0);
}

int pending()
{
    return static_cast<int>(queue().size());
}

} // namespace Presses
