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
    QStringList undecodable;
    try {
        mdlIniIo_517::fromFileBytes(bytes, &undecodable);
    } catch (const std::exception&) {
        return 0; // a refused file is the reader doing its job
    }
    // What a bad byte became is stored as it reads: the saved file is
    // clean, and loads to the same records.
    const QByteArray saved = mdlIniIo_517::toFileBytes();
    QStringList again;
    mdlIniIo_517::fromFileBytes(saved, &again);
    if (!again.isEmpty() || mdlIniIo_517::toFileBytes() != saved)
        std::abort();
    return 0;
}
