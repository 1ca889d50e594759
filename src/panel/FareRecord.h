#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace DataIo {

inline constexpr int MaxRows = 301;
inline constexpr int FareColumns = 150;

// One stop of a route, as the fare file stores it and the fare table holds
// it. Fare[0] to Fare[149] hold the data columns 1 to 150; columns 1 to 36
// are the values of the board's cells 1 to 36.
struct FareRecord
{
    QString Chimei;
    std::int16_t SeiriNum = 0;
    std::array<std::int16_t, FareColumns> Fare{};
};

} // namespace DataIo
