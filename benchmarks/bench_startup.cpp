#include <QProcess>
#include <QStringList>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Run
{
    double boardMs = -1; // from launch until the board has painted
    double shownMs = -1; // until the board and the panel (or the bare window) have
    QStringList words;   // the "shown" line's words
};

// Launches program and waits for the line that starts with "shown", noting
// when the one that starts with "board" came.
Run launch(const QString& program, const QStringList& arguments)
{
    Run run;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const Clock::time_point start = Clock::now();
    const auto since = [&start] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return run;
    while (run.shownMs < 0 && process.waitForReadyRead(10000)) {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("board")) && run.boardMs < 0) {
                run.boardMs = since();
            } else if (line.startsWith(QLatin1String("shown"))) {
                run.shownMs = since();
                run.words = line.split(QLatin1Char(' '));
            }
        }
    }
    if (run.boardMs < 0)
        run.boardMs = run.shownMs;
    process.waitForFinished(20000);
    // A program's end goes on a little after it has exited (its memory, the
    // display server's side of its windows); the next launch is not to pay
    // for it.
    QThread::msleep(300);
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

// Start-up of the simulator against a bare Qt window of the board's size,
// launched one after the other in the same run: the time from launching the
// process until the board has painted (board_ms), until the board and the
// operation panel both have (board_and_panel_ms), and until the bare window
// has (bare_window_ms). The speech dictionary, the voice, the sound device
// and the soundfont load once the windows are up and are not waited for.
// Medians, since a shared machine now and then stalls a single launch; ratio
// is the board's over the bare window's. Run it where the program would run
// (a display, or xvfb-run); without one Qt's offscreen platform is used.
static void BM_StartUpAgainstBareWindow(benchmark::State& state)
{
    const QString probe = QStringLiteral(BENCH_DIR "/startup_probe");
    const QString bare = QStringLiteral(BENCH_DIR "/bare_window");
    // Once to learn the board's size and to warm the file cache for both.
    const Run first = launch(probe, {});
    if (first.shownMs < 0 || first.words.size() < 3) {
        state.SkipWithError("the simulator did not come up");
        return;
    }
    const QStringList size{first.words[1], first.words[2]};
    launch(bare, size);
    std::vector<double> boards, boths, bares;
    for (auto _ : state) {
        const Run b = launch(bare, size);
        const Run s = launch(probe, {});
        if (b.shownMs < 0 || s.shownMs < 0) {
            state.SkipWithError("a program did not come up");
            return;
        }
        bares.push_back(b.shownMs);
        boards.push_back(s.boardMs);
        boths.push_back(s.shownMs);
        state.SetIterationTime(s.boardMs / 1000.0);
    }
    state.counters["board_ms"] = median(boards);
    state.counters["board_and_panel_ms"] = median(boths);
    state.counters["bare_window_ms"] = median(bares);
    state.counters["ratio"] = median(boards) / median(bares);
    state.counters["ratio_with_panel"] = median(boths) / median(bares);
}
BENCHMARK(BM_StartUpAgainstBareWindow)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
