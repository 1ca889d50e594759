#include "board/TicketPages.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <utility>

namespace {

// The values 1 to 150 of a row with the given tickets set.
std::array<std::int16_t, 150> rowWith(std::initializer_list<std::pair<int, int>> tickets)
{
    std::array<std::int16_t, 150> values{};
    for (const auto& [ticket, value] : tickets)
        values[static_cast<std::size_t>(ticket - 1)] = static_cast<std::int16_t>(value);
    return values;
}

TEST(TicketPages, PagesHoldingAnIssuedTicketShow)
{
    const struct
    {
        const char* what;
        std::array<std::int16_t, 150> values;
        int firstTicket;
        std::vector<int> pages;
    } cases[] = {
        {"nothing issued yet", rowWith({}), 1, {0}},
        {"tickets 1 to 36 only", rowWith({{1, 170}, {36, 170}}), 1, {0}},
        {"ticket 37 opens the second page", rowWith({{1, 300}, {37, 170}}), 1, {0, 1}},
        {"empty pages between are skipped", rowWith({{2, 300}, {80, 170}}), 1, {0, 2}},
        {"no fare (-1) is something to show", rowWith({{1, 300}, {150, -1}}), 1, {0, 4}},
        {"a first page without tickets is skipped", rowWith({{40, 170}, {73, 170}}), 1, {1, 2}},
        {"tickets below the start section are never shown", rowWith({{3, 300}, {40, 170}}), 5, {1}},
        {"a start section on a later page", rowWith({{36, 300}, {37, 200}, {109, 170}}), 40, {3}},
        {"every page", rowWith({{1, 1}, {37, 1}, {73, 1}, {109, 1}, {145, 1}}), 1, {0, 1, 2, 3, 4}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TicketPages::pagesToShow(c.values, c.firstTicket), c.pages) << c.what;
}

TEST(TicketPages, TurningGoesRoundThePagesShown)
{
    const std::vector<int> pages{0, 2, 3};
    EXPECT_EQ(TicketPages::nextPage(pages, 0), 2);
    EXPECT_EQ(TicketPages::nextPage(pages, 2), 3);
    EXPECT_EQ(TicketPages::nextPage(pages, 3), 0);
    EXPECT_EQ(TicketPages::nextPage(pages, 1), 0) << "a page not shown goes back to the first";
    EXPECT_EQ(TicketPages::nextPage({1}, 1), 1);
    EXPECT_EQ(TicketPages::ticketAt(4, 6), 150);
    EXPECT_EQ(TicketPages::Count, 5);
}

} // namespace
