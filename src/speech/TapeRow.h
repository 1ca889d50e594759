#pragma once

#include <QString>

#include <cstdint>

namespace mdlM_Tape {

// One announcement row, as the announcement file stores it and the tape
// holds it.
struct TapeRow
{
    QString strText;
    std::int16_t nStep = 0; // 1: stepping onto this row also steps the fares
    std::int16_t nFlag = 0; // 1 to 3: the chime in by-flag mode
};

} // namespace mdlM_Tape
