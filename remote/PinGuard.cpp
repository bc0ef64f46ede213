#include "remote/PinGuard.h"

QHostAddress PinGuard::plain(const QHostAddress &address)
{
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip) : address;
}

qint64 PinGuard::waitLeft(const QHostAddress &address, qint64 nowMs) const
{
    const auto it = m_entries.constFind(plain(address));
    return it == m_entries.constEnd() ? 0 : qMax<qint64>(0, it->until - nowMs);
}

int PinGuard::failed(const QHostAddress &address, qint64 nowMs)
{
    if (m_entries.size() >= MaxEntries) {
        // Only the addresses still waiting matter; the rest start again.
        for (auto it = m_entries.begin(); it != m_entries.end();)
            it = it->until > nowMs ? std::next(it) : m_entries.erase(it);
        if (m_entries.size() >= MaxEntries)
            m_entries.erase(m_entries.begin());
    }
    Entry &e = m_entries[plain(address)];
    if (e.until != 0 && e.until <= nowMs) { // a wait that has passed starts a new round
        e.wrong = 0;
        e.until = 0;
    }
    if (++e.wrong >= MaxTries) {
        e.until = nowMs + WaitMs;
        return 0;
    }
    return MaxTries - e.wrong;
}

void PinGuard::succeeded(const QHostAddress &address)
{
    m_entries.remove(plain(address));
}
