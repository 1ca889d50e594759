#pragma once

#include <cmath>
#include <cstdint>

// Positions in the settings file and in the board's design are in twips.
namespace Twips {

inline constexpr int PerPixel = 15;

constexpr int toPixels(double twips)
{
    return static_cast<int>(twips >= 0 ? twips / PerPixel + 0.5 : twips / PerPixel - 0.5);
}

constexpr std::int32_t fromPixels(int pixels)
{
    return static_cast<std::int32_t>(pixels) * PerPixel;
}

} // namespace Twips
