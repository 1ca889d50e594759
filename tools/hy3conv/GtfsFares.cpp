#include "GtfsFares.h"

#include <algorithm>
#include <iterator>

namespace Gtfs {

namespace {

constexpr int kMaxFare = 32767;

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

} // namespace

FareTable::FareTable(const Feed& feed, std::size_t route, bool ic)
    : m_feed(feed)
    , m_route(route)
    , m_ic(ic)
    , m_fareCache(feed.fares.size())
{
}

std::optional<int> FareTable::priceOf(const FareRule& rule)
{
    auto& cached = m_fareCache[rule.fare];
    if (cached)
        return *cached;
    const FareAttribute& fare = m_feed.fares[rule.fare];
    const QString id = text(m_feed.fareIds[rule.fare]);
    if (!fare.known) {
        m_unknownFares << id;
        cached.emplace(std::nullopt);
        return std::nullopt;
    }
    const bool cash = !m_ic || fare.icPrice.empty();
    if (m_ic && cash)
        m_cashForIc << id;
    const std::string& written = cash ? fare.price : fare.icPrice;
    const std::optional<int> price = yen(written);
    if (!price) {
        throw Error(QStringLiteral("fare_attributes.txt: %1 行目: %2「%3」は 0～%4 円の整数ではありません。")
                        .arg(QString::number(fare.line), cash ? QStringLiteral("price") : QStringLiteral("ic_price"),
                             text(written), QString::number(kMaxFare)));
    }
    cached.emplace(price);
    return price;
}

const std::vector<int>& FareTable::prices(Zone origin, Zone destination)
{
    const std::uint64_t key = (std::uint64_t{origin} << 32) | destination;
    if (const auto it = m_prices.find(key); it != m_prices.end())
        return it->second;

    // A rule can apply only when each of its zones is this one or any zone:
    // these are the only places it can be filed under.
    std::vector<std::pair<Zone, Zone>> places;
    for (const auto& place : {std::pair(origin, destination), std::pair(origin, Zone{0}), std::pair(Zone{0}, destination),
                              std::pair(Zone{0}, Zone{0})}) {
        if (std::find(places.begin(), places.end(), place) == places.end())
            places.push_back(place);
    }
    std::vector<int> out;
    int bestStanding = -1;
    for (const auto& [o, d] : places) {
        const auto [first, last] = std::equal_range(
            m_feed.fareRules.begin(), m_feed.fareRules.end(), FareRule{0, FareRule::kAnyRoute, o, d, 0},
            [](const FareRule& a, const FareRule& b) { return std::pair(a.origin, a.destination) < std::pair(b.origin, b.destination); });
        for (auto rule = first; rule != last; ++rule) {
            const bool forRoute = rule->route != FareRule::kAnyRoute;
            if (forRoute && rule->route != m_route)
                continue;
            const std::optional<int> price = priceOf(*rule);
            if (!price)
                continue;
            const int standing = 2 * (int(rule->origin != 0) + int(rule->destination != 0)) + int(forRoute);
            if (standing > bestStanding) {
                bestStanding = standing;
                out.clear();
            }
            if (standing == bestStanding)
                out.push_back(*price);
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return m_prices.emplace(key, std::move(out)).first->second;
}

std::vector<int> fareSections(const std::vector<Zone>& zones, FareTable& fares)
{
    const std::size_t n = zones.size();
    std::vector<int> sections(n, 1);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        // Stops of one zone cost alike; the last stop has no stop after it
        // to cost differently.
        bool same = true;
        for (std::size_t k = i + 2; k < n && same && zones[i] != zones[i + 1]; ++k)
            same = fares.prices(zones[i], zones[k]) == fares.prices(zones[i + 1], zones[k]);
        sections[i + 1] = sections[i] + (same ? 0 : 1);
    }
    return sections;
}

int cellFare(const std::vector<int>& prices, std::optional<int> before)
{
    if (prices.empty())
        return -1;
    if (!before)
        return prices.front();
    const auto notBelow = std::lower_bound(prices.begin(), prices.end(), *before);
    return notBelow == prices.end() ? prices.back() : *notBelow;
}

} // namespace Gtfs
