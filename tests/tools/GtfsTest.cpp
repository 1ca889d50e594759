#include "Convert.h"
#include "FareCsv.h"
#include "GtfsCsv.h"
#include "GtfsFares.h"
#include "GtfsFeed.h"
#include "GtfsImport.h"
#include "GtfsSource.h"

#include "ConverterFiles.h"

#include "platform/Cp932.h"
#include "readings/YomiText.h"
#include "speech/TapeCsv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zip.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <optional>
#include <set>
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

// The fare files of a feed that, as published feeds do, makes every stop a
// zone of its own ("P" + its number) and lists the fare of every ride along
// the trip: 170 yen and 50 more for every fare section crossed, where
// section[k] is the section of stop k + 1.
std::pair<std::string, std::string> perStopFares(const std::vector<int>& section, const std::string& zone = "P")
{
    std::string attributes;
    std::string rules;
    std::set<int> prices;
    for (std::size_t a = 0; a < section.size(); ++a) {
        for (std::size_t b = a + 1; b < section.size(); ++b) {
            const int price = 170 + 50 * (section[b] - section[a]);
            prices.insert(price);
            rules += "F" + std::to_string(price) + ",," + zone + std::to_string(a + 1) + "," + zone + std::to_string(b + 1) + ",\n";
        }
    }
    for (int price : prices)
        attributes += "F" + std::to_string(price) + "," + std::to_string(price) + ",JPY\n";
    return {attributes, rules};
}

std::vector<std::string> perStopZones(std::size_t n)
{
    std::vector<std::string> zones;
    for (std::size_t k = 1; k <= n; ++k)
        zones.push_back("P" + std::to_string(k));
    return zones;
}

Gtfs::ImportRequest req(const QString& route, int direction = -1, const QString& keito = {})
{
    Gtfs::ImportRequest r;
    r.route = route;
    r.direction = direction;
    r.keito = keito;
    return r;
}

Gtfs::ImportedRoute import(const FeedFiles& files, const Gtfs::ImportRequest& request)
{
    Gtfs::MemoryFeed source(files);
    return Gtfs::importRoute(source, request);
}

Gtfs::ImportedRoute import(const FeedFiles& files, const QString& route = QStringLiteral("R1"), int direction = -1)
{
    return import(files, req(route, direction));
}

std::vector<Gtfs::RouteSummary> summarize(const FeedFiles& files)
{
    Gtfs::MemoryFeed source(files);
    return Gtfs::summarize(source);
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
        import(files, request);
    } catch (const Gtfs::Error& e) {
        return e.message();
    }
    return QStringLiteral("<accepted>");
}

QString joined(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n'));
}

// The notes but the one about readings, which every feed here without
// translations.txt gets.
QStringList fareNotes(const Gtfs::ImportedRoute& route)
{
    QStringList notes = route.warnings;
    notes.removeIf([](const QString& note) { return note.startsWith(QStringLiteral("読み")); });
    return notes;
}

// Every used file of a source, read whole.
FeedFiles readAll(Gtfs::FeedSource& source)
{
    FeedFiles files;
    for (const std::string& name : Gtfs::usedFileNames()) {
        std::unique_ptr<Gtfs::ByteStream> in = source.open(name);
        if (!in)
            continue;
        std::string& bytes = files[name];
        char block[4096];
        while (const std::size_t n = in->read(block, sizeof block))
            bytes.append(block, n);
    }
    return files;
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
    Gtfs::MemoryStream in(bytes);
    Gtfs::CsvReader t(QStringLiteral("stops.txt"), in);
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
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        const Gtfs::CsvRecord* r = t.next();
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->field(id), row.id);
        EXPECT_EQ(r->field(name), row.name);
        EXPECT_EQ(r->field(zone), row.zone);
        EXPECT_EQ(r->line(), row.line);
        EXPECT_EQ(r->field(-1), "");
        if (row.id == "S2") {
            EXPECT_EQ(r->field(t.column("extra")), "x");
        }
    }
    EXPECT_EQ(t.next(), nullptr);
}

// Hands out as few bytes as it may, so that every record is cut somewhere.
class TrickleStream : public Gtfs::ByteStream
{
public:
    explicit TrickleStream(std::string_view bytes)
        : m_rest(bytes)
    {
    }
    std::size_t read(char* to, std::size_t size) override
    {
        const std::size_t n = std::min({size, m_rest.size(), std::size_t{3}});
        std::memcpy(to, m_rest.data(), n);
        m_rest.remove_prefix(n);
        return n;
    }

private:
    std::string_view m_rest;
};

