// The place names' dictionary without MeCab: what of enamdict and the SKK
// dictionaries is taken, the lookup by a name's start, which reading is
// chosen, the region's habits and the missing packages.

#include "platform/DataPaths.h"
#include "platform/Iconv.h"
#include "readings/PlaceNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Yomi::PlaceNames;

namespace {

QByteArray eucJp(const char* utf8)
{
    IconvConverter encoder("EUC-JP", "UTF-8");
    return encoder.run(QByteArrayView(utf8)).value();
}

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList kanaOf(const std::vector<Reading>& readings)
{
    QStringList out;
    for (const Reading& r : readings)
        out << r.kana;
    return out;
}

} // namespace

TEST(PlaceNamesTest, EnamdictGivesOnlyPlacesAndStations)
{
    Dictionary d;
    QByteArray file = eucJp("　？？？ /ENAMDICT - header/\n"
                            "放出 [はなてん] /(p) Hanaten/\n"
                            "放出 [ほうで] /(s) Houde/\n"
                            "雑色 [ぞうしき] /(p,s) Zoushiki/\n"
                            "桂駅 [かつらえき] /(st) Katsura Station/\n"
                            "太郎 [たろう] /(g) Taro/\n"
                            "あいこ /(f) Aiko/\n"
                            "壊れた行 [こわれた\n");
    file += "\xA4 [\xFF\xFE] /(p) broken/\n"; // not EUC-JP: skipped, not fatal
    d.addEnamdict(file);
    d.finish();
    EXPECT_EQ(kanaOf(d.readings(u("放出"))), QStringList{u("ハナテン")});
    EXPECT_EQ(kanaOf(d.readings(u("雑色"))), QStringList{u("ゾウシキ")});
    EXPECT_EQ(kanaOf(d.readings(u("桂駅"))), QStringList{u("カツラエキ")});
    // A station is also found without its 駅.
    EXPECT_EQ(kanaOf(d.readings(u("桂"))), QStringList{u("カツラ")});
    EXPECT_TRUE(d.readings(u("太郎")).empty());
    EXPECT_EQ(d.size(), 4u);
}

TEST(PlaceNamesTest, SkkGivesWholeNamesOnly)
{
    Dictionary geo;
    geo.addSkk(eucJp(";; okuri-ari entries.\n"
                     "ちわr /地割/\n"
                     ";; okuri-nasi entries.\n"
                     "#ごう /#0号/\n"
                     "とどろき /等々力;世田谷区/轟/\n"
                     "なかの /中野/(concat \"中\\057野\")/\n"),
               SkkGeo);
    Dictionary okinawa;
    okinawa.addSkk(eucJp("ふくじ /福地;901-0345 '字‖単純地名/福治;‖姓/\n"), SkkOkinawa);
    geo.finish();
    okinawa.finish();
    EXPECT_EQ(kanaOf(geo.readings(u("等々力"))), QStringList{u("トドロキ")});
    EXPECT_EQ(kanaOf(geo.readings(u("中野"))), QStringList{u("ナカノ")});
    EXPECT_TRUE(geo.readings(u("地割")).empty());
    EXPECT_EQ(geo.size(), 3u); // 等々力, 轟, 中野: not the Lisp, not the number
    // Of the Okinawa dictionary only what its notes call a place.
    EXPECT_EQ(kanaOf(okinawa.readings(u("福地"))), QStringList{u("フクジ")});
    EXPECT_TRUE(okinawa.readings(u("福治")).empty());
}

