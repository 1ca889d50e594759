#pragma once

#include "readings/Yomi.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// What Open JTalk is given and what it said. Open JTalk analyses a text with
// a dictionary of its own and places the pitch accent from that analysis, so
// it is given the text as written wherever it reads a piece as the readings
// do, and the reading (katakana) only where it would say something else.
// Its trace tells what it said. Pure functions, no process.
namespace OpenJTalkText {

// A reading reduced to its sound: katakana only, every long vowel written ー
// (コウ, コオ and コー sound alike, and so do エイ and エー in Chinese
// readings), ヲ ヂ ヅ as オ ジ ズ; marks, spaces and the trace's devoicing
// mark left out. Hiragana count as katakana.
QString soundKey(QStringView reading);

// The pronunciation Open JTalk spoke, from its trace (the -ot output): the
// pronunciations of the words of its text analysis, joined. Empty when the
// trace has no text analysis.
QString spokenFromTrace(QByteArrayView trace);

// The speech in the WAV file that Open JTalk writes: 16-bit PCM, mono. Bytes
// that are no such file give no samples and rate 0; a data chunk cut short
// gives the samples that are there.
struct Pcm
{
    std::vector<std::int16_t> samples;
    int rate = 0;
};
Pcm readWav(QByteArrayView bytes);

// The pieces whose reading Open JTalk cannot find by itself: ruby, the user's
// readings and what the readings spelt out a character at a time.
std::vector<bool> readingsToGive(const std::vector<Yomi::Piece>& pieces);

// The text for Open JTalk: each piece as written, or as its reading where
// asReading says so; pauses as 、 。 ？, word breaks as nothing (a space
// would be a pause). A reading's unreadable characters are pauses.
QString input(const std::vector<Yomi::Piece>& pieces, const std::vector<bool>& asReading);

// The pieces Open JTalk said otherwise than their readings: spoken is lined
// up with the readings sound by sound, and a piece with a sound missing,
// changed or added within or right after it counts as misread.
std::vector<bool> misread(const std::vector<Yomi::Piece>& pieces, const QString& spoken);

// The pieces cut into the parts Open JTalk is given one at a time: one
// sentence each, so that the first can be heard while the next is made, and
// a sentence cut further where its input could pass maxBytes (UTF-8; Open
// JTalk reads one line of at most about a thousand bytes), after a pause
// where there is one, else between words.
std::vector<std::vector<Yomi::Piece>> parts(const std::vector<Yomi::Piece>& pieces, int maxBytes);

// How one part is given to Open JTalk, round after round: first as written,
// with only the readings it cannot know given as readings; then, after each
// round whose trace shows pieces misread, with those pieces given as their
// readings too. Giving a reading changes how Open JTalk parses the words
// around it, so each round is checked again; the last round's speech stands
// whatever it said.
class Rounds
{
public:
    static constexpr int MaxRounds = 3;

    // Without readings to check against (verify false) the first round is
    // the last.
    Rounds(std::vector<Yomi::Piece> pieces, bool verify);

    // The text of this round.
    QString input() const;
    // What Open JTalk said for input(); true when this round's speech stands,
    // false when there is another round to give.
    bool heard(const QString& spoken);
    int round() const { return m_round; }
    // Whether the speech that stands says what the readings say.
    bool agreed() const { return m_agreed; }
    const std::vector<Yomi::Piece>& pieces() const { return m_pieces; }

private:
    std::vector<Yomi::Piece> m_pieces;
    std::vector<bool> m_asReading;
    bool m_verify;
    int m_round = 1;
    bool m_agreed = false;
};

} // namespace OpenJTalkText
