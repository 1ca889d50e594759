#include "Convert.h"
#include "FareCsv.h"
#include "GtfsCsv.h"
#include "GtfsFeed.h"
#include "GtfsImport.h"

#include "ConverterFiles.h"

#include "platform/Cp932.h"
#include "speech/TapeCsv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zip.h>

#include <csignal>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

using Gtfs::FeedFiles;

// ----- feeds built in memory -----

// One route "R1" (short name 7) of one trip T1 through stops S1..Sn in
// order, stop k in zones[k-1] ("" for none), with the fare files given ("-"
// leaves a file out).
FeedFiles lineFeed(const std::vector<std::string>& zones, const std::string& attributes, const std::string& rules)
{
    std::string stops = "stop_id,stop_name,zone_id\n";
    std::string times = "trip_id,stop_id,stop_sequence\n";
    for (std::size_t k = 1; k <= zones.size(); ++k) {
        const std::string id = "S" + std::to_string(k);
        stops += id + ",停留所" + std::to_string(k) + "," + zones[k - 1] + "\n";
        times += "T1," + id + "," + std::to_string(k) + "\n";
    }
    FeedFiles files{
        {"stops.txt", stops},
        {"routes.txt", "route_id,route_short_name,route_long_name\nR1,7,本線\nR2,8,支線\n"},
        {"trips.txt", "route_id,trip_id,direction_id\nR1,T1,0\n"},
        {"stop_times.txt", times},
    };
    if (attributes != "-")
        files["fare_attributes.txt"] = "fare_id,price,currency_type\n" + attributes;
    if (rules != "-")
        files["fare_rules.txt"] = "fare_id,route_id,origin_id,destination_id,contains_id\n" + rules;
    return files;
}

Gtfs::ImportRequest req(const QString& route, int direction = 0, const QString& keito = {})
{
    Gtfs::ImportRequest r;
    r.route = route;
    r.direction = direction;
    r.keito = keito;
    return r;
}

Gtfs::ImportedRoute import(const FeedFiles& files, const QString& route = QStringLiteral("R1"), int direction = 0,
                           const QString& keito = {})
{
    return Gtfs::importRoute(Gtfs::readFeed(files), req(route, direction, keito));
}

// The first `tickets` fare values of every row, as the test tables write them.
std::vector<std::vector<int>> fareGrid(const Gtfs::ImportedRoute& route, int tickets)
{
    std::vector<std::vector<int>> grid;
    for (const Hy3File::Record& rec : route.records) {
        std::vector<int> row;
        for (int t = 0; t < tickets; ++t)
            row.push_back(rec.Fare[static_cast<std::size_t>(t)]);
        grid.push_back(row);
    }
    return grid;
}

std::vector<int> ticketsOf(const Gtfs::ImportedRoute& route)
{
    std::vector<int> out;
    for (const Hy3File::Record& rec : route.records)
        out.push_back(rec.SeiriNum);
    return out;
}

QString refusal(const FeedFiles& files, const Gtfs::ImportRequest& request)
{
    try {
        Gtfs::importRoute(Gtfs::readFeed(files), request);
    } catch (const Gtfs::Error& e) {
        return e.message();
    }
    return QStringLiteral("<accepted>");
}

// ----- the CSV layer -----

TEST(GtfsCsv, ReadsQuotingByteOrderMarkLineEndsAndRaggedRows)
{
    const std::string bytes = "\xEF\xBB\xBF"
                              " stop_id ,stop_name,zone_id,extra\r\n"
                              "S1,\"中央駅, 東口\",Z1\r\n"
                              "\r\n"
                              "S2,\"言う\"\"駅\"\"\",,x,y,z\n"
                              "\"S3\" ,\"二行\n目\",\"Z3\"\r\n"
                              "S4\n"
                              "S5,  空白  ,Z5";
    const Gtfs::CsvTable t = Gtfs::CsvTable::parse(QStringLiteral("stops.txt"), bytes);
    ASSERT_EQ(t.rowCount(), 5u);
    const int id = t.column("stop_id");
    const int name = t.column("stop_name");
    const int zone = t.column("zone_id");
    EXPECT_EQ(id, 0);
    EXPECT_EQ(t.column("platform_code"), -1);
    const struct { std::string id, name, zone; int line; } rows[] = {
        {"S1", "中央駅, 東口", "Z1", 2},
        {"S2", "言う\"駅\"", "", 4},
        {"S3", "二行\n目", "Z3", 5},
        {"S4", "", "", 7},
        {"S5", "空白", "Z5", 8},
    };
    for (std::size_t r = 0; r < 5; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(t.field(r, id), rows[r].id);
        EXPECT_EQ(t.field(r, name), rows[r].name);
        EXPECT_EQ(t.field(r, zone), rows[r].zone);
        EXPECT_EQ(t.lineOf(r), rows[r].line);
        EXPECT_EQ(t.field(r, -1), "");
    }
    EXPECT_EQ(t.field(1, t.column("extra")), "x");
}

