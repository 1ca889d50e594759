// The announcement file as the tape reads it: code page 932 bytes, then rows.

#include "platform/Cp932.h"
#include "speech/TapeCsv.h"

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        TapeCsv::parse(Cp932::decodeOrThrow(bytes));
    } catch (const std::exception&) {
        // A refused file is the reader doing its job.
    }
    return 0;
}
