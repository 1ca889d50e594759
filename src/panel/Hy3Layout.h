#pragma once

#include "board/BoardLayout.h"

#include <QByteArray>

class QIODevice;

// Which board a fare file is laid out for. A file for the thirty-six-ticket
// board ends in a trailer after its last record, where the fare file's
// readers never look:
//
//   offset  size  field
//   0       8     "HY3BOARD" (ASCII)
//   8       2     version, unsigned 16-bit little-endian: 1
//   10      2     tickets of the board, unsigned 16-bit little-endian: 36
//
// and nothing after it. A file that ends at its last record, or whose bytes
// after it do not start with the eight signature bytes, is a twelve-ticket
// file, as every fare file was before the trailer.
namespace Hy3Layout {

inline constexpr char Signature[] = "HY3BOARD";
inline constexpr int SignatureSize = 8;
inline constexpr int TrailerSize = 12;
inline constexpr int Version = 1;

// The trailer of a layout: empty for the twelve-ticket board.
QByteArray trailer(BoardLayout layout);

// The layout that the bytes from the device's position (just after the last
// record) to its end state. Bytes that start with the signature but are not
// a whole trailer of this version for 36 tickets, or that go on after it,
// raise error 5 with a description of what is wrong.
BoardLayout read(QIODevice& file);

} // namespace Hy3Layout
