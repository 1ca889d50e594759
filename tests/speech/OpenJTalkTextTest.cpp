// What Open JTalk is given, and what its trace and its WAV say, without a
// process.

#include "speech/OpenJTalkText.h"

#include <QByteArray>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using Yomi::Piece;
using Yomi::Source;

Piece word(const char* surface, const char* reading, Source source = Source::Dictionary)
{
    return {Piece::Kind::Word, QString::fromUtf8(surface), QString::fromUtf8(reading), source, false};
}

Piece pause(const char* mark)
{
    return {Piece::Kind::Pause, QString::fromUtf8(mark), QString::fromUtf8(mark), Source::Dictionary, false};
}

Piece wordBreak(const char* symbol)
{
    return {Piece::Kind::Break, QString::fromUtf8(symbol), QString(), Source::Dictionary, false};
}

// 次は、市民病院前行きです。 as the readings read it.
std::vector<Piece> destination()
{
    return {word("次", "ツギ"),       word("は", "ワ"),    pause("、"),
            word("市民", "シミン"),   word("病院", "ビョーイン"), word("前", "マエ"),
            word("行き", "ユキ", Source::Rule), word("です", "デス"), pause("。")};
}

void append32(QByteArray& b, std::uint32_t v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    b.append(bytes, 4);
}

void append16(QByteArray& b, std::uint16_t v)
{
    char bytes[2];
    qToLittleEndian(v, bytes);
    b.append(bytes, 2);
}

QByteArray chunk(const char* id, const QByteArray& body, std::uint32_t declared = 0xFFFFFFFF)
{
    QByteArray b(id, 4);
    append32(b, declared == 0xFFFFFFFF ? static_cast<std::uint32_t>(body.size()) : declared);
    b += body;
    if (body.size() % 2)
        b += '\0';
    return b;
}

QByteArray fmt(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits)
{
    QByteArray b;
    append16(b, format);
    append16(b, channels);
    append32(b, rate);
    append32(b, rate * channels * bits / 8);
    append16(b, static_cast<std::uint16_t>(channels * bits / 8));
    append16(b, bits);
    return b;
}

QByteArray samples(std::initializer_list<std::int16_t> values)
{
    QByteArray b;
    for (std::int16_t v : values)
        append16(b, static_cast<std::uint16_t>(v));
    return b;
}

QByteArray riff(const QByteArray& chunks)
{
    QByteArray b("RIFF");
    append32(b, static_cast<std::uint32_t>(chunks.size() + 4));
    return b + "WAVE" + chunks;
}

} // namespace

TEST(OpenJTalkText, SoundKeysHearLongVowelsAndMarksAlike)
{
    const char* same[][2] = {
        {"ビョウイン", "ビョーイン"}, {"ケイトウ", "ケートー"}, {"きゅうこう", "キューコー"},
        {"ツギワ、シューテン。", "ツギワ シューテン"}, {"デス’", "デス"}, {"ヲ", "オ"}, {"オオリ", "オーリ"},
    };
    for (const auto& s : same)
        EXPECT_EQ(OpenJTalkText::soundKey(QString::fromUtf8(s[0])), OpenJTalkText::soundKey(QString::fromUtf8(s[1]))) << s[0];
    const char* different[][2] = {{"イキ", "ユキ"}, {"ホー", "カタ"}, {"マチ", "チョー"}, {"イチチョーメ", "イッチョーメ"}};
    for (const auto& d : different)
        EXPECT_NE(OpenJTalkText::soundKey(QString::fromUtf8(d[0])), OpenJTalkText::soundKey(QString::fromUtf8(d[1]))) << d[0];
}

TEST(OpenJTalkText, TheTraceTellsThePronunciationOfEachWord)
{
    const QByteArray trace = QByteArrayLiteral(
        "Warning: HTS_set_specified_duration: Specified frame length is too short.\n"
        "[Text analysis result]\n"
        "次,名詞,一般,*,*,*,*,次,ツギ,ツギ,2/2,C3,-1\n"
        "は,助詞,係助詞,*,*,*,*,は,ハ,ワ,0/1,名詞%F1/動詞%F2@0/形容詞%F2@0,1\n"
        "，,記号,読点,*,*,*,*,，,、,、,0/0,*,0\n"
        "です,助動詞,*,*,*,特殊・デス,基本形,です,デス,デス’,1/2,名詞%F2@1,1\n"
        "broken line\n"
        "\n"
        "[Output label]\n"
        "0 2700000 xx^xx-sil+ts=u/A:xx\n");
    EXPECT_EQ(OpenJTalkText::spokenFromTrace(trace), QStringLiteral("ツギワ、デス’"));
    EXPECT_EQ(OpenJTalkText::spokenFromTrace(QByteArrayLiteral("[Output label]\n0 1 x\n")), QString());
    EXPECT_EQ(OpenJTalkText::spokenFromTrace(QByteArray()), QString());
}

