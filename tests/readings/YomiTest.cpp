// The reading rules one by one: counters, destinations, place suffixes,
// variants and unknown characters, ruby, the user's readings, the dictionary
// folder and the yomi tool.

#include "platform/AppError.h"
#include "platform/Cp932.h"
#include "readings/PlaceNames.h"
#include "readings/Yomi.h"
#include "readings/YomiNumbers.h"
#include "speech/EspeakSpeech.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <tuple>

#include <gtest/gtest.h>

namespace {

struct Reading
{
    const char* text;
    const char* kana;
};

QString speak(const char* text)
{
    return Yomi::toSpeakable(QString::fromUtf8(text));
}

// Phrase spaces only guide the voice's accent; these tests are about sounds.
std::string sounds(const QString& kana)
{
    QString s = kana;
    s.remove(QLatin1Char(' '));
    return s.toStdString();
}

void expectReadings(std::initializer_list<Reading> cases)
{
    for (const Reading& c : cases)
        EXPECT_EQ(sounds(speak(c.text)), c.kana) << c.text;
}

// Clears the user's readings whatever a test leaves behind.
struct UserReadingsGuard
{
    ~UserReadingsGuard() { Yomi::setUserReadings({}); }
};

} // namespace

TEST(YomiCounterTest, NumbersChangeBeforeTheirCounters)
{
    // Each number once in kanji, ASCII and full-width digits.
    struct Counted
    {
        const char* kanji;
        const char* ascii;
        const char* wide;
        const char* kana;
    };
    const Counted cases[] = {
        {"一丁目", "1丁目", "１丁目", "イッチョーメ"},
        {"八丁目", "8丁目", "８丁目", "ハッチョーメ"},
        {"十丁目", "10丁目", "１０丁目", "ジュッチョーメ"},
        {"二十一丁目", "21丁目", "２１丁目", "ニジューイッチョーメ"},
        {"三本", "3本", "３本", "サンボン"},
        {"六本", "6本", "６本", "ロッポン"},
        {"百本", "100本", "１００本", "ヒャッポン"},
        {"一分", "1分", "１分", "イップン"},
        {"四分", "4分", "４分", "ヨンプン"},
        {"五分", "5分", "５分", "ゴフン"},
        {"十八分", "18分", "１８分", "ジューハップン"},
        {"一人", "1人", "１人", "ヒトリ"},
        {"二人", "2人", "２人", "フタリ"},
        {"四人", "4人", "４人", "ヨニン"},
        {"十一人", "11人", "１１人", "ジューイチニン"},
        {"三つ", "3つ", "３つ", "ミッツ"},
        {"十", "10つ", "１０つ", "トー"},
        {"一階", "1階", "１階", "イッカイ"},
        {"三階", "3階", "３階", "サンガイ"},
        {"六回", "6回", "６回", "ロッカイ"},
        {"四円", "4円", "４円", "ヨエン"},
        {"八百円", "800円", "８００円", "ハッピャクエン"},
        {"四時", "4時", "４時", "ヨジ"},
        {"九時", "9時", "９時", "クジ"},
        {"七時", "7時", "７時", "シチジ"},
        {"二日", "2日", "２日", "フツカ"},
        {"二十日", "20日", "２０日", "ハツカ"},
        {"十一日", "11日", "１１日", "ジューイチニチ"},
        {"五番", "5番", "５番", "ゴバン"},
        {"十二番地", "12番地", "１２番地", "ジューニバンチ"},
        {"十六号", "16号", "１６号", "ジューロクゴー"},
        {"九条", "9条", "９条", "キュージョー"},
    };
    for (const Counted& c : cases) {
        for (const char* text : {c.kanji, c.ascii, c.wide}) {
            if (std::string_view(text) == "十") // 十つ is not written
                continue;
            EXPECT_EQ(sounds(speak(text)), c.kana) << text;
        }
    }
}

