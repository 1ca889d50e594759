#pragma once

#include "GtfsCsv.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A published bus feed (GTFS, with the Japanese extensions) read into plain
// structures: only the files and columns that a fare file and an
// announcement file need. Nothing here touches a window, and every entry
// point below refuses bad input with Gtfs::Error instead of failing in any
// other way, so the reader can be fed arbitrary bytes.
namespace Gtfs {

// What a feed may inflate to. Published feeds of large cities reach a few
// hundred megabytes of stop times; a zip bomb stops at these bounds.
struct Limits
{
    std::size_t maxFileBytes = std::size_t{768} << 20;
    std::size_t maxTotalBytes = std::size_t{1024} << 20;
};

// The files of a feed by lower-case name ("stops.txt"), with their bytes.
using FeedFiles = std::map<std::string, std::string>;

// The files the reader uses; others are never inflated.
const std::vector<std::string>& usedFileNames();

// The used files of a zip file, of a zip held in memory, of a folder, and of
// whichever of zip file or folder the path names. Names are matched without
// regard to case, and inside a zip also in a folder (some feeds are zipped
// with their folder). Messages do not name the path: the caller does.
FeedFiles readZipFile(const QString& path, const Limits& limits = {});
FeedFiles readZipBytes(std::string_view bytes, const Limits& limits = {});
FeedFiles readFolder(const QString& path, const Limits& limits = {});
FeedFiles readFeedFiles(const QString& path, const Limits& limits = {});

struct Stop
{
    QString name;     // as written
    std::string zone; // zone_id, empty when the stop has none
};

struct Route
{
    std::string id;
    QString shortName;
    QString longName;
};

struct Trip
{
    std::string id;
    std::size_t route = 0; // index into Feed::routes
    int direction = 0;     // 0 or 1; -1 for a value that is neither
};

struct StopTime
{
    std::uint32_t trip = 0;     // index into Feed::trips
    std::int64_t sequence = -1; // -1 when stop_sequence is not a whole number
    std::string stopId;
    int line = 0; // in stop_times.txt
};

struct FareAttribute
{
    std::string price; // as written; read when a rule that uses it applies
    int line = 0;
};

struct FareRule
{
    std::string fareId;
    std::string routeId;
    std::string originId;
    std::string destinationId;
    int line = 0;
};

struct Feed
{
    std::unordered_map<std::string, Stop> stops;
    std::vector<Route> routes; // in file order
    std::vector<Trip> trips;   // in file order; trips of unknown routes are left out
    std::vector<StopTime> stopTimes; // in file order; rows of unknown trips are left out
    // The fare files that are missing; fares are only known when both exist.
    QStringList missingFareFiles;
    std::unordered_map<std::string, FareAttribute> fares; // by fare_id
    std::vector<FareRule> fareRules;
    // Stop-name readings (language ja-Hrkt): by stop_id, and by the name
    // they read.
    std::unordered_map<std::string, QString> readingByStopId;
    std::unordered_map<std::string, QString> readingByName;
    QStringList warnings;
};

// Reads the feed. Throws Error for a missing stops.txt, routes.txt, trips.txt
// or stop_times.txt, a missing required column, bytes that are not UTF-8 and
// broken quoting, naming the file and the line.
Feed readFeed(const FeedFiles& files);

} // namespace Gtfs
