#pragma once

#include <QString>

// Finding and starting another program; tests put a fake in its place.
class Launcher
{
public:
    virtual ~Launcher() = default;

    // An existing ordinary file; hidden and system files are not found.
    virtual bool fileExists(const QString &path) = 0;
    // Starts the program in a normal window without waiting for it; false when it cannot be started.
    virtual bool start(const QString &path) = 0;

    static Launcher &system();
};