TEST(YomiCounterTest, DatesWordsAndLargeNumbers)
{
    expectReadings({
        // 1日 is the first of a month only after the month
        {"5月1日", "ゴガツツイタチ"},
        {"1日", "イチニチ"},
        {"4月14日", "シガツジューヨッカ"},
        // a count too large for the counter's own words
        {"12つ", "ジューニツ"},
        // kanji numbers without a counter are read as numbers, not per character
        {"二〇二六年", "ニセンニジューロクネン"},
        {"三千五百", "サンゼンゴヒャク"},
        {"一万二千", "イチマンニセン"},
        // a space parts a number from its counter
        {"3 本", "サンホン"},
        // leading zeros stay a code
        {"007号", "ゼロゼロナナゴー"},
    });
}

TEST(YomiCounterTest, KanjiNumbersAsDigits)
{
    const Reading cases[] = {
        {"一", "1"},       {"十", "10"},         {"二十三", "23"},      {"百", "100"},       {"八百", "800"},
        {"三千五百", "3500"}, {"一万", "10000"},  {"二万三千", "23000"}, {"一億", "100000000"}, {"二〇二六", "2026"},
        {"〇", "0"},       {"万", "10000"},       {"一二三", "123"},
        // not numbers
        {"", ""},          {"三丁", ""},         {"十二十", ""},
    };
    for (const Reading& c : cases)
        EXPECT_EQ(Yomi::Numbers::kanjiToDigits(QString::fromUtf8(c.text)).toStdString(), c.kana) << c.text;
    EXPECT_EQ(Yomi::Numbers::kanjiToDigits(QStringLiteral("三二十")).toStdString(), "") << "two digits before a unit";
    EXPECT_EQ(Yomi::Numbers::counted(QStringLiteral("3"), QStringLiteral("枚")), QString()) << "not a counter here";
}

TEST(YomiCounterTest, NamesWithNumbersKeepTheirReading)
{
    expectReadings({
        {"六本木", "ロッポンギ"},
        {"八丁堀", "ハッチョーボリ"},
        {"五反田", "ゴタンダ"},
        {"一番", "イチバン"},
        {"三軒茶屋", "サンゲンジャヤ"},
    });
}

TEST(YomiRuleTest, GoingAfterAPlaceIsTheDestination)
{
    expectReadings({
        {"市民病院行", "シミンビョーインユキ"},
        {"北口行", "キタグチユキ"},
        {"駅前行き", "エキマエユキ"},
        {"県庁前行", "ケンチョーマエユキ"},
        {"ニュータウン行", "ニュータウンユキ"},
        {"空港行きのバスです", "クーコーユキノバスデス"},
        // the place read whole although the dictionary joins it with 行
        {"動物園行", "ドーブツエンユキ"},
        {"北部営業所行きです", "ホクブエーギョーショユキデス"},
        {"一方通行", "イッポーツーコー"},
        // words of their own keep their reading
        {"急行", "キューコー"},
        {"銀行", "ギンコー"},
        {"運行", "ウンコー"},
        {"直行", "チョッコー"},
        {"急行市民病院行", "キューコーシミンビョーインユキ"},
        // the verb stays a verb
        {"駅へ行きます", "エキエイキマス"},
        {"駅まで行く", "エキマデイク"},
    });
}

TEST(YomiRuleTest, SuffixesAfterNamesAndPersons)
{
    expectReadings({
        // 町 after a longer name, after a numbered block, and names known whole
        {"浜松町", "ハママツチョー"},
        {"神保町", "ジンボーチョー"},
        {"三番町", "サンバンチョー"},
        {"田町", "タマチ"},
        {"元町", "モトマチ"},
        // bridges after a name
        {"桜橋", "サクラバシ"},
        {"歩道橋", "ホドーキョー"},
        // 方 of persons and of directions
        {"お降りの方は", "オオリノカタワ"},
        {"ご利用の方", "ゴリヨーノカタ"},
        {"体の不自由な方", "カラダノフジユーナカタ"},
        {"駅の方", "エキノホー"},
        {"左の方へ", "ヒダリノホーエ"},
        // quotes and brackets part words without changing them
        {"\"次は、駅前です\"", "ツギワ、エキマエデス"},
        {"（次は）", "ツギワ"},
        {"市役所前（北）", "シヤクショマエキタ"},
        // ヶ in names is が, after a number it is the counter's カ
        {"緑ヶ丘", "ミドリガオカ"},
        {"つつじヶ丘", "ツツジガオカ"},
        {"3ヶ所", "サンカショ"},
    });
}

