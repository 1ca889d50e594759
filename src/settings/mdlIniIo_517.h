#pragma once

#include <cstdint>

// The settings records: the image of the settings file, filled from the
// windows just before saving and pushed back into them just after loading.
namespace mdlIniIo_517 {

struct FormInfoRecord
{
    std::int32_t lLeft = 0; // twips
    std::int32_t lTop = 0;  // twips
};

inline FormInfoRecord FormInfo;

} // namespace mdlIniIo_517