TEST(OpenJTalkText, WavGivesItsFirstChannelOrNothing)
{
    struct Case
    {
        const char* what;
        QByteArray bytes;
        std::vector<std::int16_t> samples;
        int rate;
    };
    const QByteArray mono = fmt(1, 1, 48000, 16);
    const Case cases[] = {
        {"mono", riff(chunk("fmt ", mono) + chunk("data", samples({1, -2, 32767}))), {1, -2, 32767}, 48000},
        {"stereo: the left channel", riff(chunk("fmt ", fmt(1, 2, 22050, 16)) + chunk("data", samples({5, 6, -7, 8}))),
         {5, -7}, 22050},
        {"an odd chunk before the format is skipped with its pad byte",
         riff(chunk("LIST", QByteArray("abc")) + chunk("fmt ", mono) + chunk("data", samples({9}))), {9}, 48000},
        {"data cut short: the samples that are there",
         riff(chunk("fmt ", mono) + chunk("data", samples({1, 2}), 1000)), {1, 2}, 48000},
        {"an empty data chunk", riff(chunk("fmt ", mono) + chunk("data", QByteArray())), {}, 48000},
        {"data before the format", riff(chunk("data", samples({1})) + chunk("fmt ", mono)), {}, 0},
        {"8-bit samples", riff(chunk("fmt ", fmt(1, 1, 8000, 8)) + chunk("data", QByteArray("ab"))), {}, 0},
        {"floating point", riff(chunk("fmt ", fmt(3, 1, 8000, 16)) + chunk("data", samples({1}))), {}, 0},
        {"a chunk longer than the file", riff(chunk("fmt ", mono, 0x7FFFFFF0)), {}, 0},
        {"no RIFF", QByteArray("RIFX\0\0\0\0WAVE", 12), {}, 0},
        {"nothing", QByteArray(), {}, 0},
    };
    for (const Case& c : cases) {
        const OpenJTalkText::Pcm pcm = OpenJTalkText::readWav(c.bytes);
        EXPECT_EQ(pcm.samples, c.samples) << c.what;
        EXPECT_EQ(pcm.rate, c.rate) << c.what;
    }
}

TEST(OpenJTalkText, InputKeepsTheTextWhereItIsNotGivenAsReadings)
{
    const std::vector<Piece> pieces{word("放出", "ハナテン", Source::Given), word("行き", "ユキ", Source::Rule),
                                    pause("、"), word("髙", "〓", Source::SpeltOut), wordBreak("/"),
                                    word("12", "ジューニ", Source::Number), pause("?"), pause("。")};
    const std::vector<bool> given = OpenJTalkText::readingsToGive(pieces);
    EXPECT_EQ(given, (std::vector<bool>{true, false, false, true, false, false, false, false}));
    EXPECT_EQ(OpenJTalkText::input(pieces, given), QStringLiteral("ハナテン行き、、12？。"));
    std::vector<bool> all(pieces.size(), true);
    EXPECT_EQ(OpenJTalkText::input(pieces, all), QStringLiteral("ハナテンユキ、、ジューニ？。"));
}

