#pragma once

#include <QPolygonF>

#include <array>
#include <cstdint>

// The seven-segment faces of the digit cells. Segments are bits of one byte:
//
//      aaa
//     f   b
//      ggg
//     e   c
//      ddd  .
namespace SevenSegment {

enum Segment : std::uint8_t {
    A = 1 << 0,
    B = 1 << 1,
    C = 1 << 2,
    D = 1 << 3,
    E = 1 << 4,
    F = 1 << 5,
    G = 1 << 6,
    Dp = 1 << 7,
};

inline constexpr std::uint8_t All = A | B | C | D | E | F | G;

// The lit segments of one character; a character the display cannot show
// lights nothing. Letters take the form a segment display can give them
// (upper and lower case alike where only one form exists).
constexpr std::uint8_t segmentsFor(char32_t c)
{
    switch (c) {
    case U'0': case U'O': case U'D': return A | B | C | D | E | F;
    case U'1': case U'I': case U'l': return B | C;
    case U'2': case U'Z': case U'z': return A | B | D | E | G;
    case U'3': return A | B | C | D | G;
    case U'4': return B | C | F | G;
    case U'5': case U'S': case U's': return A | C | D | F | G;
    case U'6': return A | C | D | E | F | G;
    case U'7': return A | B | C;
    case U'8': case U'B': return All;
    case U'9': case U'g': return A | B | C | D | F | G;
    case U'-': return G;
    case U'_': return D;
    case U'=': return D | G;
    case U'\'': return F;
    case U'"': return B | F;
    case U'.': case U',': return Dp;
    case U'A': case U'a': return A | B | C | E | F | G;
    case U'b': return C | D | E | F | G;
    case U'C': case U'[': case U'(': return A | D | E | F;
    case U'c': return D | E | G;
    case U'd': return B | C | D | E | G;
    case U'E': case U'e': return A | D | E | F | G;
    case U'F': case U'f': return A | E | F | G;
    case U'G': return A | C | D | E | F;
    case U'H': return B | C | E | F | G;
    case U'h': return C | E | F | G;
    case U'i': return C;
    case U'J': case U'j': return B | C | D | E;
    case U'L': return D | E | F;
    case U'N': case U'n': return C | E | G;
    case U'o': return C | D | E | G;
    case U'P': case U'p': return A | B | E | F | G;
    case U'Q': case U'q': return A | B | C | F | G;
    case U'R': case U'r': return E | G;
    case U'T': case U't': return D | E | F | G;
    case U'U': return B | C | D | E | F;
    case U'u': case U'v': return C | D | E;
    case U'Y': case U'y': return B | C | D | F | G;
    case U']': case U')': return A | B | C | D;
    default: return 0;
    }
}

// Unit cell every face is drawn in; a painter scales it to the digit size.
inline constexpr double CellWidth = 100.0;
inline constexpr double CellHeight = 150.0;

// The eight segment outlines (a to g, then the point) of a face: 1 and 2 are
// faces of their own, any other style is the default slanted face. Bold faces
// have thicker segments.
const std::array<QPolygonF, 8>& outlines(int degitStyle, bool bold);

} // namespace SevenSegment
