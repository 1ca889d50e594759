#pragma once

#include "GtfsFeed.h"
#include "panel/Hy3File.h"
#include "speech/TapeCsv.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// One route of a read feed made into the two files the board runs on: the
// fare rows of its stops and the announcement rows spoken between them.
namespace Gtfs {

struct RouteSummary
{
    const Route* route = nullptr;
    // Stops of the longest trip in direction 0 and 1; 0 for no trip.
    std::array<int, 2> stops{};
};

// Every route of the feed, in file order.
std::vector<RouteSummary> summarize(const Feed& feed);

struct ImportRequest
{
    QString route;     // a route_id or a route_short_name
    int direction = 0; // 0 or 1
    QString keito;     // route number for the file names; empty to take the short name
};

struct ImportedRoute
{
    QString keito; // digits without leading zeros, as the board names files
    const Route* route = nullptr;
    std::vector<Hy3File::Record> records;
    std::vector<TapeCsv::Row> tape;
    int tickets = 0; // numbered-ticket numbers the route issues
    QStringList warnings;
};

// Throws Error for an unknown or ambiguous route, a direction without trips,
// a stop time naming a stop that does not exist, a stop_sequence that is not
// a whole number, a name or a reading that code page 932 cannot hold, a keito
// that is not 1 to 5 digits (or none given where the short name is not), a
// trip of fewer than 2 or more than 301 stops, and a fare that is not a whole
// number of yen from 0 to 32767.
ImportedRoute importRoute(const Feed& feed, const ImportRequest& request);

// The announcement file for rows: code page 932, quoted texts, CR LF.
QByteArray tapeBytes(const std::vector<TapeCsv::Row>& rows);

} // namespace Gtfs
