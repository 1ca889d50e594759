#pragma once

#include "GtfsFeed.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

// The fares of one route between fare zones, and the fare sections they make
// of a trip. Nothing here reads a file.
namespace Gtfs {

class FareTable
{
public:
    // ic: the IC-card fares (ic_price) instead of the cash fares (price).
    FareTable(const Feed& feed, std::size_t route, bool ic);

    // The prices of a ride from origin to destination. A rule applies when
    // each of its route and zones is empty or matches; of those that apply,
    // the rules naming more of the two zones decide, then among them those
    // naming the route. Sorted, each once: more than one where a loop passes
    // a zone twice and the feed prices both rides; empty when no rule
    // applies. Valid as long as the table. Throws Error for a price that is
    // not a whole number of yen the board can show.
    const std::vector<int>& prices(Zone origin, Zone destination);

    // fare_ids that rules of the route name but fare_attributes.txt lacks
    // (those rules never apply), and fare_ids without an IC-card fare, for
    // which the cash fare was taken; each once, in the order met.
    const QStringList& unknownFares() const { return m_unknownFares; }
    const QStringList& cashForIc() const { return m_cashForIc; }

private:
    std::optional<int> priceOf(const FareRule& rule);

    const Feed& m_feed;
    std::size_t m_route;
    bool m_ic;
    std::unordered_map<std::uint64_t, std::vector<int>> m_prices;
    std::vector<std::optional<std::optional<int>>> m_fareCache; // by fare, once read
    QStringList m_unknownFares;
    QStringList m_cashForIc;
};

// The fare section of each stop of a trip, numbered from 1, given the stops'
// zones in trip order: a stop stays in the section of the stop before it
// when boarding at either costs the same to every stop after it (no fare
// and a loop's several prices compared as they are), else it starts the next.
std::vector<int> fareSections(const std::vector<Zone>& zones, FareTable& fares);

// What a cell shows of a pair's prices: the lowest not below the same
// ticket's fare at the stop before, so that no ticket's fare falls along the
// trip, or the highest when all are below; the lowest when there is no fare
// before; -1 for no price.
int cellFare(const std::vector<int>& prices, std::optional<int> before);

} // namespace Gtfs