TEST(PlaceNamesTest, LongestStartOfAName)
{
    Dictionary d;
    d.add(u("等々力"), u("とどろき"), SkkGeo);
    d.add(u("上島"), u("うえじま"), EnamdictPlace);
    d.add(u("上島田"), u("かみしまた"), EnamdictPlace);
    d.add(u("上"), u("かみ"), EnamdictPlace);
    d.finish();
    const struct
    {
        const char* text;
        qsizetype length;
    } cases[] = {
        {"等々力", 3},       // found whole
        {"等々力駅前", 3},   // found by its start
        {"上島田口", 3},     // the longest start wins over a shorter one
        {"上島町", 2},
        {"上野", 0},         // one character is never a name of its own
        {"中央駅", 0},       // not found
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(d.longestName(u(c.text)), c.length) << c.text;
}

TEST(PlaceNamesTest, TheRulesReadingStaysWhereTheDictionaryListsIt)
{
    const std::vector<Reading> shinjuku{{u("ニイジュク"), EnamdictPlace | SkkGeo}, {u("シンジュク"), EnamdictPlace}};
    // Listed, with fewer sources than another reading, and written with ウ.
    EXPECT_EQ(choose(shinjuku, u("シンジュク")), QString());
    EXPECT_EQ(choose({{u("ゴウツ"), EnamdictPlace}}, u("ゴーツ")), QString());
    // Not listed: the reading most sources give.
    EXPECT_EQ(choose(shinjuku, u("アラヤド")), u("ニイジュク"));
    // On a tie, the one nearest the rules' reading (here only voiced).
    const std::vector<Reading> ueshima{{u("カミジマ"), EnamdictPlace}, {u("ウエジマ"), EnamdictPlace}};
    EXPECT_EQ(choose(ueshima, u("ウエシマ")), u("ウエジマ"));
    EXPECT_EQ(choose({}, u("ウエシマ")), QString());
}

TEST(PlaceNamesTest, SameSoundIgnoresHowLongVowelsAreWritten)
{
    EXPECT_TRUE(sameSound(u("トウキョウ"), u("とーきょー")));
    EXPECT_TRUE(sameSound(u("カワヅ"), u("かわず")));
    EXPECT_FALSE(sameSound(u("カミ"), u("ウエ")));
}

TEST(PlaceNamesTest, HabitsEndAWordOfTheNameNeverStartIt)
{
    const std::vector<Yomi::UserReading> habits{{u("原"), u("バル")}, {u("町"), u("マチ")}};
    const QString text = u("次は西原町原");
    // Words: 次 は 西原 町 原
    const std::vector<qsizetype> wordEnds{1, 2, 4, 5, 6};
    std::vector<Yomi::Text::Fixed> found = habitsIn(text, 2, 6, wordEnds, habits, {});
    ASSERT_EQ(found.size(), 3u);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.begin < b.begin; });
    EXPECT_EQ(found[0].begin, 3);
    EXPECT_EQ(found[0].reading, u("バル"));
    EXPECT_EQ(found[1].begin, 4);
    EXPECT_EQ(found[1].reading, u("マチ"));
    EXPECT_EQ(found[2].begin, 5);
    // At the start of the name, and inside a word (原宿), no habit.
    EXPECT_TRUE(habitsIn(u("原"), 0, 1, {1}, habits, {}).empty());
    EXPECT_TRUE(habitsIn(u("西原宿"), 0, 3, {3}, habits, {}).empty());
    // Nor where a reading is fixed already.
    EXPECT_TRUE(habitsIn(u("西原"), 0, 2, {2}, habits, {{0, 2, u("ニシハラ")}}).empty());
}

TEST(PlaceNamesTest, MissingPackagesAreNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString enamdict = dir.filePath(QStringLiteral("enamdict"));
    const QString skk = dir.filePath(QStringLiteral("skk"));
    QDir().mkpath(skk);
    const QString none = dir.filePath(QStringLiteral("none"));

    const DataPaths::PlaceNameFiles bothMissing = DataPaths::findPlaceNameFiles(enamdict, none);
    EXPECT_TRUE(bothMissing.missing.contains(QStringLiteral("enamdict")));
    EXPECT_TRUE(bothMissing.missing.contains(QStringLiteral("skkdic-extra")));

    QFile(enamdict).open(QIODevice::WriteOnly);
    QFile f(skk + QStringLiteral("/SKK-JISYO.station"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(eucJp("はなてん /放出/\n"));
    f.close();
    const DataPaths::PlaceNameFiles skkOnly = DataPaths::findPlaceNameFiles(none, skk);
    EXPECT_FALSE(skkOnly.missing.contains(QStringLiteral("skkdic-extra")));
    EXPECT_TRUE(skkOnly.missing.contains(QStringLiteral("enamdict")));
    const DataPaths::PlaceNameFiles both = DataPaths::findPlaceNameFiles(enamdict, skk);
    EXPECT_TRUE(both.missing.isEmpty());
    EXPECT_EQ(both.skk, QStringList{skk + QStringLiteral("/SKK-JISYO.station")});

    const Loaded loaded = loadFiles(both.enamdict, both.skk);
    EXPECT_TRUE(loaded.missing.isEmpty());
    EXPECT_EQ(kanaOf(loaded.dictionary->readings(u("放出"))), QStringList{u("ハナテン")});
    // A file that went away between the look and the read is missing too.
    const Loaded gone = loadFiles(none, {});
    EXPECT_EQ(gone.dictionary->size(), 0u);
    EXPECT_FALSE(gone.missing.isEmpty());
}
