#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

// The captions of the ticket-number labels for a numbering style.
namespace NumberStrip {

// n as full-width digits, zero-padded to two digits when asked (1 -> "０１").
QString caption(int n, bool zeroPad);

struct Plan
{
    // The first label keeps the digit face (styles below 2) or takes the
    // proportional gothic face with firstText as its caption.
    bool firstInDigitFace = true;
    QString firstText;
    // Label index (1 to 36) and caption, in the order they are written.
    std::vector<std::pair<int, QString>> captions;
};

// The plan of a style: 0 numbers 1 to 36; 1 numbers 0 to 35; 2 to 11 a word
// for "no ticket" first, then 1 to 35 (even styles) or 2 to 36 (odd ones).
// Other styles write no caption. A later page of the thirty-six-ticket board
// (page 1 and on) goes on counting where the page before it ended, every
// label a number in the digit face; labels past the last ticket are empty.
Plan plan(int nStyle, int nZeroPad, int page = 0);

// The numbers a page's labels run through in a style, "1～36" (half-width,
// without padding; the word of the first page left out). Unknown styles
// count as style 0.
QString pageRange(int nStyle, int page);

} // namespace NumberStrip
