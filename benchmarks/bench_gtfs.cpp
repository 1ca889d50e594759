#include "Convert.h"
#include "GtfsImport.h"
#include "GtfsSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <zip.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

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

// Runs a program with its output thrown away; its peak resident memory is
// what the kernel counted for it alone.
ChildRun runChild(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
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
    if (!runChild({GEN_GTFS_FEED, folder.toStdString(), std::to_string(stopTimesMB)}).ok)
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
// by hy3conv from-gtfs in a child process, as a user runs it: the time
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
        run = runChild({HY3CONV, "from-gtfs", feed.toStdString(), out.toStdString(), "--route", "250"});
        if (!run.ok) {
            state.SkipWithError("hy3conv from-gtfs failed");
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
