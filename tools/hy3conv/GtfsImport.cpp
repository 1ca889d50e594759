#include "GtfsImport.h"

#include "FareCsv.h"
#include "platform/Cp932.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace Gtfs {

namespace {

// The board shows the fares of tickets 1 to 12.
constexpr int kBoardTickets = 12;
constexpr int kMaxFare = 32767;

QString routeLabel(const Route& route)
{
    QStringList parts{text(route.id)};
    if (!route.shortName.isEmpty())
        parts << route.shortName;
    if (!route.longName.isEmpty())
        parts << route.longName;
    return parts.join(QLatin1Char(' '));
}

const Route& findRoute(const Feed& feed, const QString& wanted)
{
    const std::string id = wanted.toStdString();
    for (const Route& route : feed.routes) {
        if (route.id == id)
            return route;
    }
    std::vector<const Route*> named;
    for (const Route& route : feed.routes) {
        if (route.shortName == wanted)
            named.push_back(&route);
    }
    if (named.size() == 1)
        return *named.front();
    if (named.empty()) {
        throw Error(QStringLiteral("路線「%1」がありません (route_id か route_short_name で指定してください。"
                                   "路線の一覧は hy3conv routes で出せます)。").arg(wanted));
    }
    QStringList candidates;
    for (const Route* route : named)
        candidates << routeLabel(*route);
    throw Error(QStringLiteral("路線名「%1」に当たる路線が %2 本あります。route_id で選んでください: %3")
                    .arg(wanted, QString::number(named.size()), candidates.join(QStringLiteral("、"))));
}

bool isKeito(const QString& s)
{
    if (s.isEmpty() || s.size() > 5)
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// The board names files after the route number without leading zeros.
QString withoutLeadingZeros(const QString& digits)
{
    return QString::number(digits.toInt());
}

QString keitoFor(const Route& route, const QString& given)
{
    if (!given.isEmpty()) {
        if (!isKeito(given))
            throw Error(QStringLiteral("--keito「%1」は系統番号になりません (1～5 桁の数字で指定してください)。").arg(given));
        return withoutLeadingZeros(given);
    }
    if (isKeito(route.shortName))
        return withoutLeadingZeros(route.shortName);
    throw Error(QStringLiteral("路線「%1」の route_short_name「%2」は 1～5 桁の数字ではないため、系統番号 (ファイル名) に"
                               "なりません。--keito で系統番号を指定してください (例: --keito 101)。")
                    .arg(routeLabel(route), route.shortName));
}

// Line breaks and other control characters (a quoted field may hold them)
// would break the board's one-line name and the announcement file's lines.
QString oneLine(const QString& s)
{
    QString out = s;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    qsizetype begin = 0;
    qsizetype end = out.size();
    while (begin < end && out[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && out[end - 1] == QLatin1Char(' '))
        --end;
    return out.mid(begin, end - begin);
}

std::vector<int> stopCounts(const Feed& feed)
{
    std::vector<int> counts(feed.trips.size(), 0);
    for (const StopTime& st : feed.stopTimes)
        ++counts[st.trip];
    return counts;
}

// "210" and "210.0" are 210 yen; anything else that is not a whole number
// of yen the board can show is refused.
std::optional<int> yen(std::string_view price)
{
    const std::size_t dot = price.find('.');
    const std::string_view whole = price.substr(0, dot);
    if (whole.empty() || whole.size() > 9)
        return std::nullopt;
    if (dot != std::string_view::npos) {
        const std::string_view fraction = price.substr(dot + 1);
        if (!std::all_of(fraction.begin(), fraction.end(), [](char c) { return c == '0'; }))
            return std::nullopt;
    }
    int v = 0;
    for (char c : whole) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v > kMaxFare)
        return std::nullopt;
    return v;
}

// The fares of one route between zones, by its fare rules. Feeds that price
// every pair of zones network-wide hold hundreds of thousands of rules, so
// the rules are looked up by the pair they name instead of scanned.
class FareFinder
{
public:
    FareFinder(const Feed& feed, const Route& route)
        : m_feed(feed)
    {
        for (const FareRule& rule : feed.fareRules) {
            if (rule.routeId.empty() || rule.routeId == route.id)
                m_rules[{rule.originId, rule.destinationId}].push_back(&rule);
        }
    }

    // The price of the most specific rule that covers the pair (origin and
    // destination given, then one of them, then neither), the cheapest of
    // equally specific ones; nullopt when no rule covers it.
    std::optional<int> fare(const std::string& origin, const std::string& destination)
    {
        static const std::string none;
        // A rule covers the pair when each of its ends is empty or matches:
        // these are the only keys it can be filed under. An empty zone (a
        // stop without one) is matched only by an empty end.
        std::vector<std::pair<const std::string&, const std::string&>> keys = {
            {origin, destination}, {origin, none}, {none, destination}, {none, none}};
        int bestSpecificity = -1;
        int bestPrice = 0;
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const bool seen = std::any_of(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(k), [&](const auto& earlier) {
                return earlier.first == keys[k].first && earlier.second == keys[k].second;
            });
            const auto it = seen ? m_rules.end() : m_rules.find({keys[k].first, keys[k].second});
            if (it == m_rules.end())
                continue;
            for (const FareRule* rule : it->second) {
                const std::optional<int> price = priceOf(*rule);
                if (!price)
                    continue;
                const int specificity = int(!rule->originId.empty()) + int(!rule->destinationId.empty());
                if (specificity > bestSpecificity || (specificity == bestSpecificity && *price < bestPrice)) {
                    bestSpecificity = specificity;
                    bestPrice = *price;
                }
            }
        }
        if (bestSpecificity < 0)
            return std::nullopt;
        return bestPrice;
    }

    QStringList warnings() const { return m_warnings; }

private:
    std::optional<int> priceOf(const FareRule& rule)
    {
        const auto it = m_feed.fares.find(rule.fareId);
        if (it == m_feed.fares.end()) {
            if (m_unknownFares.insert(rule.fareId).second) {
                m_warnings << QStringLiteral("fare_rules.txt: %1 行目: fare_id「%2」が fare_attributes.txt にないため、この運賃は使いません。")
                                  .arg(rule.line).arg(text(rule.fareId));
            }
            return std::nullopt;
        }
        const std::optional<int> price = yen(it->second.price);
        if (!price) {
            throw Error(QStringLiteral("fare_attributes.txt: %1 行目: price「%2」は 0～%3 円の整数ではありません。")
                            .arg(QString::number(it->second.line), text(it->second.price), QString::number(kMaxFare)));
        }
        return price;
    }

    const Feed& m_feed;
    // By (origin_id, destination_id) as written, empty ends included.
    std::map<std::pair<std::string, std::string>, std::vector<const FareRule*>> m_rules;
    std::set<std::string> m_unknownFares;
    QStringList m_warnings;
};

struct RouteStop
{
    const std::string* id = nullptr;
    const Stop* stop = nullptr;
    QString name; // on one line, checked for code page 932
};

std::vector<RouteStop> stopsOfTrip(const Feed& feed, std::uint32_t trip)
{
    std::vector<const StopTime*> times;
    for (const StopTime& st : feed.stopTimes) {
        if (st.trip == trip)
            times.push_back(&st);
    }
    for (const StopTime* st : times) {
        if (st->sequence < 0)
            throw Error(QStringLiteral("stop_times.txt: %1 行目: stop_sequence が 0 以上の整数ではありません。").arg(st->line));
    }
    std::stable_sort(times.begin(), times.end(),
                     [](const StopTime* a, const StopTime* b) { return a->sequence < b->sequence; });
    if (times.size() > static_cast<std::size_t>(Hy3File::MaxRows)) {
        throw Error(QStringLiteral("便「%1」の停留所が %2 あります。運賃データファイルは %3 停留所までです。")
                        .arg(text(feed.trips[trip].id), QString::number(times.size()), QString::number(Hy3File::MaxRows)));
    }

    std::vector<RouteStop> stops;
    for (const StopTime* st : times) {
        const auto it = feed.stops.find(st->stopId);
        if (it == feed.stops.end()) {
            throw Error(QStringLiteral("stop_times.txt: %1 行目: 停留所 stop_id「%2」が stops.txt にありません。")
                            .arg(st->line).arg(text(st->stopId)));
        }
        RouteStop rs{&it->first, &it->second, oneLine(it->second.name)};
        try {
            FareCsv::checkName(rs.name, 0);
        } catch (const FareCsv::Error& e) {
            throw Error(QStringLiteral("stops.txt: 停留所 %1: %2").arg(text(it->first), e.message()));
        }
        stops.push_back(std::move(rs));
    }
    if (stops.size() < 2) {
        throw Error(QStringLiteral("便「%1」の停留所が %2 つしかありません (2 つ以上必要です)。")
                        .arg(text(feed.trips[trip].id), QString::number(stops.size())));
    }
    return stops;
}

QString zoneLabel(const RouteStop& s)
{
    return s.stop->zone.empty() ? QStringLiteral("%1 (zone_id なし)").arg(s.name) : text(s.stop->zone);
}

QString spokenName(const Feed& feed, const RouteStop& s)
{
    const QString* reading = nullptr;
    if (const auto byId = feed.readingByStopId.find(*s.id); byId != feed.readingByStopId.end())
        reading = &byId->second;
    else if (const auto byName = feed.readingByName.find(s.stop->name.toStdString()); byName != feed.readingByName.end())
        reading = &byName->second;
    const bool haveReading = reading != nullptr && !oneLine(*reading).isEmpty();
    QString spoken = haveReading ? oneLine(*reading) : s.name;
    // The announcement file quotes its texts and has no way to write a quote
    // inside one; the voice would not read it anyway.
    spoken.remove(QLatin1Char('"'));
    if (haveReading) {
        const QString bad = FareCsv::unencodableCharacter(spoken);
        if (!bad.isEmpty()) {
            throw Error(QStringLiteral("translations.txt: 停留所 %1 (%2) の読み「%3」の文字%4 は Shift-JIS (コードページ 932) で表せません。")
                            .arg(text(*s.id), s.name, spoken, bad));
        }
    }
    return spoken;
}

} // namespace

