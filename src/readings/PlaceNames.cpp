#include "readings/PlaceNames.h"

#include "platform/DataPaths.h"
#include "platform/Iconv.h"

#include <QFile>

#include <algorithm>
#include <bit>
#include <string_view>

namespace Yomi::PlaceNames {

namespace {

// Names longer than this are phrases, not names; the lookup stops there.
constexpr qsizetype MaxName = 32;

// The text of EUC-JP bytes, valid until the next call on the same thread:
// the load decodes hundreds of thousands of short lines.
std::optional<QStringView> fromEucJp(QByteArrayView bytes)
{
    thread_local IconvConverter decoder("UTF-16LE", "EUC-JP");
    thread_local QByteArray units;
    if (!decoder.run(bytes, units))
        return std::nullopt;
    return QStringView(reinterpret_cast<const char16_t*>(units.constData()), units.size() / 2);
}

// Calls line for each line of bytes, without its line end.
template<typename F>
void forEachLine(QByteArrayView bytes, F line)
{
    while (!bytes.isEmpty()) {
        const qsizetype lf = bytes.indexOf('\n');
        QByteArrayView one = lf < 0 ? bytes : bytes.first(lf);
        bytes = lf < 0 ? QByteArrayView() : bytes.sliced(lf + 1);
        if (one.endsWith('\r'))
            one.chop(1);
        line(one);
    }
}

bool hasKanji(QStringView s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return Text::isKanji(c); });
}

// Names are looked up in the form announcements are read in; most are kanji
// and kana already, and normalising them all would cost the load its time.
bool isPlain(QStringView name)
{
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return (Text::isKanji(c) && !c.isHighSurrogate()) || Text::isHiragana(c)
            || (Text::isKatakana(c) && c != QChar(0x30F6));
    });
}

// The tags of an enamdict entry, "(p,s)" at the start of its glosses.
bool isPlaceOrStation(QByteArrayView tags, bool& station)
{
    bool place = false;
    station = false;
    while (!tags.isEmpty()) {
        const qsizetype comma = tags.indexOf(',');
        const QByteArrayView tag = comma < 0 ? tags : tags.first(comma);
        tags = comma < 0 ? QByteArrayView() : tags.sliced(comma + 1);
        place = place || tag == "p";
        station = station || tag == "st";
    }
    return place || station;
}

