#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The pages of the thirty-six-ticket board: page p shows the fares of
// tickets 36p + 1 to 36p + 36 (0-based pages; the last one holds 145 to 150).
namespace TicketPages {

inline constexpr int PerPage = 36;
inline constexpr int LastTicket = 150;
inline constexpr int Count = (LastTicket + PerPage - 1) / PerPage;

// The ticket whose fare cell 1 to 36 shows on a page; above LastTicket for
// the cells of the last page that no ticket reaches.
constexpr int ticketAt(int page, int cell)
{
    return page * PerPage + cell;
}

// The pages a row shows, in order: those holding an issued ticket, that is a
// non-zero value (a fare, or -1 for "no fare") of a ticket at or above
// firstTicket, the first ticket the board writes (the start section). A row
// without one shows the first page. values are the row's values 1 to 150,
// values[t - 1] for ticket t.
std::vector<int> pagesToShow(std::span<const std::int16_t> values, int firstTicket);

// The page after current in pages, round to the first; the first page when
// current is not among them.
int nextPage(const std::vector<int>& pages, int current);

} // namespace TicketPages