TEST(YomiVariantTest, CodePage932VariantsReadAsTheirCommonForm)
{
    expectReadings({
        {"宮﨑駅", "ミヤザキエキ"},
        {"髙島屋前", "タカシマヤマエ"},
        {"髙橋", "タカハシ"},
        {"德山", "トクヤマ"},
        {"濵田", "ハマダ"},
    });
}

TEST(YomiVariantTest, NoCodePage932KanjiIsDropped)
{
    // Every kanji a route file can hold is either read or marked, never lost.
    int marked = 0;
    int kanji = 0;
    for (int lead = 0x88; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            QByteArray bytes;
            bytes.append(static_cast<char>(lead)).append(static_cast<char>(trail));
            const std::optional<QString> c = Cp932::decode(bytes);
            // kanji, and the user-defined characters (gaiji) of F040-F9FC
            if (!c || c->isEmpty() || !(c->front().unicode() >= 0x4E00 && c->front().unicode() <= 0xFAFF))
                continue;
            ++kanji;
            const QString said = Yomi::toSpeakable(*c + QStringLiteral("駅"));
            EXPECT_TRUE(said.endsWith(QStringLiteral("エキ"))) << c->toStdString() << " -> " << said.toStdString();
            EXPECT_GT(said.size(), 2) << c->toStdString() << " was dropped";
            if (said.contains(QChar(Yomi::UnknownMark)))
                ++marked;
        }
    }
    EXPECT_GT(kanji, 8000);
    // Only the user-defined characters (1880) and a few extension kanji
    // without a common form or a known reading may remain unread.
    EXPECT_LT(marked, 1880 + 100);
}

TEST(YomiVariantTest, UnknownCharactersAreMarkedAndPaused)
{
    const QString said = speak("𠀋駅前");
    EXPECT_EQ(sounds(said), "〓エキマエ");
    // The voice is given a pause where the mark stands.
    EXPECT_EQ(EspeakSpeech::voiceInput(said).toStdString(), "、 エキマエ");
    EXPECT_FALSE(EspeakSpeech::voiceInput(QStringLiteral("〓")).contains(QChar(Yomi::UnknownMark)));
    // Symbols are still no sounds: a star is a word break, not a mark.
    EXPECT_FALSE(speak("★駅").contains(QChar(Yomi::UnknownMark)));
}

TEST(YomiRubyTest, InlineReadingsAreSpokenAsGiven)
{
    expectReadings({
        {"放出《はなてん》", "ハナテン"},
        {"放出《はなてん》行", "ハナテンユキ"},
        {"次は放出《はなてん》です", "ツギワハナテンデス"},
        // ｜ (or |) marks where the base starts, here before kana and a kanji run
        {"次は｜喜連瓜破《きれうりわり》です", "ツギワキレウリワリデス"},
        {"市営｜バス停《ばすてい》", "シエーバステー"},
        {"次は|放出《ハナテン》", "ツギワハナテン"},
        // a reading that is no kana is dropped, the base read by the dictionary
        {"水を放出《ABC》", "ミズヲホーシュツ"},
        // an unclosed ruby is text
        {"放出《はなてん", "ホーシュツハナテン"},
        {"《はなてん》", ""},
    });
}

