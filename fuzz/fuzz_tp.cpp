// The announcement file as the tape reads it: code page 932 bytes, then rows.

#include "platform/Cp932.h"
#include "speech/TapeCsv.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QList<int> undecodable;
    const QString text = TapeCsv::decode(bytes, &undecodable);
    // Bad bytes are named by line, each line once and in order, and only
    // when the file is not code page 932 as a whole.
    if (undecodable.isEmpty() != Cp932::decode(bytes).has_value())
        std::abort();
    for (qsizetype i = 0; i < undecodable.size(); ++i) {
        if (undecodable[i] < 1 || undecodable[i] > bytes.count('\n') + 1 || (i > 0 && undecodable[i] <= undecodable[i - 1]))
            std::abort();
    }
    // A mark takes the place of at least one byte, never of a line break.
    if (text.count(QLatin1Char('\n')) != bytes.count('\n'))
        std::abort();
    try {
        TapeCsv::parse(text);
    } catch (const std::exception&) {
        // A refused file is the reader doing its job.
    }
    return 0;
}
