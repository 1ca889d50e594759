#pragma once

#include "controls/GlyphSource.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>

#include <cstdint>

// The rules of the stop-name column that need no window: where the
// characters of a name go, how each is printed, and where its dots land.
namespace ChimeiText {

inline constexpr int FrameHeight = 192; // the column shows six characters
inline constexpr int CharPitch = 32;    // 16 dots, 2 pixels apart

struct Layout
{
    int top;    // y of the first character
    int pitch;  // distance between character tops
    int height; // height of the dot strip
};

// The layout for d double-byte characters; mode 2 sets two characters close
// together.
Layout layoutFor(int d, int mode);

struct PrintRule
{
    QPoint offset; // where the character is printed in its cell
    bool turned;   // mirrored about the cell's main diagonal
};

// How one cell is printed, from its code page 932 bytes (a whole cell's
// worth: one character or up to two bytes). "ー" is first replaced by "丨"
// in cp932.
PrintRule classify(QByteArray& cp932, int fontMode);

// The code of text's first character as a signed 16-bit number: double-byte
// codes negative, single-byte codes 0 to 255.
std::int16_t firstCode(const QByteArray& cp932);

// The face a font mode prints a character of this code in.
GlyphFace faceFor(int fontMode, std::int16_t code);

// Sets one pixel of color in strip for every black pixel (c, r) of the
// cell: at (x + 2c, y + 2r), or at (x + 2r, y + 2c) when turned. Dots outside
// the strip are dropped.
void placeDots(QImage& strip, int x, int y, const GlyphCell& cell, bool turned, QRgb color);

} // namespace ChimeiText
