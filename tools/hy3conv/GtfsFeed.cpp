#include "GtfsFeed.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>

namespace Gtfs {

namespace {

const char* const kRequired[] = {"stops.txt", "routes.txt", "trips.txt", "stop_times.txt"};

std::string str(std::string_view s)
{
    return std::string(s);
}

std::unique_ptr<ByteStream> openRequired(FeedSource& source, const char* name)
{
    std::unique_ptr<ByteStream> stream = source.open(name);
    if (!stream) {
        throw Error(QStringLiteral("%1 がありません (フィードには stops.txt, routes.txt, trips.txt, stop_times.txt が必要です)。")
                        .arg(QLatin1String(name)));
    }
    return stream;
}

// One file of the feed read as a table, from its header on.
class Table
{
public:
    Table(std::unique_ptr<ByteStream> stream, const char* name)
        : m_stream(std::move(stream))
        , m_csv(QLatin1String(name), *m_stream)
    {
    }
    Table(FeedSource& source, const char* name)
        : Table(openRequired(source, name), name)
    {
    }
    CsvReader* operator->() { return &m_csv; }

private:
    std::unique_ptr<ByteStream> m_stream;
    CsvReader m_csv;
};

// A non-negative whole number of at most 18 digits, else -1.
std::int64_t sequenceOf(std::string_view s)
{
    if (s.empty() || s.size() > 18)
        return -1;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

struct TripRow
{
    std::string id;
    std::size_t route = 0;
    int direction = 0; // 0 or 1; -1 for a value that is neither
    QString headsign;
    std::size_t stopTimes = 0;
};

using TripIndex = std::unordered_map<std::string, std::uint32_t>;

void readTrips(FeedSource& source, const std::unordered_map<std::string, std::size_t>& routeIndex,
               const std::vector<bool>& wanted, std::vector<TripRow>& trips, TripIndex& index)
{
    Table t(source, "trips.txt");
    const int route = t->requireColumn("route_id");
    const int id = t->requireColumn("trip_id");
    const int direction = t->column("direction_id");
    const int headsign = t->column("trip_headsign");
    while (const CsvRecord* r = t->next()) {
        const auto routeIt = routeIndex.find(str(r->field(route)));
        if (routeIt == routeIndex.end() || !wanted[routeIt->second])
            continue;
        std::string tripId = str(r->field(id));
        if (!index.try_emplace(tripId, static_cast<std::uint32_t>(trips.size())).second)
            continue;
        const std::string_view d = r->field(direction);
        // direction_id may be left out; a trip without one runs direction 0.
        const int dir = d.empty() || d == "0" ? 0 : d == "1" ? 1 : -1;
        trips.push_back({std::move(tripId), routeIt->second, dir, text(r->field(headsign)), 0});
    }
}

// Calls onRow for every row of stop_times.txt whose trip is in the index.
template <typename OnRow>
void readStopTimes(FeedSource& source, const TripIndex& trips, OnRow onRow)
{
    Table t(source, "stop_times.txt");
    const int trip = t->requireColumn("trip_id");
    const int stop = t->requireColumn("stop_id");
    const int sequence = t->requireColumn("stop_sequence");
    std::string key;
    while (const CsvRecord* r = t->next()) {
        key.assign(r->field(trip));
        const auto it = trips.find(key);
        if (it != trips.end())
            onRow(it->second, StopTime{sequenceOf(r->field(sequence)), str(r->field(stop)), r->line()});
    }
}

class ZoneNumbers
{
public:
    explicit ZoneNumbers(std::vector<std::string>& ids)
        : m_ids(ids)
    {
        m_ids.assign(1, std::string());
    }
    Zone add(std::string_view id)
    {
        if (id.empty())
            return 0;
        const auto [it, added] = m_index.try_emplace(str(id), static_cast<Zone>(m_ids.size()));
        if (added)
            m_ids.push_back(it->first);
        return it->second;
    }
    // nullopt for a zone that no stop read is in.
    std::optional<Zone> find(std::string_view id) const
    {
        if (id.empty())
            return Zone{0};
        const auto it = m_index.find(str(id));
        return it == m_index.end() ? std::nullopt : std::optional<Zone>(it->second);
    }

private:
    std::vector<std::string>& m_ids;
    std::unordered_map<std::string, Zone> m_index;
};

// Keeps the stops named in wanted; returns the stations of those that are
// neither kept nor wanted.
std::unordered_set<std::string> readStops(FeedSource& source, const std::unordered_set<std::string>& wanted,
                                          ZoneNumbers& zones, Feed& feed)
{
    Table t(source, "stops.txt");
    const int id = t->requireColumn("stop_id");
    const int name = t->requireColumn("stop_name");
    const int zone = t->column("zone_id");
    const int parent = t->column("parent_station");
    while (const CsvRecord* r = t->next()) {
        std::string stopId = str(r->field(id));
        if (!wanted.count(stopId) || feed.stops.count(stopId))
            continue;
        feed.stops.emplace(std::move(stopId), Stop{text(r->field(name)), zones.add(r->field(zone)), str(r->field(parent))});
    }
    std::unordered_set<std::string> stations;
    for (const auto& [stopId, stop] : feed.stops) {
        if (!stop.parent.empty() && !feed.stops.count(stop.parent))
            stations.insert(stop.parent);
    }
    return stations;
}

void readFareRules(FeedSource& source, const std::unordered_map<std::string, std::size_t>& routeIndex,
                   const std::vector<bool>& wanted, const ZoneNumbers& zones, Feed& feed)
{
    Table t(source, "fare_rules.txt");
    const int fareId = t->requireColumn("fare_id");
    const int route = t->column("route_id");
    const int origin = t->column("origin_id");
    const int destination = t->column("destination_id");
    std::unordered_map<std::string, std::uint32_t> fareIndex;
    while (const CsvRecord* r = t->next()) {
        FareRule rule;
        if (const std::string_view id = r->field(route); !id.empty()) {
            const auto it = routeIndex.find(str(id));
            if (it == routeIndex.end() || !wanted[it->second])
                continue;
            rule.route = it->second;
        }
        // A rule between zones that no stop read is in never applies.
        const std::optional<Zone> from = zones.find(r->field(origin));
        const std::optional<Zone> to = zones.find(r->field(destination));
        if (!from || !to)
            continue;
        rule.origin = *from;
        rule.destination = *to;
        const auto [it, added] = fareIndex.try_emplace(str(r->field(fareId)), static_cast<std::uint32_t>(feed.fareIds.size()));
        if (added)
            feed.fareIds.push_back(it->first);
        rule.fare = it->second;
        rule.line = r->line();
        feed.fareRules.push_back(rule);
    }
    std::stable_sort(feed.fareRules.begin(), feed.fareRules.end(), [](const FareRule& a, const FareRule& b) {
        return std::pair(a.origin, a.destination) < std::pair(b.origin, b.destination);
    });
}

void readFareAttributes(Table& t, Feed& feed)
{
    const int fareId = t->requireColumn("fare_id");
    const int price = t->requireColumn("price");
    const int icPrice = t->column("ic_price");
    feed.hasIcPrice = icPrice >= 0;
    std::unordered_map<std::string, std::uint32_t> index;
    for (std::uint32_t f = 0; f < feed.fareIds.size(); ++f)
        index.emplace(feed.fareIds[f], f);
    feed.fares.assign(feed.fareIds.size(), FareAttribute{});
    std::string key;
    while (const CsvRecord* r = t->next()) {
        key.assign(r->field(fareId));
        const auto it = index.find(key);
        if (it == index.end() || feed.fares[it->second].known)
            continue;
        feed.fares[it->second] = {true, str(r->field(price)), str(r->field(icPrice)), r->line()};
    }
}

void readFares(FeedSource& source, const std::unordered_map<std::string, std::size_t>& routeIndex,
               const std::vector<bool>& wanted, const ZoneNumbers& zones, Feed& feed)
{
    std::unique_ptr<ByteStream> attributes = source.open("fare_attributes.txt");
    if (!attributes)
        feed.missingFareFiles << QStringLiteral("fare_attributes.txt");
    if (!source.open("fare_rules.txt"))
        feed.missingFareFiles << QStringLiteral("fare_rules.txt");
    if (!feed.missingFareFiles.isEmpty()) {
        // Only to say whether the IC-card fares could have been taken; the
        // file is not used, so a broken one does not stop the import.
        if (attributes) {
            try {
                feed.hasIcPrice = Table(std::move(attributes), "fare_attributes.txt")->column("ic_price") >= 0;
            } catch (const Error&) {
            }
        }
        return;
    }
    // The rules first: they say which of the fares are needed.
    readFareRules(source, routeIndex, wanted, zones, feed);
    Table t(std::move(attributes), "fare_attributes.txt");
    readFareAttributes(t, feed);
}

bool isReadingLanguage(std::string_view language)
{
    return lowerAscii(language) == "ja-hrkt";
}

// Both layouts of translations.txt: the current one names the table and the
// field and points at a record or at a value; the older one maps a written
// text (trans_id, the stop name itself) to its translation.
void readTranslations(FeedSource& source, Feed& feed)
{
    std::unique_ptr<ByteStream> stream = source.open("translations.txt");
    if (!stream)
        return;
    Table t(std::move(stream), "translations.txt");
    std::unordered_set<std::string> names;
    for (const auto& [id, stop] : feed.stops)
        names.insert(stop.name.toStdString());
    auto byName = [&](std::string_view name, std::string_view reading) {
        if (const auto it = names.find(str(name)); it != names.end())
            feed.readingByName.try_emplace(*it, text(reading));
    };
    const int translation = t->column("translation");
    if (t->column("table_name") >= 0 && translation >= 0) {
        const int tableName = t->column("table_name");
        const int fieldName = t->column("field_name");
        const int language = t->column("language");
        const int recordId = t->column("record_id");
        const int fieldValue = t->column("field_value");
        while (const CsvRecord* r = t->next()) {
            if (r->field(tableName) != "stops" || r->field(fieldName) != "stop_name"
                || !isReadingLanguage(r->field(language)) || r->field(translation).empty()) {
                continue;
            }
            if (const std::string_view id = r->field(recordId); !id.empty()) {
                if (feed.stops.count(str(id)))
                    feed.readingByStopId.try_emplace(str(id), text(r->field(translation)));
            } else if (!r->field(fieldValue).empty()) {
                byName(r->field(fieldValue), r->field(translation));
            }
        }
    } else if (t->column("trans_id") >= 0 && translation >= 0) {
        const int transId = t->column("trans_id");
        const int lang = t->column("lang");
        while (const CsvRecord* r = t->next()) {
            if (isReadingLanguage(r->field(lang)) && !r->field(translation).empty())
                byName(r->field(transId), r->field(translation));
        }
    } else {
        feed.warnings << QStringLiteral("translations.txt の列が読めないため、停留所名の読みは使いませんでした。");
    }
}

} // namespace

FeedReader::FeedReader(FeedSource& source)
    : m_source(source)
{
    // The four files every feed has are checked before any is read, so a
    // missing one is named even when another is also broken.
    for (const char* name : kRequired)
        openRequired(source, name);
    Table t(source, "routes.txt");
    const int id = t->requireColumn("route_id");
    const int shortName = t->column("route_short_name");
    const int longName = t->column("route_long_name");
    while (const CsvRecord* r = t->next()) {
        std::string routeId = str(r->field(id));
        if (!m_routeIndex.try_emplace(routeId, m_routes.size()).second)
            continue;
        m_routes.push_back({std::move(routeId), text(r->field(shortName)), text(r->field(longName))});
    }
}

Feed FeedReader::read(const std::vector<std::size_t>& routes)
{
    Feed feed;
    feed.routes = m_routes;
    std::vector<bool> wanted(m_routes.size(), false);
    for (std::size_t r : routes)
        wanted.at(r) = true;

    std::vector<TripRow> trips;
    TripIndex tripIndex;
    readTrips(m_source, m_routeIndex, wanted, trips, tripIndex);

    // One route's stop times are few enough to keep while counting; for
    // many routes the longest trips are known only after a first count, and
    // a second pass takes their rows.
    const bool keepWhileCounting = routes.size() <= 1;
    std::vector<std::pair<std::uint32_t, StopTime>> rows;
    readStopTimes(m_source, tripIndex, [&](std::uint32_t trip, StopTime&& st) {
        ++trips[trip].stopTimes;
        if (keepWhileCounting)
            rows.emplace_back(trip, std::move(st));
    });

    // The longest trip of each route and direction, the first of equals.
    std::vector<std::array<std::optional<std::uint32_t>, 2>> best(m_routes.size());
    for (std::uint32_t t = 0; t < trips.size(); ++t) {
        const TripRow& trip = trips[t];
        if (trip.direction != 0 && trip.direction != 1)
            continue;
        std::optional<std::uint32_t>& b = best[trip.route][static_cast<std::size_t>(trip.direction)];
        if (!b || trip.stopTimes > trips[*b].stopTimes)
            b = t;
    }
    TripIndex chosen;
    for (std::size_t r = 0; r < m_routes.size(); ++r) {
        for (int d = 0; d < 2; ++d) {
            if (const auto& b = best[r][static_cast<std::size_t>(d)]) {
                TripRow& trip = trips[*b];
                chosen.emplace(trip.id, static_cast<std::uint32_t>(feed.trips.size()));
                feed.trips.push_back({r, d, trip.id, std::move(trip.headsign), {}});
            }
        }
    }
    auto keep = [&](std::uint32_t trip, StopTime&& st) {
        const auto it = chosen.find(trips[trip].id);
        if (it != chosen.end())
            feed.trips[it->second].stopTimes.push_back(std::move(st));
    };
    if (keepWhileCounting) {
        for (auto& [trip, st] : rows)
            keep(trip, std::move(st));
        rows = {};
    } else {
        TripIndex chosenRows;
        for (const auto& [id, at] : chosen)
            chosenRows.emplace(id, tripIndex.at(id));
        readStopTimes(m_source, chosenRows, keep);
    }
    trips = {};

    std::unordered_set<std::string> wantedStops;
    for (const RouteTrip& trip : feed.trips) {
        for (const StopTime& st : trip.stopTimes)
            wantedStops.insert(st.stopId);
    }
    ZoneNumbers zones(feed.zoneIds);
    const std::unordered_set<std::string> stations = readStops(m_source, wantedStops, zones, feed);
    if (!stations.empty())
        readStops(m_source, stations, zones, feed);

    readFares(m_source, m_routeIndex, wanted, zones, feed);
    readTranslations(m_source, feed);
    return feed;
}

} // namespace Gtfs
