// The text side of the readings, without MeCab: the readings file, ruby and
// normalisation.

#include "platform/Cp932.h"
#include "readings/YomiText.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace Yomi::Text;

namespace {

ReadingsFile parseCp932(const QString& text)
{
    return parseReadings(Cp932::encodeOrThrow(text), QStringLiteral("yomi.csv"));
}

} // namespace

TEST(ReadingsFileTest, ReadsCodePage932AndUtf8WithBom)
{
    const std::vector<Yomi::UserReading> expected{{QStringLiteral("放出"), QStringLiteral("ハナテン")},
                                                  {QStringLiteral("喜連瓜破"), QStringLiteral("キレウリワリ")}};
    const QString text = QStringLiteral("放出,はなてん\r\n喜連瓜破,キレウリワリ\r\n");
    const ReadingsFile cp932 = parseCp932(text);
    EXPECT_EQ(cp932.readings, expected);
    EXPECT_TRUE(cp932.problems.isEmpty());

    const ReadingsFile utf8 = parseReadings(QByteArray("\xEF\xBB\xBF") + text.toUtf8(), QStringLiteral("yomi.csv"));
    EXPECT_EQ(utf8.readings, expected);
    EXPECT_TRUE(utf8.problems.isEmpty());

    // UTF-8 without the mark is taken for code page 932 and fails line by line.
    EXPECT_FALSE(parseReadings(text.toUtf8(), QStringLiteral("yomi.csv")).problems.isEmpty());
}

TEST(ReadingsFileTest, EachBadLineIsNamedAndTheRestApplies)
{
    const ReadingsFile r = parseCp932(QStringLiteral(
        "# 読みの辞書\n"           // 1 comment
        "\n"                        // 2 blank
        "放出,はなてん\n"           // 3
        "喜連瓜破\n"                // 4 no reading
        ",よみだけ\n"               // 5 no text
        "上町,上町\n"               // 6 reading in kanji
        "駅前,えき,まえ\n"          // 7 three fields
        " \"八幡\" , ハチマン ,\n"  // 8 quotes, blanks and a trailing comma
        "放出,ほうしゅつ\n"         // 9 a later line for the same text wins
        "ﾊﾞｽ停,ﾊﾞｽﾃｲ"));            // 10 half-width, no final line break
    const std::vector<Yomi::UserReading> expected{{QStringLiteral("放出"), QStringLiteral("ホウシュツ")},
                                                  {QStringLiteral("八幡"), QStringLiteral("ハチマン")},
                                                  {QStringLiteral("バス停"), QStringLiteral("バステイ")}};
    EXPECT_EQ(r.readings, expected);
    ASSERT_EQ(r.problems.size(), 4);
    const char* lines[] = {"4 行目", "5 行目", "6 行目", "7 行目"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(r.problems[i].startsWith(QStringLiteral("yomi.csv の "))) << r.problems[i].toStdString();
        EXPECT_TRUE(r.problems[i].contains(QString::fromUtf8(lines[i]))) << r.problems[i].toStdString();
    }
}

TEST(ReadingsFileTest, UndecodableLinesAreReportedAlone)
{
    QByteArray bytes = Cp932::encodeOrThrow(QStringLiteral("放出,はなてん\n"));
    bytes += QByteArray("\x82\xA0\x85\n", 4); // not code page 932
    bytes += Cp932::encodeOrThrow(QStringLiteral("駅前,えきまえ\n"));
    const ReadingsFile r = parseReadings(bytes, QStringLiteral("route.csv"));
    EXPECT_EQ(r.readings.size(), 2u);
    ASSERT_EQ(r.problems.size(), 1);
    EXPECT_TRUE(r.problems[0].contains(QStringLiteral("route.csv の 2 行目"))) << r.problems[0].toStdString();

    QByteArray utf8("\xEF\xBB\xBF" "\xE6\x94\xBE,\xFF\xFE\n");
    utf8 += QStringLiteral("駅前,えきまえ").toUtf8();
    const ReadingsFile u = parseReadings(utf8, QStringLiteral("yomi.csv"));
    EXPECT_EQ(u.readings.size(), 1u);
    EXPECT_EQ(u.problems.size(), 1);
}

