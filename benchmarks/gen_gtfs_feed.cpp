// Writes the large feed bench_gtfs reads: 5,000 stops, 500 routes of 50
// stops, 8 trips each (200,000 stop times), fares between the 10 zones of
// every route (50,000 fare rules) and a reading for every stop. The build
// zips the folder it writes.
//
// Given a size in megabytes, it writes as many trips as make stop_times.txt
// about that large instead: the feed of a large city, made when the
// benchmark runs.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr int kStops = 5000;
constexpr int kRoutes = 500;
constexpr int kStopsPerRoute = 50;
constexpr int kTripsPerDirection = 4;
// A row of stop_times.txt as written below: "T250_0_123,08:02:00,08:02:00,S2530,10" and CR LF.
constexpr double kStopTimeBytes = 39.0;
constexpr int kStopsPerZone = 5;

std::string stopId(int s)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "S%04d", s % kStops);
    return buf;
}

// A reading in kana only, as readings must be: the number said digit by digit.
std::string reading(int s)
{
    static const char* const digits[] = {"れい", "いち", "に", "さん", "よん", "ご", "ろく", "なな", "はち", "きゅう"};
    std::string out = "だい";
    for (char c : std::to_string(s))
        out += digits[c - '0'];
    return out + "ていりゅうじょまえ";
}

int firstStop(int route)
{
    return route * 10;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: gen_gtfs_feed FOLDER [STOP_TIMES_MB]\n");
        return 2;
    }
    const std::string dir = argv[1];
    int tripsPerDirection = kTripsPerDirection;
    if (argc == 3) {
        const double rows = std::atof(argv[2]) * 1e6 / kStopTimeBytes;
        tripsPerDirection = std::max(kTripsPerDirection, static_cast<int>(rows / (kRoutes * 2 * kStopsPerRoute)));
    }
    std::ofstream agency(dir + "/agency.txt");
    agency << "agency_id,agency_name,agency_url,agency_timezone,agency_lang\r\n"
              "1,ベンチマーク交通,https://bench.example.jp/,Asia/Tokyo,ja\r\n";

    std::ofstream stops(dir + "/stops.txt");
    std::ofstream translations(dir + "/translations.txt");
    stops << "\xEF\xBB\xBFstop_id,stop_name,stop_lat,stop_lon,zone_id\r\n";
    translations << "table_name,field_name,language,translation,record_id,record_sub_id,field_value\r\n";
    for (int s = 0; s < kStops; ++s) {
        stops << stopId(s) << ",\"第" << s << "停留所前\"," << 35.0 + s * 1e-4 << "," << 139.0 + s * 1e-4 << ",Z"
              << s / kStopsPerZone << "\r\n";
        translations << "stops,stop_name,ja-Hrkt," << reading(s) << "," << stopId(s) << ",,\r\n";
    }

    std::ofstream routes(dir + "/routes.txt");
    std::ofstream trips(dir + "/trips.txt");
    std::ofstream times(dir + "/stop_times.txt");
    routes << "route_id,agency_id,route_short_name,route_long_name,route_type\r\n";
    trips << "route_id,service_id,trip_id,direction_id\r\n";
    times << "trip_id,arrival_time,departure_time,stop_id,stop_sequence\r\n";
    for (int r = 0; r < kRoutes; ++r) {
        routes << "R" << r << ",1," << r + 1 << ",第" << r + 1 << "系統,3\r\n";
        for (int d = 0; d < 2; ++d) {
            for (int k = 0; k < tripsPerDirection; ++k) {
                const std::string trip = "T" + std::to_string(r) + "_" + std::to_string(d) + "_" + std::to_string(k);
                trips << "R" << r << ",平日," << trip << "," << d << "\r\n";
                for (int i = 0; i < kStopsPerRoute; ++i) {
                    const int s = firstStop(r) + (d == 0 ? i : kStopsPerRoute - 1 - i);
                    const int minutes = 6 * 60 + (k * 60) % (18 * 60) + i * 2;
                    char t[16];
                    std::snprintf(t, sizeof t, "%02d:%02d:00", minutes / 60, minutes % 60);
                    times << trip << "," << t << "," << t << "," << stopId(s) << "," << (i + 1) * 10 << "\r\n";
                }
            }
        }
    }

    std::ofstream attributes(dir + "/fare_attributes.txt");
    std::ofstream rules(dir + "/fare_rules.txt");
    attributes << "fare_id,price,currency_type,payment_method,transfers\r\n";
    for (int z = 0; z < kStopsPerRoute / kStopsPerZone + 1; ++z)
        attributes << "F" << z << "," << 170 + 40 * z << ".0,JPY,0,0\r\n";
    rules << "fare_id,route_id,origin_id,destination_id\r\n";
    for (int r = 0; r < kRoutes; ++r) {
        const int zone0 = firstStop(r) / kStopsPerZone;
        for (int a = 0; a < kStopsPerRoute / kStopsPerZone; ++a) {
            for (int b = 0; b < kStopsPerRoute / kStopsPerZone; ++b)
                rules << "F" << (a > b ? a - b : b - a) << ",R" << r << ",Z" << zone0 + a << ",Z" << zone0 + b << "\r\n";
        }
    }
    return 0;
}
