#include "readings/PlaceNames.h"
#include "speech/EspeakSpeech.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

// From "送り" to the first sound of the announcement: the time from Speak to
// the first PCM handed to the audio output, for a twenty-character sentence
// of kanji and kana (readings, synthesis start, hand-over). The voice opens
// with a little silence; audible_ms is the time to the first PCM block with
// sound in it.
static void BM_SpeakToFirstPcm(benchmark::State& state)
{
    static EspeakSpeech engine;
    const QString sentence = QStringLiteral("次は市民病院前、お降りの方は押して下さい");
    std::mutex mutex;
    std::condition_variable arrived;
    bool first = false;
    bool audible = false;
    std::chrono::steady_clock::time_point firstAt;
    std::chrono::steady_clock::time_point audibleAt;
    engine.setPcmTap([&](const std::int16_t* samples, std::size_t count) {
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard lock(mutex);
        if (!first) {
            first = true;
            firstAt = now;
        }
        for (std::size_t i = 0; i < count && !audible; ++i) {
            if (samples[i] > 500 || samples[i] < -500) {
                audible = true;
                audibleAt = now;
            }
        }
        arrived.notify_all();
    });
    double audibleTotal = 0;
    int runs = 0;
    for (auto _ : state) {
        engine.Stop();
        {
            std::lock_guard lock(mutex);
            first = false;
            audible = false;
        }
        const auto start = std::chrono::steady_clock::now();
        engine.Speak(sentence);
        std::unique_lock lock(mutex);
        if (!arrived.wait_for(lock, std::chrono::seconds(5), [&] { return audible; })) {
            state.SkipWithError("no sound within 5 s");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(firstAt - start).count());
        audibleTotal += std::chrono::duration<double, std::milli>(audibleAt - start).count();
        ++runs;
    }
    engine.Stop();
    engine.setPcmTap({});
    state.counters["characters"] = static_cast<double>(sentence.size());
    if (runs > 0)
        state.counters["audible_ms"] = audibleTotal / runs;
}
BENCHMARK(BM_SpeakToFirstPcm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

// The readings alone, which Speak makes before it returns: a 40-character
// announcement with a counter, a destination, ruby and a variant kanji, with
// and without a few hundred of the user's readings to look for, and with the
// place names loaded (a route of forty stops set, the names in the text
// looked up). The target is under 2 ms.
static void BM_ToSpeakable(benchmark::State& state)
{
    Yomi::load();
    if (!Yomi::placeNames() || Yomi::placeNames()->size() == 0)
        state.SkipWithError("the place names (enamdict, skkdic-extra) are not installed");
    QStringList route;
    for (int i = 0; i < 40; ++i)
        route << QStringLiteral("等々力%1丁目").arg(i);
    route << QStringLiteral("雑色") << QStringLiteral("御徒町");
    Yomi::setRouteNames(route);
    const QString sentence = QStringLiteral("次は雑色、等々力三丁目経由、放出行きです。髙島屋前でお降りください。")
                                 .left(40);
    std::vector<Yomi::UserReading> readings;
    for (int i = 0; i < state.range(0); ++i)
        readings.push_back({QStringLiteral("停留所%1").arg(i), QStringLiteral("テイリュウジョ")});
    Yomi::setUserReadings(readings);
    for (auto _ : state)
        benchmark::DoNotOptimize(Yomi::toSpeakable(sentence));
    Yomi::setUserReadings({});
    Yomi::setRouteNames({});
    state.counters["characters"] = static_cast<double>(sentence.size());
}
BENCHMARK(BM_ToSpeakable)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);

// Reading the installed place names (enamdict and skkdic-extra), which the
// speech engine's loader does once beside the windows: the target is under
// 0.5 s, and under 50 MB for the lookup (megabytes). The processor time is
// the process's, so that other programs running at the same time do not
// count.
static void BM_PlaceNamesLoad(benchmark::State& state)
{
    std::size_t bytes = 0;
    std::size_t names = 0;
    for (auto _ : state) {
        const Yomi::PlaceNames::Loaded loaded = Yomi::PlaceNames::loadInstalled();
        if (!loaded.missing.isEmpty()) {
            state.SkipWithError(qPrintable(loaded.missing));
            break;
        }
        bytes = loaded.dictionary->bytes();
        names = loaded.dictionary->size();
    }
    state.counters["megabytes"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["entries"] = static_cast<double>(names);
}
BENCHMARK(BM_PlaceNamesLoad)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();