TEST(OpenJTalkText, MisreadPiecesAreFoundSoundBySound)
{
    struct Case
    {
        const char* spoken;
        std::vector<bool> misread;
    };
    //                  次     は     、     市民   病院   前     行き   です   。
    const Case cases[] = {
        {"ツギワ、シミンビョウインマエユキデス’、", {false, false, false, false, false, false, false, false, false}},
        {"ツギワ、シミンビョーインマエイキデス", {false, false, false, false, false, false, true, false, false}},
        {"ツギワ、シミンビョーインゼンユキデス", {false, false, false, false, false, true, false, false, false}},
        // A sound added between two pieces may belong to either.
        {"ツギワ、シミンビョーインッマエユキデス", {false, false, false, false, true, true, false, false, false}},
        // A sound missing at the end.
        {"ツギワ、シミンビョーインマエユキデ", {false, false, false, false, false, false, false, true, false}},
        {"", {true, true, false, true, true, true, true, true, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OpenJTalkText::misread(destination(), QString::fromUtf8(c.spoken)), c.misread) << c.spoken;
}

TEST(OpenJTalkText, RoundsGiveTheReadingsOpenJTalkMissedUntilItAgrees)
{
    OpenJTalkText::Rounds rounds(destination(), true);
    EXPECT_EQ(rounds.input(), QStringLiteral("次は、市民病院前行きです。"));
    EXPECT_FALSE(rounds.heard(QStringLiteral("ツギワ、シミンビョーインマエイキデス")));
    EXPECT_EQ(rounds.input(), QStringLiteral("次は、市民病院前ユキです。"));
    // Given ユキ, Open JTalk read 前 as a prefix: that is given too.
    EXPECT_FALSE(rounds.heard(QStringLiteral("ツギワ、シミンビョーインゼンユキデス")));
    EXPECT_EQ(rounds.input(), QStringLiteral("次は、市民病院マエユキです。"));
    EXPECT_TRUE(rounds.heard(QStringLiteral("ツギワ、シミンビョーインマエユキデス")));
    EXPECT_TRUE(rounds.agreed());
    EXPECT_EQ(rounds.round(), 3);

    // The last round stands whatever it said.
    OpenJTalkText::Rounds stubborn(destination(), true);
    for (int i = 1; i < OpenJTalkText::Rounds::MaxRounds; ++i)
        EXPECT_FALSE(stubborn.heard(i == 1 ? QStringLiteral("ツギワ") : QStringLiteral("ア")));
    EXPECT_TRUE(stubborn.heard(QStringLiteral("ア")));
    EXPECT_FALSE(stubborn.agreed());

    // Nothing misread that is not already given: no second round.
    OpenJTalkText::Rounds given({word("放出", "ハナテン", Source::Given)}, true);
    EXPECT_EQ(given.input(), QStringLiteral("ハナテン"));
    EXPECT_TRUE(given.heard(QStringLiteral("ハナテ")));

    // Without readings there is nothing to check.
    OpenJTalkText::Rounds unchecked({word("放出", "")}, false);
    EXPECT_TRUE(unchecked.heard(QStringLiteral("ホーシュツ")));
}

TEST(OpenJTalkText, PartsAreSentencesWithinTheLimit)
{
    // One sentence a part; marks with nothing to say join the sentence before.
    const std::vector<Piece> sentences{pause("、"), word("次", "ツギ"), pause("。"), word("終点", "シューテン"),
                                       pause("?"), pause("。"), word("です", "デス")};
    const auto split = OpenJTalkText::parts(sentences, 900);
    ASSERT_EQ(split.size(), 3u);
    EXPECT_EQ(split[0].size(), 3u);
    EXPECT_EQ(split[1].size(), 3u);
    EXPECT_EQ(split[2].size(), 1u);
    EXPECT_EQ(OpenJTalkText::parts({pause("。"), pause("、")}, 900).size(), 1u);
    EXPECT_TRUE(OpenJTalkText::parts({}, 900).empty());

    // One long sentence is cut after a pause, and where it has none between
    // words; every part stays within the limit however it is given.
    const int limit = 300;
    std::vector<Piece> sentence;
    for (int w = 0; w < 60; ++w) {
        sentence.push_back(word("市民病院", "シミンビョーイン"));
        if (w % 10 == 9)
            sentence.push_back(pause("、"));
    }
    for (int w = 0; w < 30; ++w)
        sentence.push_back(word("市民病院", "シミンビョーイン"));
    sentence.push_back(pause("。"));
    const auto cut = OpenJTalkText::parts(sentence, limit);
    ASSERT_GT(cut.size(), 6u);
    std::vector<Piece> joined;
    for (std::size_t i = 0; i < cut.size(); ++i) {
        const auto& part = cut[i];
        EXPECT_LE(OpenJTalkText::input(part, std::vector<bool>(part.size(), true)).toUtf8().size(), limit);
        EXPECT_LE(OpenJTalkText::input(part, std::vector<bool>(part.size(), false)).toUtf8().size(), limit);
        if (i < 6) {
            EXPECT_EQ(part.back().kind, Piece::Kind::Pause) << i;
        }
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, sentence);
}
