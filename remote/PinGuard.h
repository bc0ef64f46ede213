#pragma once

#include <QHash>
#include <QHostAddress>

// Wrong pairing tries, counted per address: after MaxTries wrong ones in a row
// the address waits WaitMs before it may try again, the right PIN included.
class PinGuard
{
public:
    static constexpr int MaxTries = 5;
    static constexpr qint64 WaitMs = 30'000;

    // How long the address must still wait, 0 when it may try now.
    qint64 waitLeft(const QHostAddress &address, qint64 nowMs) const;
    // Counts a wrong try; returns the tries left before the wait.
    int failed(const QHostAddress &address, qint64 nowMs);
    void succeeded(const QHostAddress &address);
    void clear() { m_entries.clear(); }

    // An IPv4 peer seen through a dual-stack socket is the same peer.
    static QHostAddress plain(const QHostAddress &address);

private:
    struct Entry
    {
        int wrong = 0;
        qint64 until = 0;
    };
    // Bounded, so that a flood of addresses cannot grow it without end.
    static constexpr int MaxEntries = 4096;
    QHash<QHostAddress, Entry> m_entries;
};