TEST(GtfsCsv, RefusesWhatCannotBeReadNamingFileAndLine)
{
    const struct { std::string bytes; QString mentions; } cases[] = {
        {"a,b\n1,2\n3,\"open\n4,5\n", QStringLiteral("stops.txt: 3 行目: 2 列目の引用符")},
        {"a,b\n1,2\n\xE9t\xE9,3\n", QStringLiteral("stops.txt: 3 行目: UTF-8 として読めない")},
        {"a,b\n\xEF\xBB", QStringLiteral("2 行目: UTF-8")},
        {"", QStringLiteral("空のファイル")},
        {"\xEF\xBB\xBF\r\n\n", QStringLiteral("空のファイル")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mentions.toStdString());
        try {
            Gtfs::CsvTable::parse(QStringLiteral("stops.txt"), c.bytes);
            ADD_FAILURE() << "accepted";
        } catch (const Gtfs::Error& e) {
            EXPECT_TRUE(e.message().contains(c.mentions)) << e.what();
        }
    }
    const Gtfs::CsvTable t = Gtfs::CsvTable::parse(QStringLiteral("x.txt"), "a\n1\n");
    try {
        t.requireColumn("stop_id");
        ADD_FAILURE() << "no column accepted";
    } catch (const Gtfs::Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("x.txt: 1 行目: 列 stop_id がありません。"));
    }
}

TEST(GtfsCsv, KeepsOnlyAsManyColumnsAsAllowed)
{
    std::string wide = "a,b";
    wide += std::string(200000, ',');
    wide += "\n1,2" + std::string(200000, ',') + "\"q\"\n";
    const Gtfs::CsvTable t = Gtfs::CsvTable::parse(QStringLiteral("w.txt"), wide, 4);
    ASSERT_EQ(t.rowCount(), 1u);
    EXPECT_EQ(t.field(0, 1), "2");
    EXPECT_EQ(t.field(0, 4), "");
}

// ----- tickets and fares -----

const std::string kZoneFares = "F170,170,JPY\nF220,220.0,JPY\nF270,270.00,JPY\n";
const std::string kZoneRules = "F170,,Z1,Z1,\nF220,,Z1,Z2,\nF270,,Z1,Z3,\nF170,,Z2,Z2,\nF220,,Z2,Z3,\nF170,,Z3,Z3,\n";

TEST(GtfsImport, TicketNumbersFollowFareZones)
{
    const struct { std::vector<std::string> zones; std::vector<int> tickets; } cases[] = {
        {{"Z1", "Z1", "Z2", "Z2", "Z3"}, {1, 1, 2, 2, 3}},
        // a stop without a zone is a zone of its own, even next to another
        {{"", "", "Z1", "Z1", ""}, {1, 2, 3, 3, 4}},
        // coming back into a zone passed before is a change of zone
        {{"Z1", "Z2", "Z1", "Z1"}, {1, 2, 3, 3}},
        {{"Z1", "Z1"}, {1, 1}},
    };
    for (const auto& c : cases) {
        const auto route = import(lineFeed(c.zones, "-", "-"));
        EXPECT_EQ(ticketsOf(route), c.tickets);
        EXPECT_EQ(route.tickets, c.tickets.back());
    }
}

TEST(GtfsImport, FaresFromZoneOfTicketToZoneOfStop)
{
    const auto route = import(lineFeed({"Z1", "Z1", "Z2", "Z3", "Z3"}, kZoneFares, kZoneRules));
    const std::vector<std::vector<int>> expected = {
        {170, 0, 0, 0},
        {170, 0, 0, 0},
        {220, 170, 0, 0},
        {270, 220, 170, 0},
        {270, 220, 170, 0},
    };
    EXPECT_EQ(fareGrid(route, 4), expected);
    EXPECT_TRUE(route.warnings.isEmpty()) << route.warnings.join(QLatin1Char('\n')).toStdString();
    // Nothing beyond the twelve adult fares: a feed has no subway supplement
    // and no commuter pass.
    for (const Hy3File::Record& rec : route.records) {
        for (std::size_t k = 12; k < rec.Fare.size(); ++k)
            ASSERT_EQ(rec.Fare[k], 0);
    }
}

