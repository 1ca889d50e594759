#pragma once

// The two boards a route can be laid out for. The twelve-ticket board shows
// tickets 1 to 12, each with its fare, 地下鉄差額 and 全線定期 cells; the
// thirty-six-ticket board shows the fares of 36 tickets at a time, one cell
// each, and turns its pages for routes that issue more.
enum class BoardLayout {
    Tickets12,
    Tickets36,
};

namespace BoardLayouts {

// Which colour group of the options (0 大人, 1 地下鉄差額, 2 全線定期) colours
// cell 1 to 36. On the thirty-six-ticket board every cell is an adult fare,
// so every cell takes the 大人 colours.
constexpr int colourGroup(BoardLayout layout, int cell)
{
    return layout == BoardLayout::Tickets36 ? 0 : (cell - 1) / 12;
}

} // namespace BoardLayouts
