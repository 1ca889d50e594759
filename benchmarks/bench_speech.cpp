#include "platform/DataPaths.h"
#include "speech/EspeakSpeech.h"
#include "speech/OpenJTalkSpeech.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include <sys/resource.h>

// From "送り" to the first sound of the announcement with espeak-ng: the time
// from Speak to the first PCM handed to the audio output, for a
// twenty-character sentence of kanji and kana (readings, synthesis start,
// hand-over). espeak-ng needs nothing ahead: this is also its time from a
// step of the tape and from the first step after route setting. The voice
// opens with a little silence; audible_ms is the time to the first PCM block
// with sound in it.
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
// and without a few hundred of the user's readings to look for. The target
// is under 2 ms.
static void BM_ToSpeakable(benchmark::State& state)
{
    const QString sentence = QStringLiteral("このバスは12系統、三丁目経由、放出《はなてん》行きです。髙島屋前でお降りください。")
                                 .left(40);
    std::vector<Yomi::UserReading> readings;
    for (int i = 0; i < state.range(0); ++i)
        readings.push_back({QStringLiteral("停留所%1").arg(i), QStringLiteral("テイリュウジョ")});
    Yomi::setUserReadings(readings);
    for (auto _ : state)
        benchmark::DoNotOptimize(Yomi::toSpeakable(sentence));
    Yomi::setUserReadings({});
    state.counters["characters"] = static_cast<double>(sentence.size());
}
BENCHMARK(BM_ToSpeakable)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);

// --- Open JTalk ----------------------------------------------------------------------

namespace {

const QString Row1 = QStringLiteral("毎度ご乗車ありがとうございます。このバスは12系統、駅前経由、市民病院行きです。");
const QString Row2 = QStringLiteral("次は、市民病院前です。お降りの方はお知らせください。");

OpenJTalkSpeech& openJTalk()
{
    static OpenJTalkSpeech voice({DataPaths::openJTalkProgram().path, DataPaths::openJTalkDictionary().path,
                                  QStringLiteral(VOICES_DIR "/") + DataPaths::DefaultVoiceFile});
    return voice;
}

// Processor time of the ended child processes (open_jtalk's runs) so far:
// on a busy machine their wall time says little.
double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
         + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Runs the event loop, which drives Open JTalk's runs, until done; the
// times measured are taken where the speech arrives, not here.
bool spinUntil(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || timer.elapsed() > ms)
            loop.quit();
    });
    poll.start(2);
    if (!done())
        loop.exec();
    return done();
}

// Times from Speak to the first PCM handed to the output, with whatever came
// before it in the iteration.
void measureFirstPcm(benchmark::State& state, const std::function<void()>& before, const QString& text)
{
    OpenJTalkSpeech& voice = openJTalk();
    std::chrono::steady_clock::time_point firstAt;
    bool first = false;
    voice.setPcmTap([&](const std::int16_t*, std::size_t, int) {
        if (!first) {
            first = true;
            firstAt = std::chrono::steady_clock::now();
        }
    });
    double childMs = 0;
    for (auto _ : state) {
        voice.Stop();
        before();
        first = false;
        const double childBefore = childCpuMs();
        const auto start = std::chrono::steady_clock::now();
        voice.Speak(text);
        if (!spinUntil([&] { return first; })) {
            state.SkipWithError("no speech within 20 s");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(firstAt - start).count());
        childMs += childCpuMs() - childBefore;
        // The next row is never the one made ready.
        spinUntil([&] { return !voice.synthesising(); });
    }
    voice.Stop();
    voice.setPcmTap({});
    // open_jtalk's processor time up to the first sound.
    state.counters["child_cpu_ms"] = benchmark::Counter(childMs, benchmark::Counter::kAvgIterations);
}

} // namespace

// "送り" while a row is spoken: the next row was made ready ahead while the
// row before it spoke, so its speech goes to the output inside Speak. The
// target is under 50 ms.
static void BM_OpenJTalkStepToVoice(benchmark::State& state)
{
    OpenJTalkSpeech& voice = openJTalk();
    measureFirstPcm(
        state,
        [&] {
            voice.Speak(Row1);
            voice.Prepare(Row2);
            spinUntil([&] { return voice.prepared(Row2); });
        },
        Row2);
}
BENCHMARK(BM_OpenJTalkStepToVoice)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The first "送り" after route setting, at the worst: the route's first row is
// asked to be made ready as the route is set, and spoken at the same instant,
// without the three seconds of the lamp test in between. The row's first
// sentence is heard as soon as it is made: its runs of open_jtalk (one, or
// more where Open JTalk misreads and is given readings) are waited for. The
// target is under 300 ms.
static void BM_OpenJTalkFirstAfterRouteSetting(benchmark::State& state)
{
    OpenJTalkSpeech& voice = openJTalk();
    measureFirstPcm(state, [&] { voice.Prepare(Row1); }, Row1);
}
BENCHMARK(BM_OpenJTalkFirstAfterRouteSetting)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Open JTalk's synthesis of one announcement from Speak to its whole speech,
// nothing made ready: open_jtalk's start, its dictionary and voice, the
// analysis and the synthesis, of every run the text took (runs: how many;
// one or more per sentence).
static void BM_OpenJTalkSynthesis(benchmark::State& state)
{
    OpenJTalkSpeech& voice = openJTalk();
    const QString text = state.range(0) == 0 ? Row2 : Row1;
    std::size_t samples = 0;
    int rate = 0;
    voice.setPcmTap([&](const std::int16_t*, std::size_t count, int r) {
        samples += count;
        rate = r;
    });
    const double childBefore = childCpuMs();
    for (auto _ : state) {
        voice.Stop();
        samples = 0;
        voice.Speak(text);
        if (!spinUntil([&] { return !voice.synthesising(); })) {
            state.SkipWithError("no speech within 20 s");
            break;
        }
    }
    state.counters["child_cpu_ms"] = benchmark::Counter(childCpuMs() - childBefore, benchmark::Counter::kAvgIterations);
    voice.Stop();
    voice.setPcmTap({});
    state.counters["characters"] = static_cast<double>(text.size());
    if (rate > 0)
        state.counters["speech_s"] = static_cast<double>(samples) / rate;
    state.counters["runs"] = OpenJTalkSpeech::say(
        {DataPaths::openJTalkProgram().path, DataPaths::openJTalkDictionary().path,
         QStringLiteral(VOICES_DIR "/") + DataPaths::DefaultVoiceFile}, text).runs;
}
BENCHMARK(BM_OpenJTalkSynthesis)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