std::vector<RouteSummary> summarize(const Feed& feed)
{
    const std::vector<int> counts = stopCounts(feed);
    std::vector<RouteSummary> out(feed.routes.size());
    for (std::size_t r = 0; r < feed.routes.size(); ++r)
        out[r].route = &feed.routes[r];
    for (std::size_t t = 0; t < feed.trips.size(); ++t) {
        const Trip& trip = feed.trips[t];
        if (trip.direction == 0 || trip.direction == 1) {
            int& most = out[trip.route].stops[static_cast<std::size_t>(trip.direction)];
            most = std::max(most, counts[t]);
        }
    }
    return out;
}

ImportedRoute importRoute(const Feed& feed, const ImportRequest& request)
{
    ImportedRoute out;
    const Route& route = findRoute(feed, request.route);
    out.route = &route;
    out.keito = keitoFor(route, request.keito);
    const auto routeIndex = static_cast<std::size_t>(&route - feed.routes.data());

    // The trip with the most stops; of equals, the first in trips.txt.
    const std::vector<int> counts = stopCounts(feed);
    std::optional<std::uint32_t> best;
    for (std::uint32_t t = 0; t < feed.trips.size(); ++t) {
        const Trip& trip = feed.trips[t];
        if (trip.route == routeIndex && trip.direction == request.direction && (!best || counts[t] > counts[*best]))
            best = t;
    }
    if (!best) {
        throw Error(QStringLiteral("路線「%1」には方向 %2 (direction_id) の便がありません。")
                        .arg(routeLabel(route), QString::number(request.direction)));
    }
    const std::vector<RouteStop> stops = stopsOfTrip(feed, *best);
    const std::size_t n = stops.size();

    // Numbered tickets: a new number at the first stop and at every change
    // of fare zone; a stop without a zone is a zone of its own.
    std::vector<int> ticket(n);
    std::vector<std::size_t> issuedAt; // stop index where ticket t + 1 was issued
    for (std::size_t r = 0; r < n; ++r) {
        const std::string& zone = stops[r].stop->zone;
        if (r == 0 || zone.empty() || zone != stops[r - 1].stop->zone)
            issuedAt.push_back(r);
        ticket[r] = static_cast<int>(issuedAt.size());
    }
    out.tickets = static_cast<int>(issuedAt.size());

    const bool haveFares = feed.missingFareFiles.isEmpty();
    FareFinder finder(feed, route);
    // The fare of a cell depends only on the ticket and on the ticket the
    // stop itself issues (it is in that ticket's zone).
    std::map<std::pair<int, int>, int> known;
    QStringList uncovered;
    out.records.resize(n);
    for (std::size_t r = 0; r < n; ++r) {
        Hy3File::Record& rec = out.records[r];
        rec.Chimei = stops[r].name;
        rec.SeiriNum = static_cast<std::int16_t>(ticket[r]);
        for (int t = 1; t <= std::min(ticket[r], kBoardTickets); ++t) {
            int value = -1;
            if (haveFares) {
                const auto key = std::make_pair(t, ticket[r]);
                auto it = known.find(key);
                if (it == known.end()) {
                    const RouteStop& from = stops[issuedAt[static_cast<std::size_t>(t - 1)]];
                    const std::optional<int> fare = finder.fare(from.stop->zone, stops[r].stop->zone);
                    if (!fare)
                        uncovered << QStringLiteral("%1 → %2").arg(zoneLabel(from), zoneLabel(stops[r]));
                    it = known.emplace(key, fare.value_or(-1)).first;
                }
                value = it->second;
            }
            rec.Fare[static_cast<std::size_t>(t - 1)] = static_cast<std::int16_t>(value);
        }
    }

    for (std::size_t r = 1; r < n; ++r) {
        const QString spoken = spokenName(feed, stops[r]);
        const QString line = r + 1 == n ? QStringLiteral("次は、終点、%1です。").arg(spoken)
                                        : QStringLiteral("次は、%1です。").arg(spoken);
        out.tape.push_back({line, 1, 1});
    }

    if (!haveFares) {
        out.warnings << QStringLiteral("%1 がないため、運賃はすべて -1 (運賃なし) にしました。")
                            .arg(feed.missingFareFiles.join(QStringLiteral(" と ")));
    }
    out.warnings << finder.warnings();
    if (!uncovered.isEmpty()) {
        out.warnings << QStringLiteral("運賃の決まらない区間が %1 組あり、-1 (運賃なし) にしました (乗車ゾーン → 降車ゾーン): %2")
                            .arg(uncovered.size()).arg(uncovered.join(QStringLiteral("、")));
    }
    if (out.tickets > kBoardTickets) {
        out.warnings << QStringLiteral("整理券番号が 1～%1 まであります。運賃表示器に出るのは整理券 1～%2 の運賃だけです。")
                            .arg(out.tickets).arg(kBoardTickets);
    }
    out.warnings << feed.warnings;
    return out;
}

QByteArray tapeBytes(const std::vector<TapeCsv::Row>& rows)
{
    QString text;
    for (const TapeCsv::Row& row : rows)
        text += QStringLiteral("\"%1\",%2,%3\r\n").arg(row.strText).arg(row.nStep).arg(row.nFlag);
    return Cp932::encodeOrThrow(text);
}

} // namespace Gtfs
