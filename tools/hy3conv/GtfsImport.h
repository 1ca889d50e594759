#pragma once

#include "GtfsFeed.h"
#include "GtfsSource.h"
#include "board/BoardLayout.h"
#include "panel/Hy3File.h"
#include "speech/TapeCsv.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <vector>

// One route of a feed made into the two files the board runs on: the fare
// rows of its stops and the announcement rows spoken between them.
namespace Gtfs {

struct DirectionSummary
{
    int stops = 0;    // of the trip the board would be made from; 0 for no trip
    QString headsign; // trip_headsign, else the name of the trip's last stop
    int sections = 0; // fare sections (ticket numbers); -1 when the trip cannot be imported
};

struct RouteSummary
{
    Route route;
    std::array<DirectionSummary, 2> directions; // direction_id 0 and 1
};

// Every route of the feed, in file order.
std::vector<RouteSummary> summarize(FeedSource& source);

struct ImportRequest
{
    QString route;      // a route_id or a route_short_name
    int direction = -1; // 0 or 1; -1: the only direction with trips, else 0
    QString keito;      // route number for the file names; empty to take the short name
    bool ticketPerStop = false; // every stop issues a number of its own, not every fare section
    bool ic = false;            // the IC-card fares (ic_price) instead of the cash fares
    int board = 0;              // 12 or 36; 0: the thirty-six-ticket board when more than 12 numbers are issued
};

struct ImportedRoute
{
    QString keito; // digits without leading zeros, as the board names files
    Route route;
    int direction = 0;
    std::vector<Hy3File::Record> records;
    std::vector<TapeCsv::Row> tape;
    int tickets = 0; // numbered-ticket numbers the route issues
    // The board the fare file is laid out for: the twelve-ticket board
    // shows the fares of tickets 1 to 12, the thirty-six-ticket one those of
    // tickets 1 to 150 (its values 13 to 150 are fares too).
    BoardLayout layout = BoardLayout::Tickets12;
    QStringList warnings; // one line for each kind of thing the user should know
};

// The index of the route whose route_id, or else whose route_short_name, is
// wanted. Throws Error for none and for a short name several routes share.
std::size_t findRoute(const std::vector<Route>& routes, const QString& wanted);

// Reads only what the route needs from the source, then imports it.
ImportedRoute importRoute(FeedSource& source, const ImportRequest& request);

// Throws Error for a direction without trips, a stop time naming a stop that
// does not exist, a stop_sequence that is not a whole number, a name that
// code page 932 cannot hold, a keito that is not 1 to 5 digits (or none
// given where the short name is not), a trip of fewer than 2 or more than
// 301 stops, a fare that is not a whole number of yen from 0 to 32767, and
// IC-card fares asked of a feed without them. feed must hold the route.
ImportedRoute importRoute(const Feed& feed, std::size_t route, const ImportRequest& request);

// The announcement file for rows: code page 932, quoted texts, CR LF.
QByteArray tapeBytes(const std::vector<TapeCsv::Row>& rows);

} // namespace Gtfs