TEST(YomiUserReadingsTest, UserReadingsOverrideTheDictionary)
{
    UserReadingsGuard guard;
    Yomi::setUserReadings({{QStringLiteral("放出"), QStringLiteral("ハナテン")},
                           {QStringLiteral("上町"), QStringLiteral("ウエマチ")},
                           {QStringLiteral("上町台"), QStringLiteral("ウエマチダイ")},
                           {QStringLiteral("高島屋"), QStringLiteral("タカシマヤ")}});
    expectReadings({
        {"放出", "ハナテン"},
        {"放出行", "ハナテンユキ"},
        {"次は放出です", "ツギワハナテンデス"},
        // the longer entry wins where both fit
        {"上町台", "ウエマチダイ"},
        {"上町", "ウエマチ"},
        // entries are matched on the normalised text (variant 髙)
        {"髙島屋前", "タカシマヤマエ"},
        // ruby in the text wins over the file
        {"放出《ほうしゅつ》", "ホーシュツ"},
    });
    // readings are said as pronounced: the long vowels of spelt ホウ and テイ
    Yomi::setUserReadings({{QStringLiteral("王子"), QStringLiteral("オウジ")}, {QStringLiteral("停"), QStringLiteral("テイ")}});
    expectReadings({{"王子", "オージ"}, {"停", "テー"}});
    Yomi::setUserReadings({});
    EXPECT_EQ(sounds(speak("水を放出")), "ミズヲホーシュツ");
}

TEST(YomiUserReadingsTest, FileInTheAnnouncementFolder)
{
    UserReadingsGuard guard;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        // any case of the name, as route files are found
        QFile file(dir.filePath(QStringLiteral("YOMI.CSV")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Cp932::encodeOrThrow(QStringLiteral("放出,はなてん\r\n壊れた行\r\n喜連瓜破,キレウリワリ\r\n")));
    }
    const QStringList problems = Yomi::loadReadingsFile(dir.path());
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("YOMI.CSV"))) << problems[0].toStdString();
    EXPECT_TRUE(problems[0].contains(QStringLiteral("2 行目"))) << problems[0].toStdString();
    EXPECT_EQ(sounds(speak("放出")), "ハナテン");
    EXPECT_EQ(sounds(speak("喜連瓜破")), "キレウリワリ");

    // A route without the file has no user readings.
    QTemporaryDir empty;
    EXPECT_TRUE(Yomi::loadReadingsFile(empty.path()).isEmpty());
    EXPECT_EQ(sounds(speak("水を放出")), "ミズヲホーシュツ");
}

namespace {

// A small dictionary of place names in place of the installed ones, and no
// route or habits, for one test; the installed ones come back after it.
struct PlaceNamesGuard
{
    PlaceNamesGuard()
    {
        Yomi::load();
        m_saved = Yomi::placeNames();
        auto names = std::make_shared<Yomi::PlaceNames::Dictionary>();
        using namespace Yomi::PlaceNames;
        for (const auto& [name, reading, source] : std::initializer_list<std::tuple<const char*, const char*, Source>>{
                 {"等々力", "とどろき", SkkStation},
                 {"等々力", "とどろき", EnamdictPlace},
                 {"等々力", "とうとうりき", EnamdictPlace},
                 {"放出", "はなてん", EnamdictStation},
                 {"放出", "はなてん", SkkStation},
                 {"図書館", "ずしょかん", EnamdictPlace},
                 {"新宿", "にいじゅく", SkkGeo},
                 {"新宿", "しんじゅく", EnamdictPlace},
             })
            names->add(QString::fromUtf8(name), QString::fromUtf8(reading), source);
        names->finish();
        Yomi::setPlaceNames(std::move(names));
    }
    ~PlaceNamesGuard()
    {
        Yomi::setPlaceNames(m_saved);
        Yomi::setRouteNames({});
        Yomi::setHabits({});
        Yomi::setUserReadings({});
    }
    std::shared_ptr<const Yomi::PlaceNames::Dictionary> m_saved;
};

} // namespace

