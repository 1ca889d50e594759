#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

// The built-in board faces: the printed frame with the ticket numbers 1 to
// 12, the row captions and the grey stop-name strip, 567 x 244 pixels; and
// the face of the thirty-six-ticket board, 860 x 244, where the number
// labels show the ticket numbers over three rows of twelve fare cells.
namespace BoardFace {

inline constexpr int Width = 567;
inline constexpr int Height = 244;

// The face with its ticket numbers in numberColor (white for the unlit
// board, green for the lit one).
QImage draw(const QColor& numberColor);

// The grid of the thirty-six-ticket board, which its face and the board
// window share: cell k (1 to 36) sits in row (k - 1) / 12 and column
// (k - 1) % 12, under its number label.
namespace Tickets36 {

inline constexpr int Width = 860;
inline constexpr int Height = 244;
inline constexpr int CellWidth = 57; // three digits of size 2
inline constexpr int CellHeight = 29;
inline constexpr int LabelHeight = 16;

constexpr QRect cellRect(int cell)
{
    const int row = (cell - 1) / 12;
    const int column = (cell - 1) % 12;
    return QRect(84 + 62 * column, 32 + 72 * row, CellWidth, CellHeight);
}

constexpr QRect labelRect(int cell)
{
    const QRect c = cellRect(cell);
    return QRect(c.left(), c.top() - LabelHeight - 2, CellWidth, LabelHeight);
}

// Where the board says which tickets are on show, "1～36".
inline constexpr QRect PageRect{640, 213, 183, 20};

// The face with its printed marks in numberColor (white unlit, green lit).
QImage draw(const QColor& numberColor);

} // namespace Tickets36

} // namespace BoardFace