TEST(GtfsCsv, ReadsTheSameWhereverTheFileIsCut)
{
    // A record with a quoted line break, a doubled quote, a three-byte
    // character and a CR LF, put at every offset around the ends of the
    // reader's first blocks (4 KiB, then 8 KiB more).
    const std::string tricky = "\"a\"\"b\r\nc\",駅,\"x\"\r\n";
    for (const std::size_t boundary : {std::size_t{4} << 10, std::size_t{12} << 10}) {
        for (std::size_t shift = 0; shift <= tricky.size() + 2; ++shift) {
            SCOPED_TRACE(testing::Message() << boundary << " " << shift);
            std::string bytes = "k,v,w\n";
            while (bytes.size() + 10 <= boundary - shift)
                bytes += "0123,4,56\n";
            bytes += std::string(boundary - shift - bytes.size(), ' ') + "\n";
            const int trickyLine = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
            bytes += tricky + "last,1,2";
            for (const bool trickle : {false, true}) {
                Gtfs::MemoryStream whole(bytes);
                TrickleStream pieces(bytes);
                Gtfs::CsvReader t(QStringLiteral("x.txt"), trickle ? static_cast<Gtfs::ByteStream&>(pieces) : whole);
                int records = 0;
                int lastLine = 0;
                bool sawTricky = false;
                while (const Gtfs::CsvRecord* r = t.next()) {
                    ++records;
                    if (r->line() == trickyLine) {
                        sawTricky = true;
                        EXPECT_EQ(r->field(0), "a\"b\r\nc");
                        EXPECT_EQ(r->field(1), "駅");
                        EXPECT_EQ(r->field(2), "x");
                    }
                    lastLine = r->line();
                }
                EXPECT_TRUE(sawTricky);
                EXPECT_EQ(lastLine, trickyLine + 2);
                EXPECT_EQ(records, trickyLine - 1); // the padding line is blank
            }
        }
    }
}

TEST(GtfsCsv, RefusesWhatCannotBeReadNamingFileAndLine)
{
    std::string farBadByte = "a,b\n";
    for (int k = 0; k < 80000; ++k)
        farBadByte += "1,2\n";
    farBadByte += "\xC3(,3\n";
    const struct { std::string bytes; QString mentions; } cases[] = {
        {"a,b\n1,2\n3,\"open\n4,5\n", QStringLiteral("stops.txt: 3 行目: 2 列目の引用符")},
        {"a,b\n1,2\n\xE9t\xE9,3\n", QStringLiteral("stops.txt: 3 行目: UTF-8 として読めない")},
        {"a,b\n\xEF\xBB", QStringLiteral("2 行目: UTF-8")},
        {farBadByte, QStringLiteral("80002 行目: UTF-8")},
        {"a,b\n1,\"" + std::string(40 << 20, 'x'), QStringLiteral("2 行目: 行が長すぎます")},
        {"", QStringLiteral("空のファイル")},
        {"\xEF\xBB\xBF\r\n\n", QStringLiteral("空のファイル")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mentions.toStdString());
        try {
            Gtfs::MemoryStream in(c.bytes);
            Gtfs::CsvReader t(QStringLiteral("stops.txt"), in);
            while (t.next()) {
            }
            ADD_FAILURE() << "accepted";
        } catch (const Gtfs::Error& e) {
            EXPECT_TRUE(e.message().contains(c.mentions)) << e.what();
        }
    }
    Gtfs::MemoryStream in("a\n1\n");
    const Gtfs::CsvReader t(QStringLiteral("x.txt"), in);
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
    Gtfs::MemoryStream in(wide);
    Gtfs::CsvReader t(QStringLiteral("w.txt"), in, 4);
    const Gtfs::CsvRecord* r = t.next();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->field(1), "2");
    EXPECT_EQ(r->field(4), "");
    EXPECT_EQ(t.next(), nullptr);
}

// ----- fare sections, tickets and fares -----

const std::string kZoneFares = "F170,170,JPY\nF220,220.0,JPY\nF270,270.00,JPY\n";
const std::string kZoneRules = "F170,,Z1,Z1,\nF220,,Z1,Z2,\nF270,,Z1,Z3,\nF170,,Z2,Z2,\nF220,,Z2,Z3,\nF170,,Z3,Z3,\n";