TEST(YomiPlaceNamesTest, NamesAreReadAsTheirPeopleReadThem)
{
    PlaceNamesGuard guard;
    expectReadings({
        // a stop name alone: found whole, found by its start, not found
        {"等々力", "トドロキ"},
        {"等々力駅前", "トドロキエキマエ"},
        {"中央駅", "チューオーエキ"},
        // where the dictionary also lists the rules' reading, it stays
        {"新宿", "シンジュク"},
        // names where announcements put them
        {"次は、等々力です。", "ツギワ、トドロキデス。"},
        {"等々力行きです", "トドロキユキデス"},
        // a common word in running text is no name
        {"水を放出します", "ミズヲホーシュツシマス"},
        // an ordinary word needs two of the dictionaries to be read otherwise
        {"図書館前", "トショカンマエ"},
    });
    // The route's stop names are names wherever they occur.
    Yomi::setRouteNames({QStringLiteral("放出"), QStringLiteral("中央駅")});
    expectReadings({{"放出でお降りください", "ハナテンデオオリクダサイ"}});
    // Without the dictionaries (packages missing) the rules read alone.
    Yomi::setPlaceNames(nullptr);
    EXPECT_NE(sounds(speak("等々力")), "トドロキ");
    EXPECT_EQ(sounds(speak("放出でお降りください")), "ホーシュツデオオリクダサイ");
    // The repeat mark MeCab has no word for repeats the kanji before it; the
    // voice is never handed the mark itself.
    expectReadings({{"相野々", "アイノノ"}, {"佐々木", "ササキ"}});
}

TEST(YomiPlaceNamesTest, RegionalHabitsFileBesideTheReadings)
{
    PlaceNamesGuard guard;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile file(dir.filePath(Yomi::PlaceNames::HabitsFileName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Cp932::encodeOrThrow(QStringLiteral("# 表記,よみ\r\n原,ばる\r\n町\r\n町,マチ\r\n前,mae\r\n")));
    }
    const QStringList problems = Yomi::loadReadingsFile(dir.path());
    ASSERT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems[0].contains(Yomi::PlaceNames::HabitsFileName + QStringLiteral(" の 3 行目"))) << problems[0].toStdString();
    EXPECT_TRUE(problems[1].contains(QStringLiteral("5 行目"))) << problems[1].toStdString();
    expectReadings({
        // the other lines apply, to what ends a word of a name
        {"次は西原です", "ツギワニシバルデス"},
        {"次は浜松町です", "ツギワハママツマチデス"},
        // not at the start of a name, not in running text
        {"次は原です", "ツギワハラデス"},
        {"野原を歩く", "ノハラヲアルク"},
    });
}

TEST(YomiDictionaryTest, OpensItsOwnDictionaryNotTheSystemDefault)
{
    EXPECT_NE(Yomi::dictionaryDir(), QStringLiteral("/var/lib/mecab/dic/debian"));
    EXPECT_TRUE(QFileInfo(Yomi::dictionaryDir() + QStringLiteral("/sys.dic")).isFile()) << Yomi::dictionaryDir().toStdString();
    try {
        Yomi::load(QStringLiteral("/nonexistent/dic"));
        FAIL() << "no error for a missing dictionary";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), ErrNo::FileNotFound);
        EXPECT_TRUE(e.description().contains(Yomi::DictionaryPackage)) << e.what();
        EXPECT_TRUE(e.description().contains(QStringLiteral("/nonexistent/dic"))) << e.what();
    }
}

TEST(YomiToolTest, PrintsOneReadingPerLine)
{
    QProcess tool;
    tool.start(QStringLiteral(YOMI_TOOL), {QStringLiteral("一丁目"), QStringLiteral("𠀋駅")});
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardOutput()), QStringLiteral("イッチョーメ\n〓 エキ\n"));

    // From standard input, with a readings file; its bad line is reported.
    QTemporaryDir dir;
    QFile readings(dir.filePath(QStringLiteral("yomi.csv")));
    ASSERT_TRUE(readings.open(QIODevice::WriteOnly));
    readings.write("\xEF\xBB\xBF" "放出,はなてん\n放出駅\n");
    readings.close();
    tool.start(QStringLiteral(YOMI_TOOL), {QStringLiteral("--readings"), readings.fileName()});
    ASSERT_TRUE(tool.waitForStarted());
    tool.write("放出行\n\n3本\n");
    tool.closeWriteChannel();
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardOutput()), QStringLiteral("ハナテンユキ\n\nサンボン\n"));
    const QString errors = QString::fromUtf8(tool.readAllStandardError());
    EXPECT_TRUE(errors.contains(QStringLiteral("yomi.csv の 2 行目"))) << errors.toStdString();
}
