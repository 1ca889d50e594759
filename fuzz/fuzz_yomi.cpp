// The readings file and the region's habits file, and the text side of an
// announcement that they meet: the same bytes are also taken as an
// announcement text, whose ruby is taken out, on which the file's readings
// are fixed and in whose words the habits are looked for; and as the place
// names' dictionaries, which the text is then looked up in.

#include "readings/PlaceNames.h"
#include "readings/YomiText.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkInside(const std::vector<Yomi::Text::Fixed>& fixed, qsizetype size)
{
    for (const Yomi::Text::Fixed& f : fixed) {
        if (f.begin < 0 || f.end < f.begin || f.end > size)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Yomi::Text::ReadingsFile file = Yomi::Text::parseReadings(bytes, QStringLiteral("yomi.csv"));
    // As the program keeps them: the longest text first.
    std::stable_sort(file.readings.begin(), file.readings.end(),
                     [](const auto& a, const auto& b) { return a.text.size() > b.text.size(); });
    const Yomi::Text::ReadingsFile habits = Yomi::Text::parseReadings(bytes, Yomi::PlaceNames::HabitsFileName);

    const QString text = Yomi::Text::normalise(QString::fromUtf8(bytes));
    std::vector<Yomi::Text::Fixed> fixed;
    const QString base = Yomi::Text::takeRuby(text, fixed);
    Yomi::Text::fixUserReadings(base, file.readings, fixed);
    // Every fixed stretch must lie inside the text it was fixed on.
    checkInside(fixed, base.size());

    // Words ending at every character: the habits may apply anywhere.
    std::vector<qsizetype> wordEnds;
    for (qsizetype i = 1; i <= base.size(); ++i)
        wordEnds.push_back(i);
    const std::vector<Yomi::Text::Fixed> found =
        Yomi::PlaceNames::habitsIn(base, 0, base.size(), wordEnds, habits.readings, fixed);
    checkInside(found, base.size());

    Yomi::PlaceNames::Dictionary names;
    names.addEnamdict(bytes);
    names.addSkk(bytes, Yomi::PlaceNames::SkkGeo);
    names.finish();
    for (qsizetype at = 0; at < base.size(); ++at) {
        const qsizetype length = names.longestName(QStringView(base).sliced(at));
        if (length < 0 || at + length > base.size() || (length > 0 && names.readings(QStringView(base).sliced(at, length)).empty()))
            std::abort();
    }
    return 0;
}
