#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// Readings for the Japanese voice. espeak-ng reads kana only (fed kanji it
// names the character class instead), so every announcement is turned into
// katakana first, by MeCab with the IPA dictionary and the transit words'
// user dictionary, then corrected where a bus announcement reads otherwise
// than running text: numbers with counters, destinations, place suffixes.
namespace Yomi {

// The dictionary package the readings are made with; the transit words are
// compiled against the same dictionary at build time.
inline const QString DictionaryPackage = QStringLiteral("mecab-ipadic-utf8");

// The folder of that dictionary. Always this one folder, never the system's
// default dictionary, which Debian points at whichever dictionary was
// installed last.
QString dictionaryDir();

// Loads MeCab with the system dictionary in dictionaryDir and the transit
// words. Raises AppError naming the package to install when the dictionary
// is missing or unusable. Only the first successful load counts; later calls
// just check their folder.
void load(const QString& dictionaryDir = Yomi::dictionaryDir());

// Stands in the readings for a character that neither the dictionary nor a
// variant table knows; the voice makes a pause there.
inline constexpr char16_t UnknownMark = u'〓';

// text as katakana in pronunciation spelling (次は -> ツギワ), numbers and
// Latin letters read out, 、 and 。 kept as the voice's pauses and spaces
// between phrases, UnknownMark for characters without a reading. Ruby in
// the text (放出《はなてん》, ｜喜連瓜破《きれうりわり》) and the user's
// readings are read as given. Loads the dictionary when nothing is loaded yet.
QString toSpeakable(const QString& text);

// A whole number written in ASCII digits, read in Japanese (12 -> ジューニ).
// Numbers with a leading zero or more than twenty digits are read digit by
// digit, as codes are.
QString numberReading(QStringView digits);

// --- the user's readings ------------------------------------------------------

// The readings file in the announcement-data folder: one "表記,よみ" a line.
inline const QString ReadingsFileName = QStringLiteral("yomi.csv");

struct UserReading
{
    QString text;    // as the announcement writes it
    QString reading; // katakana
    bool operator==(const UserReading&) const = default;
};

// Replaces the user's readings; they win over the dictionary from the next
// toSpeakable on. Safe from any thread.
void setUserReadings(std::vector<UserReading> readings);

// Reads ReadingsFileName in folder (looked up case-insensitively) and makes
// its readings the user's readings; no file means none. Returns one message
// for each line that could not be used (the others still apply).
QStringList loadReadingsFile(const QString& folder);

} // namespace Yomi
