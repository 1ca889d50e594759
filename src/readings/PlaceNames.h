#pragma once

#include "readings/YomiText.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

// Place and station names with the readings their people use (等々力
// トドロキ, 放出 ハナテン), from Debian's enamdict and skkdic-extra: the
// morphological dictionary knows few of them and reads the rest by the
// characters. A name may have several readings; the rules' own reading is
// kept wherever the dictionaries list it too.
namespace Yomi::PlaceNames {

// Where an entry comes from; a reading that several sources give is the
// likelier one.
enum Source : std::uint8_t {
    EnamdictPlace = 1,
    EnamdictStation = 2,
    SkkGeo = 4,
    SkkStation = 8,
    SkkOkinawa = 16,
};

struct Reading
{
    QString kana; // katakana
    std::uint8_t sources = 0;
};

// The names, sorted for lookups by their start. Built once, then only read:
// safe from any thread once built.
class Dictionary
{
public:
    // Adds the place (p) and station (st) entries of enamdict's text
    // (EUC-JP, "名前 [よみ] /(p) ...", a station also without its 駅).
    // Other kinds of names, and lines that are not entries, are skipped.
    void addEnamdict(QByteArrayView eucJp);
    // Adds the entries of an SKK dictionary (EUC-JP, "よみ /名前/名前;注/");
    // of the Okinawa one only those its notes call a place (地名).
    void addSkk(QByteArrayView eucJp, Source source);
    // One name and its reading (kana, either kind); a name without kanji or
    // a reading that is not kana is skipped.
    void add(QStringView name, QStringView reading, Source source);
    // Sorts and merges what was added; lookups need it.
    void finish();

    // How many characters of text, from its start, make the longest name of
    // the dictionary; 0 when no name of two characters or more starts it.
    qsizetype longestName(QStringView text) const;
    // The readings of exactly this name.
    std::vector<Reading> readings(QStringView name) const;

    std::size_t size() const { return m_entries.size(); }
    // Memory held by the lookup, in bytes.
    std::size_t bytes() const;

private:
    struct Entry
    {
        std::uint32_t name;
        std::uint32_t reading;
        std::uint8_t nameLength;
        std::uint8_t readingLength;
        std::uint8_t sources;
    };
    QStringView nameOf(const Entry& e) const;
    QStringView readingOf(const Entry& e) const;

    std::vector<char16_t> m_text;
    std::vector<Entry> m_entries;
};

// Reads the installed dictionaries (DataPaths::placeNameFiles); missing
// tells which packages are not installed, and the dictionary is then made
// of what there is, perhaps nothing. A file that cannot be read counts as
// missing.
struct Loaded
{
    std::shared_ptr<const Dictionary> dictionary;
    QString missing;
};
Loaded loadInstalled();
Loaded loadFiles(const QString& enamdict, const QStringList& skk);

// A reading as the voice says it, for comparing readings: katakana only
// (spaces and pauses left out), every long vowel as ー (コウ, コオ and エイ
// of Chinese readings), ヂ, ヅ and ヲ as ジ, ズ and オ.
QString soundOf(QStringView reading);

// True when two readings sound the same to the voice (soundOf).
bool sameSound(QStringView a, QStringView b);

// Which reading to give a name whose rules read it as rulesReading: an empty
// text when the dictionary lists the rules' reading (or nothing), else the
// reading most sources give, the one nearest the rules' on a tie.
QString choose(const std::vector<Reading>& readings, QStringView rulesReading);

// --- regional habits ------------------------------------------------------------

// The habits file in the announcement-data folder, beside the readings file:
// one "表記,よみ" a line, as there, for what ends a word of a place name in
// the region (町,マチ; 原,バル).
inline const QString HabitsFileName = QStringLiteral("yomi-region.csv");

// Where in text, inside the name from begin to end, the habits apply: each
// occurrence that ends a word of the name (wordEnds holds the positions
// where words end) and does not start the name. Returns the stretches with
// their readings, without those overlapping fixed.
std::vector<Text::Fixed> habitsIn(QStringView text, qsizetype begin, qsizetype end,
                                  const std::vector<qsizetype>& wordEnds, const std::vector<UserReading>& habits,
                                  const std::vector<Text::Fixed>& fixed);

} // namespace Yomi::PlaceNames
