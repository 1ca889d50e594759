#pragma once

#include <QString>
#include <QStringView>

// Readings for the Japanese voice. espeak-ng reads kana only (fed kanji it
// names the character class instead), so every announcement is turned into
// katakana first, by MeCab with the IPA dictionary and the transit words'
// user dictionary.
namespace Yomi {

// Where Debian's dictionary alternative points; `mecab-config --dicdir`
// names a folder that Debian does not fill.
inline const QString DefaultDictionary = QStringLiteral("/var/lib/mecab/dic/debian");

// Loads MeCab with the system dictionary in dictionaryDir and the transit
// words. Raises AppError when the dictionary is missing or unusable. Only the
// first successful load counts; later calls just check their folder.
void load(const QString& dictionaryDir = DefaultDictionary);

// text as katakana in pronunciation spelling (次は -> ツギワ), numbers and
// Latin letters read out, 、 and 。 kept as the voice's pauses and spaces
// between phrases. Loads the default dictionary when nothing is loaded yet.
QString toSpeakable(const QString& text);

// A whole number written in ASCII digits, read in Japanese (12 -> ジューニ).
// Numbers with a leading zero or more than twenty digits are read digit by
// digit, as codes are.
QString numberReading(QStringView digits);

} // namespace Yomi
