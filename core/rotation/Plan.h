#pragma once

#include "core/rotation/Rotation.h"

#include <QString>
#include <QVector>

// A whole evening planned ahead: numbered dancers, an events file, and the
// evening written as CSV, as cards or as figures.
namespace Rotation {

struct PlanError
{
    QString message;
};

struct Setup
{
    int couples = 0;
    int boys = 0;
    int girls = 0;
    int either = 0;
    int tips = 0;
    int squares = 0; // 0: no limit
    std::uint32_t seed = 1;
};

struct Event
{
    enum What { Arrive, Leave, Out, Dance, Remove };
    int tip = 0;
    What what = Arrive;
    int dancer = -1;
    int line = 0; // in its file, for the messages
};

// C1...Cc, then B1..., G1..., E1...
Evening dancersFor(const Setup &setup);
// One event a line, "TIP arrive|leave|out|dance|remove ID"; blank lines and # comments skipped.
// Throws PlanError naming the file and the line.
QVector<Event> readEvents(const QString &file, const Evening &evening, int tips);
QVector<Event> parseEvents(const QByteArray &text, const QString &file, const Evening &evening, int tips);

struct Planned
{
    Evening evening;
    QVector<double> msPerTip;
};
// Throws PlanError when an event does not fit the evening (out while absent...).
Planned plan(const Setup &setup, const QVector<Event> &events, const QString &eventsFile = QString());

// The evening with tips more planned from the statuses as they stand; the
// evening given is left as it is.
Evening ahead(Evening evening, int tips);

QString csv(const Evening &evening);
QString cards(const Evening &evening);
QString figuresText(const Planned &planned, const Setup &setup);

} // namespace Rotation
