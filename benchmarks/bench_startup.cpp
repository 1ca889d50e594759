#include <QProcess>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

struct Run
{
    double shownMs = -1; // from launch until the windows have painted
    QStringList words;   // the "shown" line's words
};

// Launches program and waits for the line that starts with "shown".
Run launch(const QString& program, const QStringList& arguments)
{
    Run run;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const Clock::time_point start = Clock::now();
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return run;
    while (process.waitForReadyRead(10000)) {
        bool shown = false;
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("shown"))) {
                run.shownMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                run.words = line.split(QLatin1Char(' '));
                shown = true;
            }
        }
        if (shown)
            break;
    }
    process.waitForFinished(20000);
    return run;
}

} // namespace

// Start-up of the simulator against a bare Qt window of the board's size,
// launched one after the other in the same run: the time from launching the
// process until the board and the operation panel (or the bare window) have
// painted. The speech dictionary, the voice, the sound device and the
// soundfont load on their own threads and are not waited for; ratio is the
// simulator's mean over the bare window's. Run it where the program would
// run (a display, or xvfb-run); without one Qt's offscreen platform is used.
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
    double boardSum = 0, bareSum = 0;
    int n = 0;
    for (auto _ : state) {
        const Run b = launch(bare, size);
        const Run s = launch(probe, {});
        if (b.shownMs < 0 || s.shownMs < 0) {
            state.SkipWithError("a program did not come up");
            return;
        }
        bareSum += b.shownMs;
        boardSum += s.shownMs;
        ++n;
        state.SetIterationTime(s.shownMs / 1000.0);
    }
    state.counters["board_ms"] = boardSum / n;
    state.counters["bare_window_ms"] = bareSum / n;
    state.counters["ratio"] = boardSum / bareSum;
}
BENCHMARK(BM_StartUpAgainstBareWindow)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