TEST(ReadingsFileTest, AnyBytesParseWithoutCrashing)
{
    EXPECT_TRUE(parseReadings({}, QStringLiteral("yomi.csv")).readings.empty());
    EXPECT_TRUE(parseReadings(QByteArray("\xEF\xBB\xBF"), QStringLiteral("yomi.csv")).problems.isEmpty());
    QRandomGenerator random(517);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes;
        const int size = random.bounded(200);
        for (int i = 0; i < size; ++i) {
            // mostly the bytes a readings file is made of
            static const char pieces[] = {',', '\n', '\r', '"', '#', '\x82', '\xA0', '\x83', '\x81', '\xEF', '\xBB', '\xBF'};
            bytes += random.bounded(3) == 0 ? static_cast<char>(random.bounded(256)) : pieces[random.bounded(12)];
        }
        const ReadingsFile r = parseReadings(bytes, QStringLiteral("yomi.csv"));
        for (const Yomi::UserReading& reading : r.readings) {
            EXPECT_FALSE(reading.text.isEmpty());
            EXPECT_TRUE(isKanaReading(reading.reading));
        }
    }
}

TEST(RubyTest, TakesTheReadingsOutOfTheText)
{
    struct Case
    {
        const char* text;
        const char* plain;
        std::vector<Fixed> fixed;
    };
    const Case cases[] = {
        {"放出《はなてん》行", "放出行", {{0, 2, QStringLiteral("ハナテン")}}},
        {"次は放出《はなてん》", "次は放出", {{2, 4, QStringLiteral("ハナテン")}}},
        {"次は|喜連瓜破《きれうりわり》です", "次は喜連瓜破です", {{2, 6, QStringLiteral("キレウリワリ")}}},
        {"市営|バス停《ばすてい》", "市営バス停", {{2, 5, QStringLiteral("バステイ")}}},
        {"上《かみ》と下《しも》", "上と下", {{0, 1, QStringLiteral("カミ")}, {2, 3, QStringLiteral("シモ")}}},
        // no base, bad reading, no closing bracket
        {"《よみ》", "", {}},
        {"駅《eki》前", "駅前", {}},
        {"駅《えき", "駅《えき", {}},
        {"駅|", "駅", {}},
    };
    for (const Case& c : cases) {
        std::vector<Fixed> fixed;
        const QString plain = takeRuby(QString::fromUtf8(c.text), fixed);
        EXPECT_EQ(plain.toStdString(), c.plain) << c.text;
        ASSERT_EQ(fixed.size(), c.fixed.size()) << c.text;
        for (std::size_t i = 0; i < fixed.size(); ++i) {
            EXPECT_EQ(fixed[i].begin, c.fixed[i].begin) << c.text;
            EXPECT_EQ(fixed[i].end, c.fixed[i].end) << c.text;
            EXPECT_EQ(fixed[i].reading, c.fixed[i].reading) << c.text;
        }
    }
}

TEST(NormaliseTest, WidthsVariantsAndTheGaOfNames)
{
    const char* cases[][2] = {
        {"１２３ＡＢ", "123AB"}, {"ﾊﾞｽ", "バス"}, {"髙島屋", "高島屋"}, {"宮﨑", "宮崎"}, {"德山", "徳山"},
        {"緑ヶ丘", "緑が丘"}, {"3ヶ月", "3ヶ月"}, {"ヶ丘", "ヶ丘"}, {"｜放出《はなてん》", "|放出《はなてん》"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(normalise(QString::fromUtf8(c[0])).toStdString(), c[1]) << c[0];
}
