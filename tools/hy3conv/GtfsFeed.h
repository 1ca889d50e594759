#pragma once

#include "GtfsCsv.h"
#include "GtfsSource.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// A published bus feed (GTFS, with the Japanese extensions) read into plain
// structures: only the files and columns that a fare file and an
// announcement file need, and of those only what the routes asked for use.
// Nothing here touches a window, and every entry point below refuses bad
// input with Gtfs::Error instead of failing in any other way, so the reader
// can be fed arbitrary bytes.
namespace Gtfs {

struct Route
{
    std::string id;
    QString shortName;
    QString longName;
};

struct StopTime
{
    std::int64_t sequence = -1; // -1 when stop_sequence is not a whole number
    std::string stopId;
    int line = 0; // in stop_times.txt
};

// The trip of a route that the board is made from in one direction: the one
// with the most stops, the first in trips.txt of equals.
struct RouteTrip
{
    std::size_t route = 0; // index into Feed::routes
    int direction = 0;     // 0 or 1
    std::string id;
    QString headsign;
    std::vector<StopTime> stopTimes; // in file order
};

// Fare zones are numbered in the order they are met; 0 is "no zone" on a
// stop and "any zone" on a fare rule.
using Zone = std::uint32_t;

struct Stop
{
    QString name; // as written
    Zone zone = 0;
    std::string parent; // parent_station, empty when none
};

struct FareAttribute
{
    bool known = false; // false: a rule names a fare_id that fare_attributes.txt lacks
    std::string price;  // as written; read when a rule that uses it applies
    std::string icPrice;
    int line = 0;
};

struct FareRule
{
    static constexpr std::size_t kAnyRoute = static_cast<std::size_t>(-1);
    std::uint32_t fare = 0; // index into Feed::fares
    std::size_t route = kAnyRoute;
    Zone origin = 0;
    Zone destination = 0;
    int line = 0;
};

struct Feed
{
    std::vector<Route> routes; // every route, in file order
    // For each route read, a trip per direction that has one; by route,
    // then direction.
    std::vector<RouteTrip> trips;
    // The stops of those trips, and the stations they belong to.
    std::unordered_map<std::string, Stop> stops;
    std::vector<std::string> zoneIds; // by Zone; [0] is empty
    // The fare files that are missing; fares are only known when both exist.
    QStringList missingFareFiles;
    bool hasIcPrice = false; // fare_attributes.txt has the IC-card fare column
    std::vector<std::string> fareIds; // by FareRule::fare
    std::vector<FareAttribute> fares; // by FareRule::fare
    // The rules that can apply to the routes read, sorted by origin and
    // destination so that those of a pair of zones are found at once.
    std::vector<FareRule> fareRules;
    // Stop-name readings (language ja-Hrkt) of the stops above: by stop_id,
    // and by the name they read.
    std::unordered_map<std::string, QString> readingByStopId;
    std::unordered_map<std::string, QString> readingByName;
    QStringList warnings;
};

// Reads a feed in two steps: the routes, from which the caller picks, then
// what the picked routes need, each table as a stream keeping only that.
class FeedReader
{
public:
    // Throws Error for a missing stops.txt, routes.txt, trips.txt or
    // stop_times.txt, and for a routes.txt that cannot be read.
    explicit FeedReader(FeedSource& source);

    const std::vector<Route>& routes() const { return m_routes; }

    // Throws Error for a missing required column, bytes that are not UTF-8
    // and broken quoting, naming the file and the line.
    Feed read(const std::vector<std::size_t>& routes);

private:
    FeedSource& m_source;
    std::vector<Route> m_routes;
    std::unordered_map<std::string, std::size_t> m_routeIndex;
};

} // namespace Gtfs
