#pragma once

#include <QColor>
#include <QImage>

// The built-in board faces: the printed frame with the ticket numbers 1 to
// 12, the row captions and the grey stop-name strip, 567 x 244 pixels.
namespace BoardFace {

inline constexpr int Width = 567;
inline constexpr int Height = 244;

// The face with its ticket numbers in numberColor (white for the unlit
// board, green for the lit one).
QImage draw(const QColor& numberColor);

} // namespace BoardFace