std::size_t editDistance(QStringView a, QStringView b)
{
    std::vector<std::size_t> row(static_cast<std::size_t>(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = static_cast<std::size_t>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[static_cast<std::size_t>(j)];
            row[static_cast<std::size_t>(j)] =
                std::min({above + 1, row[static_cast<std::size_t>(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

QStringView Dictionary::nameOf(const Entry& e) const
{
    return QStringView(m_text.data() + e.name, e.nameLength);
}

QStringView Dictionary::readingOf(const Entry& e) const
{
    return QStringView(m_text.data() + e.reading, e.readingLength);
}

void Dictionary::add(QStringView name, QStringView reading, Source source)
{
    if (!hasKanji(name) || !Text::isKanaReading(reading))
        return;
    QString normalised;
    if (!isPlain(name)) {
        normalised = Text::normalise(name.toString());
        name = normalised;
    }
    if (name.size() > MaxName || reading.size() > 255 || name.isEmpty())
        return;
    const auto at = static_cast<std::uint32_t>(m_text.size());
    m_text.insert(m_text.end(), name.utf16(), name.utf16() + name.size());
    for (QChar c : reading)
        m_text.push_back(Text::isHiragana(c) ? static_cast<char16_t>(c.unicode() + 0x60) : c.unicode());
    m_entries.push_back({at, at + static_cast<std::uint32_t>(name.size()), static_cast<std::uint8_t>(name.size()),
                         static_cast<std::uint8_t>(reading.size()), source});
}

void Dictionary::addEnamdict(QByteArrayView eucJp)
{
    forEachLine(eucJp, [this](QByteArrayView line) {
        // 名前 [よみ] /(p,s) Romaji/ : the kind comes first, so a line is
        // judged before anything of it is decoded.
        const qsizetype open = line.indexOf(" [");
        const qsizetype close = open < 0 ? -1 : line.indexOf("] /(", open);
        const qsizetype tagsEnd = close < 0 ? -1 : line.indexOf(')', close + 4);
        bool station = false;
        if (tagsEnd < 0 || !isPlaceOrStation(line.sliced(close + 4, tagsEnd - close - 4), station))
            return;
        // "名前 [よみ" in one conversion.
        const std::optional<QStringView> decoded = fromEucJp(line.first(close));
        if (!decoded)
            return;
        const qsizetype split = decoded->indexOf(QStringLiteral(" ["));
        if (split < 0)
            return;
        const QStringView name = decoded->first(split);
        const QStringView reading = decoded->sliced(split + 2);
        add(name, reading, station ? EnamdictStation : EnamdictPlace);
        // Stations are listed with their 駅, which a stop name often goes without.
        if (station && name.size() > 1 && name.endsWith(QChar(u'駅')) && reading.endsWith(QStringLiteral("えき")))
            add(name.chopped(1), reading.chopped(2), EnamdictStation);
    });
}

void Dictionary::addSkk(QByteArrayView eucJp, Source source)
{
    forEachLine(eucJp, [this, source](QByteArrayView line) {
        if (line.isEmpty() || line.startsWith(';'))
            return;
        const qsizetype space = line.indexOf(" /");
        if (space <= 0)
            return;
        const std::optional<QStringView> decoded = fromEucJp(line);
        if (!decoded)
            return;
        const QStringView text = *decoded;
        const qsizetype keyEnd = text.indexOf(QStringLiteral(" /"));
        // Keys with a trailing letter (okuri-ari), numbers (#) or affix marks
        // (> <) are not whole names.
        if (keyEnd <= 0 || !Text::isKanaReading(text.first(keyEnd)))
            return;
        const QStringView key = text.first(keyEnd);
        for (qsizetype from = keyEnd + 2; from < text.size();) {
            qsizetype slash = text.indexOf(QLatin1Char('/'), from);
            if (slash < 0)
                slash = text.size();
            const QStringView candidate = text.sliced(from, slash - from);
            from = slash + 1;
            const qsizetype semicolon = candidate.indexOf(QLatin1Char(';'));
            const QStringView note = semicolon < 0 ? QStringView() : candidate.sliced(semicolon + 1);
            const QStringView name = semicolon < 0 ? candidate : candidate.first(semicolon);
            if (source == SkkOkinawa && !note.contains(QStringLiteral("地名")))
                continue;
            // (concat ...) and the like are Lisp that builds a word.
            if (name.isEmpty() || name.contains(QLatin1Char('(')))
                continue;
            add(name, key, source);
        }
    });
}

void Dictionary::finish()
{
    // Plain code unit order, as the lookups compare.
    const auto view = [this](std::uint32_t at, std::uint8_t length) {
        return std::u16string_view(m_text.data() + at, length);
    };
    std::sort(m_entries.begin(), m_entries.end(), [&view](const Entry& a, const Entry& b) {
        const int byName = view(a.name, a.nameLength).compare(view(b.name, b.nameLength));
        return byName != 0 ? byName < 0 : view(a.reading, a.readingLength) < view(b.reading, b.readingLength);
    });
    // The same name and reading from several places: one entry, all sources.
    std::vector<Entry> merged;
    merged.reserve(m_entries.size());
    for (const Entry& e : m_entries) {
        if (!merged.empty() && nameOf(merged.back()) == nameOf(e) && readingOf(merged.back()) == readingOf(e))
            merged.back().sources |= e.sources;
        else
            merged.push_back(e);
    }
    merged.shrink_to_fit();
    m_entries = std::move(merged);
    m_text.shrink_to_fit();
}

qsizetype Dictionary::longestName(QStringView text) const
{
    qsizetype longest = 0;
    const qsizetype limit = std::min(text.size(), MaxName);
    for (qsizetype length = 1; length <= limit; ++length) {
        const QStringView start = text.first(length);
        const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), start,
                                         [this](const Entry& e, QStringView key) { return nameOf(e).compare(key) < 0; });
        // Names are sorted: when none begins with this start, none begins
        // with a longer one either.
        if (it == m_entries.end() || !nameOf(*it).startsWith(start))
            break;
        if (length >= 2 && nameOf(*it) == start)
            longest = length;
    }
    return longest;
}

std::vector<Reading> Dictionary::readings(QStringView name) const
{
    const auto first = std::lower_bound(m_entries.begin(), m_entries.end(), name,
                                        [this](const Entry& e, QStringView key) { return nameOf(e).compare(key) < 0; });
    std::vector<Reading> out;
    for (auto it = first; it != m_entries.end() && nameOf(*it) == name; ++it)
        out.push_back({readingOf(*it).toString(), it->sources});
    return out;
}

std::size_t Dictionary::bytes() const
{
    return m_text.capacity() * sizeof(char16_t) + m_entries.capacity() * sizeof(Entry);
}

Loaded loadFiles(const QString& enamdict, const QStringList& skk)
{
    auto dictionary = std::make_shared<Dictionary>();
    QStringList unreadable;
    // Mapped, not copied: enamdict alone is 26 MB, of which a tenth is kept.
    auto read = [&unreadable](const QString& path, auto add) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            unreadable << path;
            return;
        }
        if (file.size() == 0)
            return;
        if (const uchar* mapped = file.map(0, file.size())) {
            add(QByteArrayView(reinterpret_cast<const char*>(mapped), file.size()));
            return;
        }
        add(file.readAll());
    };
    if (!enamdict.isEmpty())
        read(enamdict, [&](QByteArrayView bytes) { dictionary->addEnamdict(bytes); });
    for (const QString& path : skk) {
        const Source source = path.endsWith(QStringLiteral(".station")) ? SkkStation
                            : path.endsWith(QStringLiteral(".okinawa")) ? SkkOkinawa
                                                                         : SkkGeo;
        read(path, [&](QByteArrayView bytes) { dictionary->addSkk(bytes, source); });
    }
    dictionary->finish();
    Loaded loaded{std::move(dictionary), {}};
    if (!unreadable.isEmpty())
        loaded.missing = QStringLiteral("地名の読みの辞書 %1 を読めません。").arg(unreadable.join(QStringLiteral("、")));
    return loaded;
}

Loaded loadInstalled()
{
    const DataPaths::PlaceNameFiles files = DataPaths::placeNameFiles();
    Loaded loaded = loadFiles(files.enamdict, files.skk);
    if (!files.missing.isEmpty())
        loaded.missing = files.missing;
    return loaded;
}

QString soundOf(QStringView reading)
{
    QString out;
    Text::SoundFolder folder;
    for (QChar c : reading) {
        if (const QChar sound = folder.next(c); !sound.isNull())
            out += sound;
    }
    return out;
}

bool sameSound(QStringView a, QStringView b)
{
    return soundOf(a) == soundOf(b);
}

QString choose(const std::vector<Reading>& readings, QStringView rulesReading)
{
    const QString rules = soundOf(rulesReading);
    const Reading* best = nullptr;
    std::size_t bestDistance = 0;
    for (const Reading& r : readings) {
        const QString said = soundOf(r.kana);
        if (said == rules)
            return {};
        const std::size_t distance = editDistance(said, rules);
        const int votes = std::popcount(r.sources);
        const int bestVotes = best ? std::popcount(best->sources) : -1;
        if (votes > bestVotes || (votes == bestVotes && distance < bestDistance)) {
            best = &r;
            bestDistance = distance;
        }
    }
    return best ? best->kana : QString();
}

std::vector<Text::Fixed> habitsIn(QStringView text, qsizetype begin, qsizetype end,
                                  const std::vector<qsizetype>& wordEnds, const std::vector<UserReading>& habits,
                                  const std::vector<Text::Fixed>& fixed)
{
    std::vector<Text::Fixed> found;
    auto taken = [&](qsizetype from, qsizetype to) {
        auto overlaps = [&](const Text::Fixed& f) { return from < f.end && f.begin < to; };
        return std::any_of(fixed.begin(), fixed.end(), overlaps) || std::any_of(found.begin(), found.end(), overlaps);
    };
    for (const UserReading& habit : habits) {
        if (habit.text.isEmpty())
            continue;
        const QStringView name = text.sliced(begin, end - begin);
        for (qsizetype at = name.indexOf(habit.text, 1); at > 0; at = name.indexOf(habit.text, at + 1)) {
            const qsizetype from = begin + at;
            const qsizetype to = from + habit.text.size();
            if (std::find(wordEnds.begin(), wordEnds.end(), to) != wordEnds.end() && !taken(from, to))
                found.push_back({from, to, habit.reading});
        }
    }
    return found;
}

} // namespace Yomi::PlaceNames
