// The readings file, and the text side of an announcement that its readings
// meet: the same bytes are also taken as an announcement text, whose ruby is
// taken out and on which the file's readings are fixed.

#include "readings/YomiText.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Yomi::Text::ReadingsFile file = Yomi::Text::parseReadings(bytes, QStringLiteral("yomi.csv"));
    // As the program keeps them: the longest text first.
    std::stable_sort(file.readings.begin(), file.readings.end(),
                     [](const auto& a, const auto& b) { return a.text.size() > b.text.size(); });

    const QString text = Yomi::Text::normalise(QString::fromUtf8(bytes));
    std::vector<Yomi::Text::Fixed> fixed;
    const QString base = Yomi::Text::takeRuby(text, fixed);
    Yomi::Text::fixUserReadings(base, file.readings, fixed);
    // Every fixed stretch must lie inside the text it was fixed on.
    for (const Yomi::Text::Fixed& f : fixed) {
        if (f.begin < 0 || f.end < f.begin || f.end > base.size())
            std::abort();
    }
    return 0;
}
