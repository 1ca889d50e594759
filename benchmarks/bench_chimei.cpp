#include "controls/ChimeiCtl_A.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

// Drawing a six-character stop name, as every step does.
static void BM_SetChimeiSixChars(benchmark::State& state)
{
    ChimeiCtl_A column;
    const QString names[2] = {QStringLiteral("市民病院前西"), QStringLiteral("ニュータウン")};
    int i = 0;
    for (auto _ : state) {
        column.SetChimei(names[i]);
        i ^= 1;
    }
}
BENCHMARK(BM_SetChimeiSixChars)->Unit(benchmark::kMicrosecond);

// A ten-character name scrolling for ten seconds at 60 pixels a second (a
// move every frame), shown on screen: the share of one processor it takes.
static void BM_ScrollTenCharactersTenSeconds(benchmark::State& state)
{
    for (auto _ : state) {
        ChimeiCtl_A column;
        column.setScrollStartWait(0);
        column.setSpeed(2);
        column.show();
        column.SetChimei(QStringLiteral("奥山温泉バスターミナ"));
        const double cpuBefore = processorSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = processorSeconds() - cpuBefore;
        state.SetIterationTime(wall.elapsed() / 1000.0);
        state.counters["cpu_percent"] = 100.0 * cpu / (wall.elapsed() / 1000.0);
        state.counters["strip_top"] = column.stripTop();
    }
}
BENCHMARK(BM_ScrollTenCharactersTenSeconds)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
