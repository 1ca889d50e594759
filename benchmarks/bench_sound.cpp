#include "sound/AudioOutput.h"
#include "sound/mdlSndAPI.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A 100 ms click, 16-bit mono at the output rate, as a plain WAV file.
QString writeClick(const QTemporaryDir& dir)
{
    const quint32 frames = AudioOutput::SampleRate / 10;
    QByteArray wav;
    const auto u32 = [&wav](quint32 v) { v = qToLittleEndian(v); wav.append(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&wav](quint16 v) { v = qToLittleEndian(v); wav.append(reinterpret_cast<const char*>(&v), 2); };
    wav.append("RIFF");
    u32(36 + 2 * frames);
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(AudioOutput::SampleRate);
    u32(2 * AudioOutput::SampleRate);
    u16(2);
    u16(16);
    wav.append("data");
    u32(2 * frames);
    for (quint32 i = 0; i < frames; ++i)
        u16(static_cast<quint16>(i % 100 < 50 ? 8000 : -8000));
    const QString path = dir.filePath(QStringLiteral("click.wav"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size())
        return {};
    return path;
}

// Hears, through the output's mix observer, when the first sample that is
// not silent leaves the mixer after arm(): the moment the device is handed
// the block that holds it, plus that sample's place in the block.
class FirstSample
{
public:
    explicit FirstSample(AudioOutput& output)
        : m_output(output)
    {
        m_output.setMixObserver([this](const std::int16_t* samples, int frames) { hear(samples, frames); });
    }
    ~FirstSample() { m_output.setMixObserver({}); }

    void arm()
    {
        std::lock_guard lock(m_mutex);
        m_listening = true;
        m_heard.reset();
    }

    // When it was heard, or nothing after a second.
    std::optional<Clock::time_point> wait()
    {
        std::unique_lock lock(m_mutex);
        m_heardIt.wait_for(lock, std::chrono::seconds(1), [this] { return m_heard.has_value(); });
        return m_heard;
    }

    // When it was heard, if it was.
    std::optional<Clock::time_point> heard()
    {
        std::lock_guard lock(m_mutex);
        return m_heard;
    }

private:
    void hear(const std::int16_t* samples, int frames)
    {
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(m_mutex);
        if (!m_listening)
            return;
        for (int i = 0; i < 2 * frames; ++i) {
            if (samples[i] != 0) {
                m_heard = now + std::chrono::nanoseconds(std::int64_t(i / 2) * 1'000'000'000 / AudioOutput::SampleRate);
                m_listening = false;
                m_heardIt.notify_one();
                return;
            }
        }
    }

    AudioOutput& m_output;
    std::mutex m_mutex;
    std::condition_variable m_heardIt;
    bool m_listening = false;
    std::optional<Clock::time_point> m_heard;
};

// Presses of the click, each made after idle() has waited, from PlaySnd until
// the click's first sample leaves the mixer. Runs on SDL's dummy driver
// unless SDL_AUDIODRIVER names another; the dummy driver takes a block every
// 11 ms as a card would.
void pressAfter(benchmark::State& state, const std::function<void()>& idle)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    AudioOutput& output = AudioOutput::instance();
    if (!output.available()) {
        state.SkipWithError(output.reason().toStdString().c_str());
        return;
    }
    QTemporaryDir dir;
    const QString click = writeClick(dir);
    FirstSample first(output);
    double worst = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        idle();
        first.arm();
        state.ResumeTiming();
        const Clock::time_point pressed = Clock::now();
        mdlSndAPI::PlaySnd(click, QStringLiteral("S1"), 0, 0);
        const std::optional<Clock::time_point> heard = first.wait();
        if (!heard) {
            state.SkipWithError("the click never reached the output");
            break;
        }
        const double delay = std::chrono::duration<double>(*heard - pressed).count();
        worst = std::max(worst, delay);
        state.SetIterationTime(delay);
        mdlSndAPI::CloseAllSnd();
    }
    state.counters["worst_ms"] = worst * 1000.0;
}

} // namespace

// A key press until its click leaves the mixer: the time from calling
// PlaySnd (close, open of a file decoded on an earlier press, stop, play) to
// the moment the output hands the device the block that holds the click's
// first sample, plus that sample's place in the block. What the device
// itself buffers after that (about one more block on a sound card) is not
// included. Presses come at random moments, as a hand's would: pressing
// right after a block was taken is the worst case, and a loop that presses as
// soon as it hears would hit it every time.
static void BM_PlaySndToFirstSoundingSample(benchmark::State& state)
{
    std::mt19937 random(517);
    std::uniform_int_distribution<int> pause(0, 23000);
    pressAfter(state, [&] { std::this_thread::sleep_for(std::chrono::microseconds(pause(random))); });
}
BENCHMARK(BM_PlaySndToFirstSoundingSample)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

