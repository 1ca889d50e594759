#include "board/TicketPages.h"

#include <algorithm>

namespace TicketPages {

std::vector<int> pagesToShow(std::span<const std::int16_t> values, int firstTicket)
{
    std::vector<int> pages;
    const int tickets = std::min(static_cast<int>(values.size()), LastTicket);
    for (int page = 0; page < Count; ++page) {
        for (int cell = 1; cell <= PerPage; ++cell) {
            const int ticket = ticketAt(page, cell);
            if (ticket > tickets)
                break;
            if (ticket >= firstTicket && values[static_cast<std::size_t>(ticket - 1)] != 0) {
                pages.push_back(page);
                break;
            }
        }
    }
    if (pages.empty())
        pages.push_back(0);
    return pages;
}

int nextPage(const std::vector<int>& pages, int current)
{
    const auto at = std::find(pages.begin(), pages.end(), current);
    if (at == pages.end() || at + 1 == pages.end())
        return pages.empty() ? 0 : pages.front();
    return *(at + 1);
}

} // namespace TicketPages
