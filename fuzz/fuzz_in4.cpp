// The settings file's records. A file that loads must save back to bytes
// that load to the same records.

#include "settings/mdlIniIo_517.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        mdlIniIo_517::fromFileBytes(bytes);
    } catch (const std::exception&) {
        return 0; // a refused file is the reader doing its job
    }
    const QByteArray saved = mdlIniIo_517::toFileBytes();
    mdlIniIo_517::fromFileBytes(saved);
    if (mdlIniIo_517::toFileBytes() != saved)
        std::abort();
    return 0;
}
