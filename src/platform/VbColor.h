#pragma once

#include <QColor>

#include <cstdint>

// Colours are stored and exchanged as 0x00BBGGRR (red in the low byte).
namespace VbColor {

inline QColor toQColor(std::int32_t c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

inline std::int32_t fromQColor(const QColor& c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

} // namespace VbColor