TEST(GtfsImport, TicketNumbersFollowFareSections)
{
    const auto [sectionFares, sectionRules] = perStopFares({1, 1, 2, 3, 3, 3});
    // Stops 2 and 3 alone have no fare to stop 4: boarding at stop 2 then
    // costs nothing known (-1) where boarding at stop 1 costs 170.
    std::string gapRules = sectionRules;
    for (const char* gone : {"F270,,P2,P4,\n", "F220,,P3,P4,\n"})
        gapRules.erase(gapRules.find(gone), std::strlen(gone));
    const struct { const char* what; std::vector<std::string> zones; std::string attributes, rules; bool perStop; std::vector<int> tickets; } cases[] = {
        {"stops grouped in zones", {"Z1", "Z1", "Z2", "Z2", "Z3", "Z3"}, kZoneFares, kZoneRules, false, {1, 1, 2, 2, 3, 3}},
        // The terminus, where nobody boards, never starts a section.
        {"into a zone at the terminus", {"Z1", "Z1", "Z2", "Z2", "Z3"}, kZoneFares, kZoneRules, false, {1, 1, 2, 2, 2}},
        {"a zone of its own for every stop", perStopZones(6), sectionFares, sectionRules, false, {1, 1, 2, 3, 3, 3}},
        {"a missing fare is a fare too", perStopZones(4), sectionFares, gapRules, false, {1, 2, 2, 2}},
        {"a ticket per stop", perStopZones(6), sectionFares, sectionRules, true, {1, 2, 3, 4, 5, 6}},
        {"a ticket per stop, zones grouped", {"Z1", "Z1", "Z2"}, kZoneFares, kZoneRules, true, {1, 2, 3}},
        // Coming back into a zone passed before starts a section when the
        // rides from it cost otherwise.
        {"back into a zone", {"Z1", "Z2", "Z1", "Z1", "Z3"}, kZoneFares, kZoneRules + "F170,,Z2,Z1,\n", false, {1, 2, 3, 3, 3}},
        {"a flat fare", {"", "", "", ""}, "F,100,JPY\n", "F,,,,\n", false, {1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Gtfs::ImportRequest request = req(QStringLiteral("R1"));
        request.ticketPerStop = c.perStop;
        const auto route = import(lineFeed(c.zones, c.attributes, c.rules), request);
        EXPECT_EQ(ticketsOf(route), c.tickets);
        EXPECT_EQ(route.tickets, c.tickets.back());
    }
}

TEST(GtfsImport, FaresFromWhereTheTicketWasIssuedAndTheCurrentTicketsCell)
{
    const auto [sectionFares, sectionRules] = perStopFares({1, 1, 2, 3, 3, 3});
    const struct { const char* what; FeedFiles feed; std::vector<std::vector<int>> fares; } cases[] = {
        // At the first stop of a section the ticket being issued shows the
        // fare to the next stop (row 3: 220, stop 3 to stop 4); further on,
        // the fare from the section's first stop.
        {"zones", lineFeed({"Z1", "Z1", "Z2", "Z3", "Z3"}, kZoneFares, kZoneRules),
         {{170, 0, 0}, {170, 0, 0}, {220, 220, 0}, {270, 220, 170}, {270, 220, 170}}},
        // No fare from a zone to itself is needed.
        {"a zone per stop", lineFeed(perStopZones(6), sectionFares, sectionRules),
         {{170, 0, 0}, {170, 0, 0}, {220, 220, 0}, {270, 220, 170}, {270, 220, 170}, {270, 220, 170}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto route = import(c.feed);
        EXPECT_EQ(fareGrid(route, 3), c.fares);
        EXPECT_TRUE(fareNotes(route).isEmpty()) << joined(route.warnings).toStdString();
        // Nothing beyond the twelve adult fares: a feed has no subway
        // supplement and no commuter pass.
        for (const Hy3File::Record& rec : route.records) {
            for (std::size_t k = 12; k < rec.Fare.size(); ++k)
                ASSERT_EQ(rec.Fare[k], 0);
        }
    }

    // With a ticket per stop, every stop issues and shows the fare to the
    // next; the terminus issues nothing.
    Gtfs::ImportRequest perStop = req(QStringLiteral("R1"));
    perStop.ticketPerStop = true;
    EXPECT_EQ(fareGrid(import(lineFeed({"Z1", "Z1", "Z2"}, kZoneFares, kZoneRules), perStop), 3),
              (std::vector<std::vector<int>>{{170, 0, 0}, {170, 220, 0}, {220, 220, 0}}));
}

TEST(GtfsImport, ChoosesTheRuleThatApplies)
{
    const std::vector<std::string> zoned{"Z1", "Z2", "Z2"};
    const std::vector<std::string> none{"", "", ""};
    const struct { const char* what; std::vector<std::string> zones; std::string attributes, rules; std::vector<std::vector<int>> fares; } cases[] = {
        {"a flat fare for the route, stops without zones", none, "F100,100.0,JPY\n", "F100,R1,,,\n",
         {{100, 0}, {100, 0}, {100, 0}}},
        {"both ends given beat one end, one end beats neither", zoned, "A,500,JPY\nB,300,JPY\nC,150,JPY\n",
         "A,,,,\nB,,,Z2,\nC,,Z1,Z2,\n", {{150, 0}, {150, 300}, {150, 300}}},
        {"the route's rule beats the network's, cheaper or not", none, "A,300,JPY\nB,250,JPY\n",
         "B,,,,\nA,R1,,,\n", {{300, 0}, {300, 0}, {300, 0}}},
        {"naming more zones beats naming the route", zoned, "A,300,JPY\nB,200,JPY\nC,170,JPY\n",
         "A,R1,,,\nB,,Z1,Z2,\nC,R1,Z2,Z2,\n", {{200, 0}, {200, 170}, {200, 170}}},
        {"a rule of another route does not apply", none, "A,300,JPY\nB,100,JPY\n", "A,R1,,,\nB,R2,,,\n",
         {{300, 0}, {300, 0}, {300, 0}}},
        {"origin only", zoned, "A,200,JPY\nB,400,JPY\n", "A,,Z1,,\nB,,,,\n", {{200, 0}, {200, 400}, {200, 400}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto route = import(lineFeed(c.zones, c.attributes, c.rules));
        EXPECT_EQ(fareGrid(route, 2), c.fares);
        EXPECT_TRUE(fareNotes(route).isEmpty()) << joined(route.warnings).toStdString();
    }
}

TEST(GtfsImport, ALoopsFareNeverFallsAlongTheTrip)
{
    // The trip passes zone A twice: A B A C, 170 yen and 50 more a stop.
    // Boarding in A for C is 320 from the first A and 220 from the second,
    // and the feed lists both.
    const std::string attributes = "F220,220,JPY\nF270,270,JPY\nF320,320,JPY\n";
    const std::string rules = "F220,,A,B,\nF270,,A,A,\nF320,,A,C,\nF220,,B,A,\nF270,,B,C,\nF220,,A,C,\n";
    const auto route = import(lineFeed({"A", "B", "A", "C"}, attributes, rules));
    // Ticket 1 (first A) reads 320 at C, not the 220 below its 270 at the
    // second A; ticket 3 (second A) reads 220.
    EXPECT_EQ(ticketsOf(route), (std::vector<int>{1, 2, 3, 3}));
    EXPECT_EQ(fareGrid(route, 3),
              (std::vector<std::vector<int>>{{220, 0, 0}, {220, 220, 0}, {270, 220, 220}, {320, 270, 220}}));
    ASSERT_EQ(fareNotes(route).size(), 1) << joined(route.warnings).toStdString();
    EXPECT_EQ(fareNotes(route)[0], QStringLiteral("同じゾーンを 2 度通るため運賃が 2 つ以上ある区間が 1 組あり、"
                                                "運賃が途中で下がらないように選びました: A → C (220・320)"));

    const struct { std::vector<int> prices; std::optional<int> before; int fare; } cells[] = {
        {{220, 320}, std::nullopt, 220}, {{220, 320}, 220, 220}, {{220, 320}, 270, 320},
        {{200, 250}, 300, 250},          {{}, 170, -1},          {{170}, 500, 170},
        {{170}, -1, 170},
    };
    for (const auto& c : cells)
        EXPECT_EQ(Gtfs::cellFare(c.prices, c.before), c.fare) << c.prices.size() << " " << c.before.value_or(-99);
}

TEST(GtfsImport, PairsWithoutFareAreMinusOneAndListedShortly)
{
    // Z1 -> Z3 is not covered: F9 names no fare.
    const auto route = import(lineFeed({"Z1", "Z2", "Z3", "Z3"}, "F1,170,JPY\n",
                                       "F1,,Z1,Z2,\nF1,,Z2,Z3,\nF1,,Z3,Z3,\nF9,,Z1,Z3,\n"));
    EXPECT_EQ(fareGrid(route, 3), (std::vector<std::vector<int>>{{170, 0, 0}, {170, 170, 0}, {-1, 170, 0}, {-1, 170, 0}}));
    EXPECT_EQ(joined(fareNotes(route)),
              QStringLiteral("fare_rules.txt の fare_id のうち 1 が fare_attributes.txt にないため、その運賃は使いませんでした: F9\n"
                             "運賃の決まらない区間が 1 組あり、-1 (運賃なし) にしました (乗車ゾーン → 降車ゾーン): Z1 → Z3"));

    // Thirty stops of their own zones and no fare at all between them: one
    // line, five examples. All 29 tickets are priced (the thirty-six-ticket
    // board), so every pair but P1 → P2 is uncovered.
    const auto many = import(lineFeed(perStopZones(30), "F1,170,JPY\n", "F1,,P1,P2,\n"),
                             [] { auto r = req(QStringLiteral("R1")); r.ticketPerStop = true; return r; }());
    const QStringList uncovered = many.warnings.filter(QStringLiteral("運賃の決まらない区間"));
    ASSERT_EQ(uncovered.size(), 1) << joined(many.warnings).toStdString();
    EXPECT_TRUE(uncovered[0].startsWith(QStringLiteral("運賃の決まらない区間が 434 組あり"))) << uncovered[0].toStdString();
    EXPECT_TRUE(uncovered[0].endsWith(QStringLiteral(": P1 → P3、P2 → P3、P1 → P4、P2 → P4、P3 → P4、…")))
        << uncovered[0].toStdString();
    for (const QString& line : many.warnings)
        EXPECT_LT(line.size(), 200) << line.toStdString();

    const auto noZone = import(lineFeed({"", "Z1", "Z1"}, "F1,170,JPY\n", "F1,,Z1,Z1,\n"));
    EXPECT_TRUE(joined(noZone.warnings).contains(QStringLiteral("停留所1 (zone_id なし) → Z1"))) << joined(noZone.warnings).toStdString();
}

TEST(GtfsImport, WithoutFareFilesEveryFareIsMinusOne)
{
    const struct { std::string attributes, rules; QString names; } cases[] = {
        {"-", "-", QStringLiteral("fare_attributes.txt と fare_rules.txt がない")},
        {"F1,100,JPY\n", "-", QStringLiteral("fare_rules.txt がない")},
        {"-", "F1,,,,\n", QStringLiteral("fare_attributes.txt がない")},
    };
    for (const auto& c : cases) {
        const auto route = import(lineFeed({"Z1", "Z2", "Z3"}, c.attributes, c.rules));
        EXPECT_EQ(fareGrid(route, 2), (std::vector<std::vector<int>>{{-1, 0}, {-1, 0}, {-1, 0}}));
        const QStringList notes = fareNotes(route);
        ASSERT_EQ(notes.size(), 1);
        EXPECT_TRUE(notes[0].contains(c.names)) << notes[0].toStdString();
        EXPECT_TRUE(notes[0].contains(QStringLiteral("--ticket-per-stop"))) << notes[0].toStdString();
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

TEST(GtfsImport, IcCardFaresFromTheirOwnColumn)
{
    FeedFiles feed = lineFeed({"Z1", "Z2", "Z2"}, "-", "F1,,Z1,Z2,\nF2,,Z2,Z2,\n");
    Gtfs::ImportRequest ic = req(QStringLiteral("R1"));
    ic.ic = true;
    const struct { const char* what; std::string attributes; std::vector<std::vector<int>> cash, card; QString note; } cases[] = {
        {"both columns", "fare_id,price,currency_type,ic_price\nF1,220,JPY,216\nF2,170,JPY,168\n",
         {{220, 0}, {220, 170}, {220, 170}}, {{216, 0}, {216, 168}, {216, 168}}, {}},
        {"an IC-card fare left empty is the cash fare", "fare_id,ic_price,price\nF1,,220\nF2,168.0,170\n",
         {{220, 0}, {220, 170}, {220, 170}}, {{220, 0}, {220, 168}, {220, 168}},
         QStringLiteral("ic_price が空の運賃が 1 あり、現金の運賃 (price) にしました: F1")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        feed["fare_attributes.txt"] = c.attributes;
        EXPECT_EQ(fareGrid(import(feed), 2), c.cash);
        const auto card = import(feed, ic);
        EXPECT_EQ(fareGrid(card, 2), c.card);
        EXPECT_EQ(joined(fareNotes(card)), c.note);
    }
    feed["fare_attributes.txt"] = "fare_id,ic_price,price\nF1,21.5,220\nF2,168,170\n";
    EXPECT_TRUE(refusal(feed, ic).startsWith(QStringLiteral("fare_attributes.txt: 2 行目: ic_price「21.5」")));

    feed["fare_attributes.txt"] = "fare_id,price\nF1,220\nF2,170\n";
    EXPECT_EQ(refusal(feed, ic), QStringLiteral("fare_attributes.txt に IC カードの運賃の列 ic_price がないため、--ic は使えません "
                                                "(--ic を付けなければ現金の運賃 price を使います)。"));
    feed.erase("fare_attributes.txt");
    EXPECT_EQ(refusal(feed, ic), QStringLiteral("fare_attributes.txt がないため、IC カードの運賃 (--ic) は使えません。"));
}

TEST(GtfsImport, MoreThanTwelveTicketsTakeTheThirtySixTicketBoard)
{
    const auto [attributes, rules] = perStopFares({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    const FeedFiles feed = lineFeed(perStopZones(15), attributes, rules);
    auto forced = [&](int board) {
        Gtfs::ImportRequest r = req(QStringLiteral("R1"));
        r.board = board;
        return import(feed, r);
    };
    for (const auto& route : {import(feed), forced(36)}) {
        EXPECT_EQ(route.layout, BoardLayout::Tickets36);
        EXPECT_EQ(route.tickets, 14); // the terminus issues none
        // Values 13 and 14 are the fares of tickets 13 and 14, not 地下鉄差額.
        for (std::size_t t = 0; t < 14; ++t)
            EXPECT_EQ(route.records[14].Fare[t], 170 + 50 * static_cast<int>(14 - t)) << t;
        EXPECT_EQ(route.records[13].Fare[13], 220) << "the current ticket's cell: the fare to the next stop";
        EXPECT_EQ(route.records[14].Fare[14], 0);
        EXPECT_TRUE(fareNotes(route).isEmpty()) << joined(route.warnings).toStdString();
    }

    const auto twelve = forced(12);
    EXPECT_EQ(twelve.layout, BoardLayout::Tickets12);
    EXPECT_EQ(twelve.records[14].SeiriNum, 14);
    for (std::size_t t = 0; t < 12; ++t)
        EXPECT_EQ(twelve.records[14].Fare[t], 170 + 50 * static_cast<int>(14 - t));
    EXPECT_EQ(twelve.records[14].Fare[12], 0);
    ASSERT_EQ(fareNotes(twelve).size(), 1);
    EXPECT_TRUE(fareNotes(twelve)[0].contains(QStringLiteral("1～14"))) << joined(twelve.warnings).toStdString();
    EXPECT_TRUE(fareNotes(twelve)[0].contains(QStringLiteral("整理券 1～12 の運賃だけ")));

    // Twelve numbers or fewer keep the twelve-ticket board unless told.
    const auto [a5, r5] = perStopFares({1, 2, 3, 4, 5});
    EXPECT_EQ(import(lineFeed(perStopZones(5), a5, r5)).layout, BoardLayout::Tickets12);
    Gtfs::ImportRequest wide = req(QStringLiteral("R1"));
    wide.board = 36;
    EXPECT_EQ(import(lineFeed(perStopZones(5), a5, r5), wide).layout, BoardLayout::Tickets36);
}

// ----- which trip, in which order -----

FeedFiles tripsFeed()
{
    return {
        {"stops.txt", "stop_name,stop_id\nあ,A\nい,I\nう,U\nえ,E\nお,O\n"},
        {"routes.txt", "route_short_name,route_id\n7,R1\n9,R9\n"},
        {"trips.txt", "trip_id,route_id,direction_id,trip_headsign\nshort,R1,0,\nlong,R1,0,\nback,R1,1,あ行き\nsame,R1,0,\n"
                      "up,R9,1,\n"},
        // Rows out of order, sequence numbers with gaps, trips interleaved.
        {"stop_times.txt", "stop_sequence,trip_id,stop_id\n"
                           "30,long,U\n5,short,A\n10,long,A\n900,long,O\n20,long,I\n"
                           "40,long,E\n6,short,I\n2,back,E\n1,back,O\n"
                           "1,same,O\n2,same,E\n3,same,U\n4,same,I\n5,same,A\n"
                           "1,up,A\n2,up,I\n"},
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

    const auto summary = summarize(feed);
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[0].route.id, "R1");
    const struct { int stops; QString headsign; int sections; } expected[] = {
        {5, QStringLiteral("お"), 1}, {2, QStringLiteral("あ行き"), 1}, {0, QString(), 0}, {2, QStringLiteral("い"), 1}};
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const Gtfs::DirectionSummary& d = summary[k / 2].directions[k % 2];
        EXPECT_EQ(d.stops, expected[k].stops);
        EXPECT_EQ(d.headsign, expected[k].headsign);
        EXPECT_EQ(d.sections, expected[k].sections);
    }
}

TEST(GtfsImport, ARouteRunInOneDirectionOnlyTakesIt)
{
    const FeedFiles feed = tripsFeed();
    const struct { QString route; int direction; QString stops; int taken; } cases[] = {
        {QStringLiteral("R9"), -1, QStringLiteral("あい"), 1},  // direction 1 only
        {QStringLiteral("R1"), -1, QStringLiteral("あいうえお"), 0}, // both: 0
        {QStringLiteral("R1"), 1, QStringLiteral("おえ"), 1},
    };
    for (const auto& c : cases) {
        const auto route = import(feed, c.route, c.direction);
        EXPECT_EQ(names(route).join(QString()), c.stops);
        EXPECT_EQ(route.direction, c.taken);
    }
    EXPECT_EQ(refusal(feed, req(QStringLiteral("R9"), 0)), QStringLiteral("路線「R9 9」には方向 0 (direction_id) の便がありません。"));
}

// ----- announcement rows and readings -----

TEST(GtfsImport, AnnouncementRowsSpeakReadingsInRuby)
{
    FeedFiles feed = lineFeed({"", "", "", ""}, "-", "-");
    // Stop 3 is a platform of station ST, which has the reading.
    feed["stops.txt"] = "stop_id,stop_name,parent_station,location_type\n"
                        "S1,停留所1,,0\nS2,停留所2,,0\nS3,港が丘3番,ST,0\nST,港が丘,,1\nS4,停留所4,ST,0\n";
    const QString s3 = QStringLiteral("港が丘3番");
    const struct { const char* layout; std::string translations; QStringList spoken; } cases[] = {
        {"current, by record and by value, and the station's",
         "table_name,field_name,language,translation,record_id,record_sub_id,field_value\n"
         "stops,stop_name,ja-Hrkt,にばん,S2,,\n"
         "stops,stop_name,ja-Hrkt,ちがう,,,停留所2\n"     // the record's own reading wins
         "stops,stop_name,ja-Hrkt,みなとがおか,ST,,\n"     // the station's, for S3
         "stops,stop_name,JA-HRKT,よんばん,,,停留所4\n"   // S4's own beats the station's
         "stops,stop_name,en,Stop 3,S3,,\n"               // not a reading
         "routes,route_long_name,ja-Hrkt,ほんせん,R1,,\n",
         {QStringLiteral("｜停留所2《にばん》"), QStringLiteral("｜%1《みなとがおか》").arg(s3), QStringLiteral("｜停留所4《よんばん》")}},
        {"older, by the written name, the station's by its name",
         "trans_id,lang,translation\n停留所2,ja-Hrkt,ニバン\n港が丘,ja-Hrkt,みなとがおか\n停留所4,ja,停留所4\n",
         {QStringLiteral("｜停留所2《ニバン》"), QStringLiteral("｜%1《みなとがおか》").arg(s3), QStringLiteral("｜停留所4《みなとがおか》")}},
        {"unreadable columns", "a,b\n1,2\n", {QStringLiteral("停留所2"), s3, QStringLiteral("停留所4")}},
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
        EXPECT_EQ(route.records[2].Chimei, s3);
    }

    // The readings take the whole name, kana and all, as said.
    std::vector<Yomi::Text::Fixed> fixed;
    const QString spoken = QStringLiteral("次は、｜%1《みなとがおか》です。").arg(s3);
    EXPECT_EQ(Yomi::Text::takeRuby(Yomi::Text::normalise(spoken), fixed), QStringLiteral("次は、港が丘3番です。"));
    ASSERT_EQ(fixed.size(), 1u);
    EXPECT_EQ(fixed[0].end - fixed[0].begin, s3.size());
    EXPECT_EQ(fixed[0].reading, QStringLiteral("ミナトガオカ"));
}

TEST(GtfsImport, StopsWithoutAUsableReadingAreCountedInOneLine)
{
    std::vector<std::string> zones(11, "");
    FeedFiles feed = lineFeed(zones, "-", "-");
    feed["translations.txt"] = "trans_id,lang,translation\n停留所2,ja-Hrkt,にばん\n停留所3,ja-Hrkt,Sanban\n"
                               "停留所4,ja-Hrkt,よん ばん\n停留所5,ja-Hrkt,\xF0\x9F\x9A\x8C\n";
    const auto route = import(feed);
    EXPECT_EQ(route.tape[2].strText, QStringLiteral("次は、｜停留所4《よんばん》です。"));
    EXPECT_EQ(route.tape[1].strText, QStringLiteral("次は、停留所3です。"));
    const QStringList readings = route.warnings.filter(QStringLiteral("読み"));
    ASSERT_EQ(readings.size(), 2) << joined(route.warnings).toStdString();
    EXPECT_EQ(readings[0], QStringLiteral("読み (translations.txt の ja-Hrkt) のない停留所が 6 あり、放送では辞書で読みます: "
                                          "停留所6、停留所7、停留所8、停留所9、停留所10、…"));
    EXPECT_EQ(readings[1], QStringLiteral("読みがかなだけで書かれていないため使わなかった停留所が 2 あります: "
                                          "停留所3「Sanban」、停留所5「\U0001F68C」"));
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
            Gtfs::MemoryFeed source(files);
            Gtfs::FeedReader reader(source);
            ADD_FAILURE() << name;
        } catch (const Gtfs::Error& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("%1 がありません").arg(QLatin1String(name)))) << e.what();
        }
    }
    FeedFiles noColumn = lineFeed({"", ""}, "-", "-");
    noColumn["stop_times.txt"] = "trip_id,stop_id\nT1,S1\n";
    EXPECT_THROW(summarize(noColumn), Gtfs::Error);
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
            summarize(files);
            Gtfs::tapeBytes(import(files).tape);
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
    const FeedFiles feed = lineFeed({"Z1", "Z1", "Z2", "Z2"}, "F1,170,JPY\nF2,220,JPY\n", "F1,,,,\nF2,,Z1,Z2,\n");
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

    const auto fromZip = Gtfs::openFeed(path(QStringLiteral("feed.zip")));
    EXPECT_EQ(readAll(*fromZip), feed);
    // Read again, as the stop times are for a list of all routes.
    EXPECT_EQ(readAll(*fromZip), feed);
    EXPECT_EQ(readAll(*Gtfs::openFeed(path(QStringLiteral("feedDir")))), feed);
    const std::string zipBytes = get(QStringLiteral("feed.zip")).toStdString();
    EXPECT_EQ(readAll(*Gtfs::openZipBytes(zipBytes)), feed);
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
            const auto source = Gtfs::openZipFile(path(QStringLiteral("bomb.zip")), c.limits);
            readAll(*source);
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
            const std::string cutShort = whole.substr(0, cut);
            const auto source = Gtfs::openZipBytes(cutShort);
            Gtfs::summarize(*source);
        } catch (const Gtfs::Error& e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
    for (std::size_t at = 0; at < whole.size(); at += 3) {
        std::string flipped = whole;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
        try {
            const auto source = Gtfs::openZipBytes(flipped);
            Gtfs::importRoute(*source, req(QStringLiteral("R1")));
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
    EXPECT_EQ(outcome.records, 4);
    EXPECT_EQ(outcome.tickets, 2);
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
    ASSERT_EQ(tape.size(), 3u);
    EXPECT_EQ(tape[2].strText, QStringLiteral("次は、終点、停留所4です。"));
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
    EXPECT_EQ(out, QStringLiteral("R1\t7\t本線\t方向0: 停留所4、4 停留所、運賃区間 2\t方向1: 便なし\nR2\t8\t支線\t方向0: 便なし\t方向1: 便なし\n"));
    const QString o = path(QStringLiteral("o"));
    EXPECT_EQ(run({QStringLiteral("from-gtfs"), f, o, QStringLiteral("--route"), QStringLiteral("R1"), QStringLiteral("--keito"),
                   QStringLiteral("0031")}, &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("31.hy3: 4 停留所、整理券番号 1～2 を書きました。"))) << out.toStdString();
    EXPECT_EQ(run({QStringLiteral("from-gtfs"), f, o, QStringLiteral("--ticket-per-stop"), QStringLiteral("--route"), QStringLiteral("7")},
                  &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("7.hy3: 4 停留所、整理券番号 1～4 を書きました。"))) << out.toStdString();
    EXPECT_EQ(run({QStringLiteral("from-gtfs"), f, o, QStringLiteral("--route"), QStringLiteral("7"), QStringLiteral("--ic")}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("ic_price がないため"))) << err.toStdString();
    EXPECT_TRUE(QFile::exists(o + QStringLiteral("/31.hy3")));
    EXPECT_TRUE(QFile::exists(o + QStringLiteral("/31tp.csv")));

    // The board: a file for the thirty-six-ticket board ends in its trailer.
    EXPECT_EQ(run({QStringLiteral("from-gtfs"), f, o, QStringLiteral("--route"), QStringLiteral("7"), QStringLiteral("--board"),
                   QStringLiteral("36")}, &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("7.hy3: 4 停留所、整理券番号 1～2 を書きました (運賃表示器: 整理券36)。"))) << out.toStdString();
    EXPECT_TRUE(get(QStringLiteral("o/7.hy3")).endsWith(QByteArray("HY3BOARD\x01\x00\x24\x00", 12)));
    EXPECT_EQ(run({QStringLiteral("from-gtfs"), f, o, QStringLiteral("--route"), QStringLiteral("7"), QStringLiteral("--board"),
                   QStringLiteral("12")}, &out, &err), 0);
    EXPECT_FALSE(get(QStringLiteral("o/7.hy3")).contains("HY3BOARD"));

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
                                    QStringList{QStringLiteral("from-gtfs"), f, o, QStringLiteral("--rute"), QStringLiteral("7")},
                                    QStringList{QStringLiteral("from-gtfs"), f, o, QStringLiteral("--route"), QStringLiteral("7"),
                                                QStringLiteral("--board"), QStringLiteral("24")}}) {
        EXPECT_EQ(run(args), 2) << args.join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
