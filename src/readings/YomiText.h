#pragma once

#include "readings/Yomi.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

// The text side of the readings, apart from MeCab: kana, character variants,
// ruby and the readings file. Pure functions, so that each can be tested and
// fuzzed alone.
namespace Yomi::Text {

bool isHiragana(QChar c);
bool isKatakana(QChar c);
bool isKanji(QChar c);

// A Chinese reading for a kanji that the dictionary has no entry of its own
// for (哀 -> アイ), or an empty text.
QString kanjiReading(QChar kanji);

// Hiragana become katakana; everything else stays.
QString toKatakana(QStringView kana);

// True when text is kana only (either kind, with ー), which is what a reading
// may be written in.
bool isKanaReading(QStringView text);

// The vowel ('a', 'i', 'u', 'e' or 'o') a katakana ends in, or 0 for ン, ッ,
// ー and anything that is not katakana: what a following ー lengthens.
char vowelOf(QChar katakana);

// Reduces a reading to its sound a character at a time, so that readings
// spelt differently compare equal: hiragana as katakana, ヂ ヅ ヲ as ジ ズ
// オ, and a vowel that lengthens the one before it (オウ, エイ, アア) as ー.
// next gives a null QChar for anything that is not kana.
class SoundFolder
{
public:
    QChar next(QChar c);

private:
    char m_vowel = 0;
};

// The form the readings are made from: NFKC (full-width digits and Latin,
// half-width kana), kanji variants that the dictionary lacks replaced by
// their common form (髙 -> 高, 﨑 -> 崎), and the ヶ of place names
// (緑ヶ丘) written as the が it is read as.
QString normalise(const QString& text);

// A stretch of the text with a fixed reading.
struct Fixed
{
    qsizetype begin = 0;
    qsizetype end = 0;
    QString reading; // katakana
};

// Takes the ruby out of a normalised text: "放出《はなてん》行" becomes
// "放出行" with the reading ハナテン fixed on 放出. The base is the run of
// kanji before 《, or what follows a | (｜ before normalising). A ruby whose
// reading is not kana is dropped, its base kept.
QString takeRuby(const QString& text, std::vector<Fixed>& fixed);

// Fixes the user's readings on every place of text not yet fixed, longest
// text first. readings must be sorted longest text first.
void fixUserReadings(const QString& text, const std::vector<UserReading>& readings, std::vector<Fixed>& fixed);

struct ReadingsFile
{
    std::vector<UserReading> readings; // normalised text, katakana reading
    QStringList problems;              // one message per unusable line
};

// Parses the bytes of a readings file: code page 932, or UTF-8 when it starts
// with a byte order mark. Never fails as a whole: a line that cannot be used
// gets a message naming fileName and the line number. Blank lines and lines
// starting with # are skipped. Pure and total over any bytes: the entry
// point for fuzzing the readings file.
ReadingsFile parseReadings(QByteArrayView bytes, const QString& fileName);

} // namespace Yomi::Text
