#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
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
// words, then the place names (PlaceNames::loadInstalled) unless some were
// set. Raises AppError naming the package to install when the dictionary
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

// --- how each stretch of a text is read -------------------------------------------

// Where a reading comes from. Anything but the dictionary is a reading that a
// voice with a dictionary of its own would not find there.
enum class Source {
    Dictionary, // the word's entry (the transit words' included)
    Number,     // a number, read together with the counter after it
    Rule,       // how bus announcements read a word (行き ユキ, 町 チョー, 方 カタ ...)
    Given,      // ruby in the text or one of the user's readings
    SpeltOut,   // no entry: read a character at a time
};

// One stretch of a text and how it is read, in the order of the text.
struct Piece
{
    enum class Kind {
        Word,  // reading: katakana in pronunciation spelling, UnknownMark where unreadable
        Pause, // reading: the pause, 、 (short), 。 (sentence end) or ? (a question's rise)
        Break, // a symbol that only parts words; no reading
    };
    Kind kind = Kind::Word;
    // The stretch as the readings saw it: normalised (full-width digits and
    // Latin narrowed, variants replaced), ruby taken out.
    QString surface;
    QString reading;
    Source source = Source::Dictionary;
    bool newPhrase = false; // a word that begins a phrase of its own

    bool changed() const { return source != Source::Dictionary; }
    bool operator==(const Piece&) const = default;
};

// text read piece by piece; toSpeakable is these readings joined. Loads the
// dictionary when nothing is loaded yet.
std::vector<Piece> pieces(const QString& text);

// A whole number written in ASCII digits, read in Japanese (12 -> ジューニ).
// Numbers with a leading zero or more than twenty digits are read digit by
// digit, as codes are.
QString numberReading(QStringView digits);

// --- place names -------------------------------------------------------------

namespace PlaceNames {
class Dictionary;
}

// The place names the readings consult where a text is a name (a stop of
// the route, the name after 次は or before 行き, a word the dictionary calls
// a place, a text that is a name alone); null: none. Replaces those load()
// would read. Safe from any thread.
void setPlaceNames(std::shared_ptr<const PlaceNames::Dictionary> names);
std::shared_ptr<const PlaceNames::Dictionary> placeNames();

// The stop names of the route that is set: where one occurs in a text, that
// stretch is a name.
void setRouteNames(const QStringList& names);

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

// The region's habits in place names (PlaceNames::HabitsFileName): where a
// text ends a word of a name, past its first character, it is read so.
void setHabits(std::vector<UserReading> habits);

// Reads ReadingsFileName and PlaceNames::HabitsFileName in folder (looked up
// case-insensitively) and makes their lines the user's readings and the
// region's habits; no file means none. Returns one message for each line
// that could not be used (the others still apply).
QStringList loadReadingsFile(const QString& folder);

} // namespace Yomi
