#include "Convert.h"
#include "GtfsImport.h"
#include "GtfsSource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <zip.h>

#include <map>
#include <memory>

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

// The list of every route, which reads the stop times twice: once to find
// the longest trips, once for their stops.
static void BM_ListRoutesOfLargeFeed(benchmark::State& state)
{
    for (auto _ : state) {
        const auto source = Gtfs::openFeed(QStringLiteral(BENCH_FEED));
        const auto routes = Gtfs::summarize(*source);
        benchmark::DoNotOptimize(routes.size());
    }
}
BENCHMARK(BM_ListRoutesOfLargeFeed)->Unit(benchmark::kMillisecond);

// ----- a large city's feed, made when the benchmark runs -----

namespace {

struct ChildRun
{
    bool ok = false;
    double seconds = 0;
    double peakMiB = 0;
};

// Runs a program and waits for it; a probe prints its own peak memory in
// KiB as its last line.
ChildRun runChild(const QString& program, const QStringList& args)
{
    ChildRun run;
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    child.start(program, args);
    if (!child.waitForFinished(-1))
        return run;
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    run.ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
    run.peakMiB = lines.last().toDouble() / 1024.0;
    return run;
}

// A zip of the folder's .txt files, deflated at the fastest level.
bool zipFolder(const QString& folder, const QString& zipPath)
{
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(zipPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.txt")}, QDir::Files)) {
        zip_source_t* src = zip_source_file(z, QFile::encodeName(file.filePath()).constData(), 0, -1);
        const zip_int64_t at = src ? zip_file_add(z, file.fileName().toUtf8().constData(), src, 0) : -1;
        if (at < 0) {
            zip_discard(z);
            return false;
        }
        zip_set_file_compression(z, static_cast<zip_uint64_t>(at), ZIP_CM_DEFLATE, 1);
    }
    return zip_close(z) == 0;
}

// Generated once per size for the whole run, in a temporary folder that goes
// with the process.
const QTemporaryDir* feedOf(int stopTimesMB, bool zipped)
{
    static std::map<std::pair<int, bool>, std::unique_ptr<QTemporaryDir>> made;
    auto& dir = made[{stopTimesMB, zipped}];
    if (dir)
        return dir.get();
    auto fresh = std::make_unique<QTemporaryDir>();
    const QString folder = fresh->filePath(QStringLiteral("feed"));
    QDir().mkpath(folder);
    if (!runChild(QStringLiteral(GEN_GTFS_FEED), {folder, QString::number(stopTimesMB)}).ok)
        return nullptr;
    if (zipped) {
        if (!zipFolder(folder, fresh->filePath(QStringLiteral("feed.zip"))))
            return nullptr;
        QDir(folder).removeRecursively();
    }
    dir = std::move(fresh);
    return dir.get();
}

} // namespace

// One route of a feed whose stop_times.txt is the argument's megabytes, made
// as hy3conv from-gtfs makes it, in a process of its own: the time
// (which should grow in step with the feed), the stop times read per second
// and the peak memory (target: at most 200 MiB for 500 MB of stop times,
// from a folder or from a zip).
static void BM_FromGtfsLargeCity(benchmark::State& state)
{
    const int megabytes = static_cast<int>(state.range(0));
    const bool zipped = state.range(1) != 0;
    const QTemporaryDir* dir = feedOf(megabytes, zipped);
    if (!dir) {
        state.SkipWithError("the feed could not be generated");
        return;
    }
    const QString feed = dir->filePath(zipped ? QStringLiteral("feed.zip") : QStringLiteral("feed"));
    const QString out = dir->filePath(QStringLiteral("out"));
    ChildRun run;
    for (auto _ : state) {
        run = runChild(QStringLiteral(GTFS_PROBE), {feed, out, QStringLiteral("250")});
        if (!run.ok) {
            state.SkipWithError("the import failed");
            return;
        }
        state.SetIterationTime(run.seconds);
    }
    const double stopTimesMB = megabytes;
    state.counters["peak_MiB"] = run.peakMiB;
    state.counters["stop_times_MB_per_s"] = stopTimesMB / run.seconds;
}
BENCHMARK(BM_FromGtfsLargeCity)
    ->Args({125, 0})
    ->Args({250, 0})
    ->Args({500, 0})
    ->Args({500, 1})
    ->ArgNames({"stop_times_MB", "zip"})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
