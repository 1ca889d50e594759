#include "Convert.h"
#include "GtfsFeed.h"
#include "GtfsImport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// The feed the build generated: 5,000 stops, 500 routes, 200,000 stop times,
// 50,000 fare rules, zipped. Importing one route reads the whole feed, so the
// first benchmark is the time a user waits for from-gtfs (target: under 1 s).

static void BM_FromGtfsOneRouteOfLargeFeed(benchmark::State& state)
{
    const QString feed = QStringLiteral(BENCH_FEED);
    if (!QFileInfo::exists(feed)) {
        state.SkipWithError("the generated feed is missing");
        return;
    }
    QTemporaryDir out;
    Hy3Conv::GtfsRequest request;
    request.route = QStringLiteral("250");
    for (auto _ : state) {
        const Hy3Conv::Outcome outcome = Hy3Conv::gtfsToHy3(feed, out.path(), request);
        benchmark::DoNotOptimize(outcome.records);
    }
}
BENCHMARK(BM_FromGtfsOneRouteOfLargeFeed)->Unit(benchmark::kMillisecond);

// The parts: inflating and parsing the feed, and making one route of it.
static void BM_ReadLargeFeed(benchmark::State& state)
{
    for (auto _ : state) {
        const Gtfs::Feed feed = Gtfs::readFeed(Gtfs::readFeedFiles(QStringLiteral(BENCH_FEED)));
        benchmark::DoNotOptimize(feed.stopTimes.size());
    }
}
BENCHMARK(BM_ReadLargeFeed)->Unit(benchmark::kMillisecond);

static void BM_ImportRouteOfReadFeed(benchmark::State& state)
{
    const Gtfs::Feed feed = Gtfs::readFeed(Gtfs::readFeedFiles(QStringLiteral(BENCH_FEED)));
    Gtfs::ImportRequest request;
    request.route = QStringLiteral("R250");
    for (auto _ : state) {
        const Gtfs::ImportedRoute route = Gtfs::importRoute(feed, request);
        benchmark::DoNotOptimize(route.records.size());
    }
}
BENCHMARK(BM_ImportRouteOfReadFeed)->Unit(benchmark::kMillisecond);