// The same press after an idle spell: the output has paused its device since
// the last sound, and the press must set it going again. Each press comes a
// random 0 to 200 ms after the device was seen paused; worst_ms must stay
// below the 30 ms after which a key click feels late.
static void BM_FirstSoundAfterIdle(benchmark::State& state)
{
    std::mt19937 random(517);
    std::uniform_int_distribution<int> spell(0, 200'000);
    AudioOutput& output = AudioOutput::instance();
    pressAfter(state, [&] {
        for (const Clock::time_point start = Clock::now(); !output.isPaused() && Clock::now() - start < std::chrono::seconds(1);)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!output.isPaused())
            state.SkipWithError("the device did not pause once the sound had ended");
        std::this_thread::sleep_for(std::chrono::microseconds(spell(random)));
    });
}
BENCHMARK(BM_FirstSoundAfterIdle)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

namespace {

// A value of /proc/self/status in KiB ("VmRSS", "VmHWM").
long statusKiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    }
    return -1;
}

// Sets the peak resident size back to the present size (Linux 4.0 on).
void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace

// A ten-minute recording or song chosen as a sound (made at build time by
// chimegen --long), played on a fresh channel: how long PlaySnd keeps the
// user-interface thread, how long until the sound's first sample reaches the
// mix, the longest the user-interface thread then goes without serving its
// events while the sound plays for a second, and how far the program's
// resident memory peaks above where it stood before the play. The sound is
// closed after each second.
static void BM_LongSound(benchmark::State& state, const char* name)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    AudioOutput& output = AudioOutput::instance();
    if (!output.available()) {
        state.SkipWithError(output.reason().toStdString().c_str());
        return;
    }
    const QString file = QStringLiteral(LONG_SOUNDS_DIR "/") + QLatin1String(name);
    if (!QFile::exists(file)) {
        state.SkipWithError("the ten-minute sounds were not made (target long_sounds)");
        return;
    }
    FirstSample first(output);

    // Once per run, not per sound: the device opens and a synthesiser is
    // made ready in the background; a first, unmeasured play waits for both
    // so that no iteration counts them.
    mdlSndAPI::PlaySnd(file, QStringLiteral("S2"), 0, 0);
    for (const Clock::time_point start = Clock::now(); Clock::now() - start < std::chrono::milliseconds(500);)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    mdlSndAPI::CloseAllSnd();

    double worstReturn = 0, worstFirst = 0, worstStall = 0, sumReturn = 0, sumFirst = 0;
    long peakAdded = 0;
    int n = 0;
    for (auto _ : state) {
        const long before = statusKiB("VmRSS");
        resetPeakMemory();
        first.arm();
        const Clock::time_point pressed = Clock::now();
        mdlSndAPI::PlaySnd(file, QStringLiteral("S2"), 0, 0);
        const Clock::time_point returned = Clock::now();
        // The user-interface thread goes on serving events while it plays.
        double stall = std::chrono::duration<double>(returned - pressed).count();
        Clock::time_point last = returned;
        while (Clock::now() - returned < std::chrono::seconds(1)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const Clock::time_point now = Clock::now();
            stall = std::max(stall, std::chrono::duration<double>(now - last).count() - 0.001);
            last = now;
        }
        const std::optional<Clock::time_point> heard = first.heard();
        if (!heard) {
            state.SkipWithError("the sound never reached the mix");
            break;
        }
        const double took = std::chrono::duration<double>(returned - pressed).count();
        const double sounded = std::chrono::duration<double>(*heard - pressed).count();
        peakAdded = std::max(peakAdded, statusKiB("VmHWM") - before);
        mdlSndAPI::CloseAllSnd();
        worstReturn = std::max(worstReturn, took);
        worstFirst = std::max(worstFirst, sounded);
        worstStall = std::max(worstStall, stall);
        sumReturn += took;
        sumFirst += sounded;
        ++n;
        state.SetIterationTime(took);
    }
    if (n == 0)
        return;
    state.counters["playsnd_ms"] = sumReturn / n * 1000.0;
    state.counters["playsnd_worst_ms"] = worstReturn * 1000.0;
    state.counters["first_sample_ms"] = sumFirst / n * 1000.0;
    state.counters["first_sample_worst_ms"] = worstFirst * 1000.0;
    state.counters["ui_stall_worst_ms"] = worstStall * 1000.0;
    state.counters["peak_added_MiB"] = static_cast<double>(peakAdded) / 1024.0;
}
BENCHMARK_CAPTURE(BM_LongSound, wav, "long.wav")->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongSound, mp3, "long.mp3")->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongSound, midi, "long.mid")->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);