TEST(GtfsImport, ChoosesTheRuleThatApplies)
{
    const struct { const char* what; std::string attributes, rules; std::vector<std::vector<int>> fares; } cases[] = {
        {"a flat fare for the route, stops without zones", "F100,100.0,JPY\n", "F100,R1,,,\n",
         {{100, 0, 0}, {100, 100, 0}, {100, 100, 100}}},
        {"both ends given beat one end, one end beats neither", "A,500,JPY\nB,300,JPY\nC,150,JPY\n",
         "A,,,,\nB,,,Z2,\nC,,Z1,Z2,\n", {{500, 0, 0}, {150, 300, 0}, {150, 300, 0}}},
        {"among equally specific rules the cheapest", "A,300,JPY\nB,250,JPY\nC,280,JPY\n",
         "A,R1,,,\nB,,,,\nC,R1,,,\n", {{250, 0, 0}, {250, 250, 0}, {250, 250, 0}}},
        {"a rule of another route does not apply", "A,300,JPY\nB,100,JPY\n", "A,R1,,,\nB,R2,,,\n",
         {{300, 0, 0}, {300, 300, 0}, {300, 300, 0}}},
        {"origin only", "A,200,JPY\nB,400,JPY\n", "A,,Z1,,\nB,,,,\n", {{200, 0, 0}, {200, 400, 0}, {200, 400, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool zoned = std::string(c.what).find("without zones") == std::string::npos;
        const auto route = import(lineFeed(zoned ? std::vector<std::string>{"Z1", "Z2", "Z2"}
                                                 : std::vector<std::string>{"", "", ""},
                                           c.attributes, c.rules));
        EXPECT_EQ(fareGrid(route, 3), c.fares);
        EXPECT_TRUE(route.warnings.isEmpty()) << route.warnings.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(GtfsImport, PairsWithoutFareAreMinusOneAndListed)
{
    // Z1 -> Z3 and Z2 -> Z3 are not covered; F9 names no fare.
    const auto route = import(lineFeed({"Z1", "Z2", "Z3"}, "F1,170,JPY\n",
                                       "F1,,Z1,Z1,\nF1,,Z1,Z2,\nF1,,Z2,Z2,\nF1,,Z3,Z3,\nF9,,Z1,Z3,\n"));
    EXPECT_EQ(fareGrid(route, 3), (std::vector<std::vector<int>>{{170, 0, 0}, {170, 170, 0}, {-1, -1, 170}}));
    const QString all = route.warnings.join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("2 組"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Z1 → Z3、Z2 → Z3"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("fare_id「F9」が fare_attributes.txt にない"))) << all.toStdString();

    const auto noZone = import(lineFeed({"", "Z1"}, "F1,170,JPY\n", "F1,,Z1,Z1,\n"));
    EXPECT_TRUE(noZone.warnings.join(QString()).contains(QStringLiteral("停留所1 (zone_id なし) → 停留所1 (zone_id なし)")));
}

TEST(GtfsImport, WithoutFareFilesEveryFareIsMinusOne)
{
    const struct { std::string attributes, rules; QString names; } cases[] = {
        {"-", "-", QStringLiteral("fare_attributes.txt と fare_rules.txt がない")},
        {"F1,100,JPY\n", "-", QStringLiteral("fare_rules.txt がない")},
        {"-", "F1,,,,\n", QStringLiteral("fare_attributes.txt がない")},
    };
    for (const auto& c : cases) {
        const auto route = import(lineFeed({"Z1", "Z2"}, c.attributes, c.rules));
        EXPECT_EQ(fareGrid(route, 3), (std::vector<std::vector<int>>{{-1, 0, 0}, {-1, -1, 0}}));
        ASSERT_EQ(route.warnings.size(), 1);
        EXPECT_TRUE(route.warnings[0].contains(c.names)) << route.warnings[0].toStdString();
    }
}

TEST(GtfsImport, PriceMustBeWholeYenTheBoardCanShow)
{
    const struct { std::string price; int fare; } accepted[] = {{"0", 0}, {"210.0", 210}, {"32767", 32767}, {"050", 50}};
    for (const auto& c : accepted) {
        const auto route = import(lineFeed({"", ""}, "F," + c.price + ",JPY\n", "F,,,,\n"));
        EXPECT_EQ(route.records[0].Fare[0], c.fare) << c.price;
    }
    for (const std::string price : {"210.5", "32768", "-10", "", "abc", "1e3", "99999999999999999999"}) {
        const QString message = refusal(lineFeed({"", ""}, "X,1,JPY\nF," + price + ",JPY\n", "F,,,,\n"), req(QStringLiteral("R1")));
        EXPECT_TRUE(message.startsWith(QStringLiteral("fare_attributes.txt: 3 行目: price「%1」").arg(QString::fromStdString(price))))
            << message.toStdString();
    }
    // A broken price that no rule of the route uses does not matter.
    EXPECT_NO_THROW(import(lineFeed({"", ""}, "F,100,JPY\nG,x,JPY\n", "F,R1,,,\nG,R2,,,\n")));
}

TEST(GtfsImport, MoreThanTwelveTicketsAreSaidAndOnlyTwelveShown)
{
    const auto route = import(lineFeed(std::vector<std::string>(14, ""), "F,100,JPY\n", "F,,,,\n"));
    EXPECT_EQ(route.tickets, 14);
    EXPECT_EQ(route.records[13].SeiriNum, 14);
    for (std::size_t t = 0; t < 12; ++t)
        EXPECT_EQ(route.records[13].Fare[t], 100);
    EXPECT_EQ(route.records[13].Fare[12], 0);
    ASSERT_EQ(route.warnings.size(), 1);
    EXPECT_TRUE(route.warnings[0].contains(QStringLiteral("1～14"))) << route.warnings[0].toStdString();
}

// ----- which trip, in which order -----

FeedFiles tripsFeed()
{
    return {
        {"stops.txt", "stop_name,stop_id\nあ,A\nい,I\nう,U\nえ,E\nお,O\n"},
        {"routes.txt", "route_short_name,route_id\n7,R1\n"},
        {"trips.txt", "trip_id,route_id,direction_id\nshort,R1,0\nlong,R1,0\nback,R1,1\nsame,R1,0\n"},
        // Rows out of order, sequence numbers with gaps, trips interleaved.
        {"stop_times.txt", "stop_sequence,trip_id,stop_id\n"
                           "30,long,U\n5,short,A\n10,long,A\n900,long,O\n20,long,I\n"
                           "40,long,E\n6,short,I\n2,back,E\n1,back,O\n"
                           "1,same,O\n2,same,E\n3,same,U\n4,same,I\n5,same,A\n"},
    };
}

QStringList names(const Gtfs::ImportedRoute& route)
{
    QStringList out;
    for (const Hy3File::Record& rec : route.records)
        out << rec.Chimei;
    return out;
}

TEST(GtfsImport, StopsOfTheLongestTripInSequenceOrder)
{
    const FeedFiles feed = tripsFeed();
    // "long" and "same" both have 5 stops: the first in trips.txt wins.
    EXPECT_EQ(names(import(feed)).join(QString()), QStringLiteral("あいうえお"));
    EXPECT_EQ(names(import(feed, QStringLiteral("7"), 1)).join(QString()), QStringLiteral("おえ"));

    const auto summary = Gtfs::summarize(Gtfs::readFeed(feed));
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].stops, (std::array<int, 2>{5, 2}));
}

// ----- announcement rows and readings -----

TEST(GtfsImport, AnnouncementRowsSpeakReadingsFromEitherLayout)
{
    FeedFiles feed = lineFeed({"", "", "", ""}, "-", "-");
    const struct { const char* layout; std::string translations; QStringList spoken; } cases[] = {
        {"current, by record and by value",
         "table_name,field_name,language,translation,record_id,record_sub_id,field_value\n"
         "stops,stop_name,ja-Hrkt,にばん,S2,,\n"
         "stops,stop_name,ja-Hrkt,ちがう,,,停留所2\n"     // the record's own reading wins
         "stops,stop_name,JA-HRKT,さんばん,,,停留所3\n"
         "stops,stop_name,en,Stop 4,S4,,\n"               // not a reading
         "routes,route_long_name,ja-Hrkt,ほんせん,R1,,\n",
         {QStringLiteral("にばん"), QStringLiteral("さんばん"), QStringLiteral("停留所4")}},
        {"older, by the written name",
         "trans_id,lang,translation\n停留所2,ja-Hrkt,にばん\n停留所3,ja,停留所3\n停留所4,ja-Hrkt,\"よん\"\"ばん\"\n",
         {QStringLiteral("にばん"), QStringLiteral("停留所3"), QStringLiteral("よんばん")}},
        {"unreadable columns", "a,b\n1,2\n", {QStringLiteral("停留所2"), QStringLiteral("停留所3"), QStringLiteral("停留所4")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        feed["translations.txt"] = c.translations;
        const auto route = import(feed);
        ASSERT_EQ(route.tape.size(), 3u);
        EXPECT_EQ(route.tape[0].strText, QStringLiteral("次は、%1です。").arg(c.spoken[0]));
        EXPECT_EQ(route.tape[1].strText, QStringLiteral("次は、%1です。").arg(c.spoken[1]));
        EXPECT_EQ(route.tape[2].strText, QStringLiteral("次は、終点、%1です。").arg(c.spoken[2]));
        for (const TapeCsv::Row& row : route.tape) {
            EXPECT_EQ(row.nStep, 1);
            EXPECT_EQ(row.nFlag, 1);
        }
        // The board still shows the written name.
        EXPECT_EQ(route.records[1].Chimei, QStringLiteral("停留所2"));
    }
}

TEST(GtfsImport, TapeFileReadsBackThroughTheTapeReader)
{
    const std::vector<TapeCsv::Row> rows = {{QStringLiteral("次は、本町,一丁目です。"), 1, 1},
                                            {QStringLiteral("次は、終点、港です。"), 1, 1}};
    const QByteArray bytes = Gtfs::tapeBytes(rows);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    const auto back = TapeCsv::parse(Cp932::decodeOrThrow(bytes));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].strText, rows[0].strText);
    EXPECT_EQ(back[1].nStep, 1);
    EXPECT_EQ(back[1].nFlag, 1);
}

// ----- refusals -----

TEST(GtfsImport, RefusesNamingWhatIsWrong)
{
    const FeedFiles good = lineFeed({"Z1", "Z2"}, "-", "-");
    auto with = [&](const std::string& file, const std::string& bytes) {
        FeedFiles f = good;
        f[file] = bytes;
        return f;
    };
    FeedFiles twoSevens = with("routes.txt", "route_id,route_short_name,route_long_name\nR1,7,本線\nR7,7,急行\n");
    const struct { FeedFiles feed; Gtfs::ImportRequest request; QString mentions; } cases[] = {
        {good, req(QStringLiteral("R9")), QStringLiteral("路線「R9」がありません")},
        {twoSevens, req(QStringLiteral("7")), QStringLiteral("路線名「7」に当たる路線が 2 本あります。route_id で選んでください: R1 7 本線、R7 7 急行")},
        {good, req(QStringLiteral("R1"), 1), QStringLiteral("路線「R1 7 本線」には方向 1 (direction_id) の便がありません。")},
        {with("stop_times.txt", "trip_id,stop_id,stop_sequence\nT1,S1,1\nT1,S9,2\n"), req(QStringLiteral("R1")),
         QStringLiteral("stop_times.txt: 3 行目: 停留所 stop_id「S9」が stops.txt にありません。")},
        {with("stop_times.txt", "trip_id,stop_id,stop_sequence\nT1,S1,1\nT1,S2,two\n"), req(QStringLiteral("R1")),
         QStringLiteral("stop_times.txt: 3 行目: stop_sequence")},
        {with("stop_times.txt", "trip_id,stop_id,stop_sequence\nT1,S1,1\n"), req(QStringLiteral("R1")),
         QStringLiteral("1 つしかありません")},
        {with("routes.txt", "route_id,route_short_name\nR1,みなと\n"), req(QStringLiteral("R1")),
         QStringLiteral("route_short_name「みなと」は 1～5 桁の数字ではない")},
        {with("routes.txt", "route_id,route_short_name\nR1,123456\n"), req(QStringLiteral("R1")), QStringLiteral("--keito")},
        {good, req(QStringLiteral("R1"), 0, QStringLiteral("12a")), QStringLiteral("--keito「12a」は系統番号になりません")},
        {with("stops.txt", "stop_id,stop_name\nS1,café\nS2,b\n"), req(QStringLiteral("R1")),
         QStringLiteral("stops.txt: 停留所 S1: 停留所名「café」の文字「é」(U+00E9) は Shift-JIS (コードページ 932) で表せません。")},
        {with("translations.txt", "trans_id,lang,translation\n停留所2,ja-Hrkt,\xF0\x9F\x9A\x8C\n"), req(QStringLiteral("R1")),
         QStringLiteral("停留所 S2 (停留所2) の読み")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mentions.toStdString());
        const QString message = refusal(c.feed, c.request);
        EXPECT_TRUE(message.contains(c.mentions)) << message.toStdString();
    }

    // The stop limit of a fare file.
    const QString tooMany = refusal(lineFeed(std::vector<std::string>(302, "Z"), "-", "-"), req(QStringLiteral("R1")));
    EXPECT_TRUE(tooMany.contains(QStringLiteral("302"))) << tooMany.toStdString();
}

TEST(GtfsFeed, RefusesAFeedWithoutItsFourFiles)
{
    for (const char* name : {"stops.txt", "routes.txt", "trips.txt", "stop_times.txt"}) {
        FeedFiles files = lineFeed({"", ""}, "-", "-");
        files.erase(name);
        try {
            Gtfs::readFeed(files);
            ADD_FAILURE() << name;
        } catch (const Gtfs::Error& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("%1 がありません").arg(QLatin1String(name)))) << e.what();
        }
    }
    FeedFiles noColumn = lineFeed({"", ""}, "-", "-");
    noColumn["stop_times.txt"] = "trip_id,stop_id\nT1,S1\n";
    EXPECT_THROW(Gtfs::readFeed(noColumn), Gtfs::Error);
}

TEST(GtfsFeed, MangledFilesAreReadOrRefusedNeverTrusted)
{
    // Each file of a good feed, mangled over and over with a fixed seed:
    // bytes replaced by CSV's special characters, by broken UTF-8 and by
    // digits (long sequence numbers and prices), cut short or doubled.
    FeedFiles good = lineFeed({"Z1", "Z1", "Z2", ""}, "F1,170,JPY\nF2,220.0,JPY\n", "F1,,,,\nF2,R1,Z1,Z2,\n");
    good["translations.txt"] = "trans_id,lang,translation\n停留所2,ja-Hrkt,にばん\n";
    const std::string specials[] = {",", "\"", "\n", "\r", "\r\n", "\xFF", "\xE3\x81", "99999999999999999999", "-1", ""};
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % below;
    };
    int accepted = 0;
    for (int round = 0; round < 400; ++round) {
        FeedFiles files = good;
        auto it = files.begin();
        std::advance(it, next(static_cast<std::uint32_t>(files.size())));
        std::string& bytes = it->second;
        for (int edits = 1 + static_cast<int>(next(4)); edits > 0 && !bytes.empty(); --edits) {
            const std::size_t at = next(static_cast<std::uint32_t>(bytes.size()));
            switch (next(3)) {
            case 0: bytes.replace(at, 1, specials[next(std::size(specials))]); break;
            case 1: bytes.resize(at); break;
            default: bytes += bytes.substr(at); break;
            }
        }
        try {
            const Gtfs::Feed feed = Gtfs::readFeed(files);
            Gtfs::summarize(feed);
            Gtfs::tapeBytes(Gtfs::importRoute(feed, req(QStringLiteral("R1"))).tape);
            ++accepted;
        } catch (const Gtfs::Error& e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
    // Most rounds break something; some must still import.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 400);
}

// ----- zip files -----

class GtfsFiles : public ConverterFiles
{
protected:
    // A zip of the files, each under prefix.
    void zipUp(const QString& name, const FeedFiles& files, const std::string& prefix = {}) const
    {
        int error = 0;
        zip_t* z = zip_open(QFile::encodeName(path(name)).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(z, nullptr);
        for (const auto& [file, bytes] : files) {
            zip_source_t* src = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
            ASSERT_GE(zip_file_add(z, (prefix + file).c_str(), src, ZIP_FL_ENC_UTF_8), 0);
        }
        ASSERT_EQ(zip_close(z), 0);
    }
    void folder(const QString& name, const FeedFiles& files) const
    {
        QDir(dir.path()).mkpath(name);
        for (const auto& [file, bytes] : files)
            put(name + QLatin1Char('/') + QString::fromStdString(file), QByteArray::fromStdString(bytes));
    }
    const FeedFiles feed = lineFeed({"Z1", "Z1", "Z2"}, "F1,170,JPY\nF2,220,JPY\n", "F1,,,,\nF2,,Z1,Z2,\n");
};

TEST_F(GtfsFiles, ReadsZipFoldersAndMemoryAlike)
{
    // Upper-case names inside a folder of the zip, as some tools write them.
    FeedFiles upper;
    for (const auto& [name, bytes] : feed) {
        std::string n = name;
        n[0] = static_cast<char>(n[0] - 'a' + 'A');
        upper[n] = bytes;
    }
    upper["Shapes.txt"] = "not read";
    zipUp(QStringLiteral("feed.zip"), upper, "feed/");
    folder(QStringLiteral("feedDir"), feed);

    const FeedFiles fromZip = Gtfs::readZipFile(path(QStringLiteral("feed.zip")));
    EXPECT_EQ(fromZip, feed);
    EXPECT_EQ(Gtfs::readFeedFiles(path(QStringLiteral("feedDir"))), feed);
    const std::string zipBytes = get(QStringLiteral("feed.zip")).toStdString();
    EXPECT_EQ(Gtfs::readZipBytes(zipBytes), feed);
}

TEST_F(GtfsFiles, BoundsWhatAZipMayInflateTo)
{
    // Two megabytes of one byte compress to a few kilobytes.
    FeedFiles bomb = feed;
    bomb["stop_times.txt"] = "trip_id,stop_id,stop_sequence\n" + std::string(2 << 20, ' ');
    zipUp(QStringLiteral("bomb.zip"), bomb);
    EXPECT_LT(QFileInfo(path(QStringLiteral("bomb.zip"))).size(), 100000);
    const struct { Gtfs::Limits limits; bool fits; } cases[] = {
        {{std::size_t{1} << 20, std::size_t{64} << 20}, false},
        {{std::size_t{64} << 20, std::size_t{1} << 20}, false},
        {{std::size_t{4} << 20, std::size_t{8} << 20}, true},
    };
    for (const auto& c : cases) {
        try {
            Gtfs::readZipFile(path(QStringLiteral("bomb.zip")), c.limits);
            EXPECT_TRUE(c.fits);
        } catch (const Gtfs::Error& e) {
            EXPECT_FALSE(c.fits);
            EXPECT_TRUE(e.message().contains(QStringLiteral("stop_times.txt が大きすぎます"))) << e.what();
        }
    }
}

TEST_F(GtfsFiles, DamagedZipsAreRefusedNotTrusted)
{
    zipUp(QStringLiteral("feed.zip"), feed);
    const std::string whole = get(QStringLiteral("feed.zip")).toStdString();
    // Every prefix of the file, and every byte flipped in turn: each must
    // either read or be refused with a message.
    for (std::size_t cut = 0; cut < whole.size(); cut += 7) {
        try {
            Gtfs::readFeed(Gtfs::readZipBytes(whole.substr(0, cut)));
        } catch (const Gtfs::Error& e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
    for (std::size_t at = 0; at < whole.size(); at += 3) {
        std::string flipped = whole;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
        try {
            Gtfs::importRoute(Gtfs::readFeed(Gtfs::readZipBytes(flipped)), req(QStringLiteral("R1")));
        } catch (const Gtfs::Error& e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
}

// ----- the converter's two commands -----

class GtfsConvert : public GtfsFiles
{
protected:
    static int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr)
    {
        QProcess p;
        p.start(QStringLiteral(HY3CONV), args);
        p.waitForFinished(20000);
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

TEST_F(GtfsConvert, ImportedRouteRoundTripsThroughToCsv)
{
    zipUp(QStringLiteral("feed.zip"), feed);
    Hy3Conv::GtfsRequest request;
    request.route = QStringLiteral("7");
    const auto outcome = Hy3Conv::gtfsToHy3(path(QStringLiteral("feed.zip")), path(QStringLiteral("out")), request);
    EXPECT_EQ(outcome.records, 3);
    EXPECT_TRUE(outcome.warnings.isEmpty()) << outcome.warnings.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(outcome.written.size(), 2);

    Hy3Conv::hy3ToCsv(path(QStringLiteral("out/7.hy3")), path(QStringLiteral("7.csv")));
    const auto records = FareCsv::parse(FareCsv::decode(get(QStringLiteral("7.csv"))));
    const auto expected = import(feed, QStringLiteral("R1")).records;
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t r = 0; r < records.size(); ++r) {
        EXPECT_EQ(records[r].Chimei, expected[r].Chimei);
        EXPECT_EQ(records[r].SeiriNum, expected[r].SeiriNum);
        EXPECT_EQ(records[r].Fare, expected[r].Fare);
    }
    EXPECT_EQ(records[2].SeiriNum, 2);
    EXPECT_EQ(records[2].Fare[0], 220);
    EXPECT_EQ(records[2].Fare[1], 170);
    // And back to the same fare file byte for byte.
    Hy3Conv::csvToHy3(path(QStringLiteral("7.csv")), path(QStringLiteral("again.hy3")));
    EXPECT_EQ(get(QStringLiteral("again.hy3")), get(QStringLiteral("out/7.hy3")));

    const auto tape = TapeCsv::parse(Cp932::decodeOrThrow(get(QStringLiteral("out/7tp.csv"))));
    ASSERT_EQ(tape.size(), 2u);
    EXPECT_EQ(tape[1].strText, QStringLiteral("次は、終点、停留所3です。"));
}

TEST_F(GtfsConvert, RefusalsExitOneAndWriteNothing)
{
    zipUp(QStringLiteral("feed.zip"), feed);
    FeedFiles noStops = feed;
    noStops.erase("stops.txt");
    zipUp(QStringLiteral("nostops.zip"), noStops);
    put(QStringLiteral("text.zip"), "stop_id,stop_name\n");
    put(QStringLiteral("empty.zip"), "");
    folder(QStringLiteral("out"), {});
    put(QStringLiteral("out/7.hy3"), "previous");
    put(QStringLiteral("out/7tp.csv"), "previous");

    const QString z = path(QStringLiteral("feed.zip"));
    const struct { QStringList args; QString mentions; } cases[] = {
        {{path(QStringLiteral("none.zip")), QStringLiteral("--route"), QStringLiteral("7")}, QStringLiteral("none.zip: ファイルが見つかりません。")},
        {{path(QStringLiteral("text.zip")), QStringLiteral("--route"), QStringLiteral("7")}, QStringLiteral("text.zip: zip ファイルではありません")},
        {{path(QStringLiteral("empty.zip")), QStringLiteral("--route"), QStringLiteral("7")}, QStringLiteral("zip ファイルではありません")},
        {{path(QStringLiteral("nostops.zip")), QStringLiteral("--route"), QStringLiteral("7")}, QStringLiteral("stops.txt がありません")},
        {{z, QStringLiteral("--route"), QStringLiteral("99")}, QStringLiteral("路線「99」がありません")},
        {{z, QStringLiteral("--route"), QStringLiteral("7"), QStringLiteral("--direction"), QStringLiteral("1")},
         QStringLiteral("方向 1 (direction_id) の便がありません")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mentions.toStdString());
        QString err;
        EXPECT_EQ(run(QStringList{QStringLiteral("from-gtfs"), c.args[0], path(QStringLiteral("out"))} + c.args.mid(1), nullptr, &err), 1);
        EXPECT_TRUE(err.contains(c.mentions)) << err.toStdString();
        EXPECT_EQ(get(QStringLiteral("out/7.hy3")), "previous");
        EXPECT_EQ(get(QStringLiteral("out/7tp.csv")), "previous");
        EXPECT_EQ(QDir(path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
    // "routes" refuses the same way.
    QString err;
    EXPECT_EQ(run({QStringLiteral("routes"), path(QStringLiteral("text.zip"))}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("zip ファイルではありません")));
}

TEST_F(GtfsConvert, AFailedWriteLeavesBothOldFiles)
{
    folder(QStringLiteral("feed"), feed);
    folder(QStringLiteral("out"), {});
    put(QStringLiteral("out/7.hy3"), "previous");
    put(QStringLiteral("out/7tp.csv"), "previous");
    // The disk "fills up" after 100 bytes of a new file.
    QProcess p;
    p.setChildProcessModifier([] {
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
    });
    p.start(QStringLiteral(HY3CONV), {QStringLiteral("from-gtfs"), path(QStringLiteral("feed")), path(QStringLiteral("out")),
                                      QStringLiteral("--route"), QStringLiteral("7")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("書き込みが途中で失敗しました")));
    EXPECT_EQ(get(QStringLiteral("out/7.hy3")), "previous");
    EXPECT_EQ(get(QStringLiteral("out/7tp.csv")), "previous");
    EXPECT_EQ(QDir(path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("7.hy3"), QStringLiteral("7tp.csv")}));
}

TEST_F(GtfsConvert, CommandLine)
{
    folder(QStringLiteral("feed"), feed);
    const QString f = path(QStringLiteral("feed"));
    QString out;
    QString err;
    EXPECT_EQ(run({QStringLiteral("routes"), f}, &out), 0);
    EXPECT_EQ(out, QStringLiteral("R1\t7\t本線\t方向0: 3 停留所\t方向1: 便なし\nR2\t8\t支線\t方向0: 便なし\t方向1: 便なし\n"));
    const QString o = path(QStringLiteral("o"));
    EXPECT_EQ(run({QStringLiteral("from-gtfs"), f, o, QStringLiteral("--route"), QStringLiteral("R1"), QStringLiteral("--keito"),
                   QStringLiteral("0031")}, &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("31.hy3: 3 停留所、整理券番号 1～2 を書きました。"))) << out.toStdString();
    EXPECT_TRUE(QFile::exists(o + QStringLiteral("/31.hy3")));
    EXPECT_TRUE(QFile::exists(o + QStringLiteral("/31tp.csv")));

    // A fare file without fares warns on standard error but still writes.
    FeedFiles bare = feed;
    bare.erase("fare_rules.txt");
    folder(QStringLiteral("bare"), bare);
    EXPECT_EQ(run({QStringLiteral("from-gtfs"), path(QStringLiteral("bare")), o, QStringLiteral("--route"), QStringLiteral("7")},
                  nullptr, &err), 0);
    EXPECT_TRUE(err.contains(QStringLiteral("hy3conv: 注意: fare_rules.txt がないため"))) << err.toStdString();

    // Wrong command lines: status 2.
    for (const QStringList& args : {QStringList{QStringLiteral("routes")},
                                    QStringList{QStringLiteral("from-gtfs"), f, o},
                                    QStringList{QStringLiteral("from-gtfs"), f, o, QStringLiteral("--route")},
                                    QStringList{QStringLiteral("from-gtfs"), f, o, QStringLiteral("--route"), QStringLiteral("7"),
                                                QStringLiteral("--direction"), QStringLiteral("2")},
                                    QStringList{QStringLiteral("from-gtfs"), f, o, QStringLiteral("--rute"), QStringLiteral("7")}}) {
        EXPECT_EQ(run(args), 2) << args.join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
