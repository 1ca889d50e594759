#pragma once

#include "settings/mdlIniIo_517.h"

#include <QByteArray>

#include <cstdint>

// Puts every settings record back to its first-run value.
inline void resetRecords()
{
    using namespace mdlIniIo_517;
    FolderInfo = {};
    PanelInfo = {};
    DegitInfo = {};
    ChimeiInfo = {};
    SoundInfo = {};
    SeiriPrevInfo = {};
    CtrlDataInfo = {};
    FormInfo = {};
    CustColors = {};
    DegitCell = {};
}

// The little-endian number of size 2 or 4 at offset, signed.
inline std::int64_t readLE(const QByteArray& bytes, int offset, int size)
{
    std::uint32_t v = 0;
    for (int i = 0; i < size; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return size == 2 ? static_cast<std::int16_t>(v) : static_cast<std::int32_t>(v);
}
