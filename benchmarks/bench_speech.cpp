#include "platform/Cp932.h"
#include "platform/DataPaths.h"
#include "readings/PlaceNames.h"
#include "speech/AnnouncementVoice.h"
#include "speech/EspeakSpeech.h"
#include "speech/OpenJTalkSpeech.h"
#include "speech/mdlM_Tape.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
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

// --- the tape: Open JTalk and espeak-ng side by side ------------------------------------

namespace {

const QString Row1 = QStringLiteral("毎度ご乗車ありがとうございます。このバスは12系統、駅前経由、市民病院行きです。");
const QString Row2 = QStringLiteral("次は、市民病院前です。お降りの方はお知らせください。");
const QString Row3 = QStringLiteral("次は、終点、駅前です。");

OpenJTalkSpeech::Paths meiPaths()
{
    return {DataPaths::openJTalkProgram().path, DataPaths::openJTalkDictionary().path,
            QStringLiteral(VOICES_DIR "/") + DataPaths::DefaultVoiceFile};
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

// The program's tape with a route of three rows and the program's engine
// speaking with voice (espeak-ng or Mei); it notes when the first PCM of
// each request reaches the output.
class TapeWithVoice
{
public:
    explicit TapeWithVoice(const QString& voice)
    {
        QFile tape(m_dir.filePath(QStringLiteral("12tp.csv")));
        tape.open(QIODevice::WriteOnly);
        tape.write(Cp932::encodeOrThrow(Row1 + QStringLiteral(",0,0\r\n") + Row2 + QStringLiteral(",0,0\r\n") + Row3
                                        + QStringLiteral(",0,0\r\n")));
        tape.close();
        const AnnouncementVoice::Setup setup{meiPaths().program, meiPaths().dictionary, QStringLiteral(VOICES_DIR),
                                             EspeakSpeech::Paths{}, m_dir.filePath(QStringLiteral("voice.ini"))};
        VoiceChoice{voice, {}}.write(setup.choiceFile);
        mdlM_Tape::setEngineFactory([setup] { return std::make_unique<AnnouncementVoice>(setup); });
        mdlM_Tape::InitSpeech();
        Voice& speaking = static_cast<AnnouncementVoice&>(*mdlM_Tape::objSpeech).voice();
        m_openJTalk = dynamic_cast<OpenJTalkSpeech*>(&speaking);
        if (m_openJTalk) {
            m_openJTalk->setPcmTap([this](const std::int16_t*, std::size_t, int) { heard(); });
            spinUntil([this] { return m_openJTalk->loaded(); });
        } else if (auto* espeak = dynamic_cast<EspeakSpeech*>(&speaking)) {
            espeak->setPcmTap([this](const std::int16_t*, std::size_t) { heard(); });
            espeak->waitLoaded();
        }
    }
    ~TapeWithVoice()
    {
        mdlM_Tape::ReleaseSpeech();
        mdlM_Tape::setEngineFactory([] { return createSpeechEngine(); });
    }

    bool isOpenJTalk() const { return m_openJTalk != nullptr; }
    // Route setting: the tape is loaded (and its first row made ready).
    void setRoute()
    {
        mdlM_Tape::LoadTape(m_dir.path() + QLatin1Char('/'), QStringLiteral("12"));
    }
    // "送り"; the time from it to the first PCM, or a negative time when
    // none came within 20 s.
    double next()
    {
        {
            std::lock_guard lock(m_mutex);
            m_first = false;
        }
        const auto start = std::chrono::steady_clock::now();
        mdlM_Tape::TapeNext({});
        if (!spinUntil([this] { return first(); }))
            return -1;
        std::lock_guard lock(m_mutex);
        return std::chrono::duration<double>(m_firstAt - start).count();
    }
    // Until the row after the one spoken is ready (at once for espeak-ng).
    void waitReady()
    {
        if (!m_openJTalk)
            return;
        const std::int32_t after = mdlM_Tape::GetTapePos() + 1;
        if (after <= mdlM_Tape::GetTapeCount())
            spinUntil([&] { return m_openJTalk->prepared(mdlM_Tape::Tape[static_cast<std::size_t>(after - 1)].strText); });
    }
    void stop()
    {
        mdlM_Tape::StopTape();
        if (m_openJTalk)
            spinUntil([this] { return !m_openJTalk->synthesising(); });
    }

private:
    void heard()
    {
        std::lock_guard lock(m_mutex);
        if (!m_first) {
            m_first = true;
            m_firstAt = std::chrono::steady_clock::now();
        }
    }
    bool first()
    {
        std::lock_guard lock(m_mutex);
        return m_first;
    }

    QTemporaryDir m_dir;
    OpenJTalkSpeech* m_openJTalk = nullptr;
    std::mutex m_mutex;
    bool m_first = false;
    std::chrono::steady_clock::time_point m_firstAt;
};

QString voiceOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? VoiceChoice::Espeak : VoiceChoice::Mei;
}

} // namespace

// "送り" while a row is spoken, through the tape: the time to the first PCM
// of the next row. Open JTalk made that row ready while the one before it
// spoke; espeak-ng starts at once. The target is under 50 ms.
// Argument 0: espeak-ng; 1: Open JTalk (Mei).
static void BM_TapeStepToVoice(benchmark::State& state)
{
    TapeWithVoice tape(voiceOf(state));
    for (auto _ : state) {
        tape.setRoute();
        tape.next();
        tape.waitReady();
        const double seconds = tape.next();
        if (seconds < 0) {
            state.SkipWithError("no speech within 20 s");
            break;
        }
        state.SetIterationTime(seconds);
        tape.stop();
    }
    state.SetLabel(tape.isOpenJTalk() ? "Open JTalk (Mei)" : "espeak-ng");
}
BENCHMARK(BM_TapeStepToVoice)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The first "送り" after route setting, at the worst: pressed the instant the
// tape is loaded, without the three seconds of the lamp test in between in
// which the first row is made ready. Open JTalk's first sentence is heard as
// soon as its runs of open_jtalk (one, or more where it misreads and is given
// readings) are over; child_cpu_ms is their processor time, which is what
// the wall time comes to on a machine with a processor to spare. The target
// is under 300 ms. Argument 0: espeak-ng; 1: Open JTalk (Mei).
static void BM_TapeFirstAfterRouteSetting(benchmark::State& state)
{
    TapeWithVoice tape(voiceOf(state));
    double childMs = 0;
    for (auto _ : state) {
        const double childBefore = childCpuMs();
        tape.setRoute();
        const double seconds = tape.next();
        if (seconds < 0) {
            state.SkipWithError("no speech within 20 s");
            break;
        }
        state.SetIterationTime(seconds);
        childMs += childCpuMs() - childBefore;
        tape.stop();
    }
    state.SetLabel(tape.isOpenJTalk() ? "Open JTalk (Mei)" : "espeak-ng");
    state.counters["child_cpu_ms"] = benchmark::Counter(childMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TapeFirstAfterRouteSetting)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Open JTalk's synthesis of one announcement from Speak to its whole speech,
// nothing made ready: open_jtalk's start, its dictionary and voice, the
// analysis and the synthesis, of every run the text took (runs: how many;
// one or more per sentence).
static void BM_OpenJTalkSynthesis(benchmark::State& state)
{
    static OpenJTalkSpeech voice(meiPaths());
    spinUntil([] { return voice.loaded(); });
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
    state.counters["runs"] = OpenJTalkSpeech::say(meiPaths(), text).runs;
}
BENCHMARK(BM_OpenJTalkSynthesis)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
