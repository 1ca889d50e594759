#include "sound/AudioOutput.h"
#include "sound/mdlSndAPI.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <random>
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

} // namespace

// A key press until its click leaves the mixer: the time from calling
// PlaySnd (close, open of a file decoded on an earlier press, stop, play) to
// the moment the output hands the device the block that holds the click's
// first sample, plus that sample's place in the block. What the device
// itself buffers after that (about one more block on a sound card) is not
// included. Runs on SDL's dummy driver unless SDL_AUDIODRIVER names
// another; the dummy driver takes a block every 11 ms as a card would.
// Presses come at random moments, as a hand's would: pressing right after a
// block was taken is the worst case, and a loop that presses as soon as it
// hears would hit it every time.
static void BM_PlaySndToFirstSoundingSample(benchmark::State& state)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    AudioOutput& output = AudioOutput::instance();
    if (!output.available()) {
        state.SkipWithError(output.reason().toStdString().c_str());
        return;
    }
    QTemporaryDir dir;
    const QString click = writeClick(dir);

    std::mutex mutex;
    std::condition_variable heardIt;
    bool listening = false;
    std::optional<Clock::time_point> heard;
    output.setMixObserver([&](const std::int16_t* samples, int frames) {
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(mutex);
        if (!listening)
            return;
        for (int i = 0; i < 2 * frames; ++i) {
            if (samples[i] != 0) {
                heard = now + std::chrono::nanoseconds(std::int64_t(i / 2) * 1'000'000'000 / AudioOutput::SampleRate);
                listening = false;
                heardIt.notify_one();
                return;
            }
        }
    });

    std::mt19937 random(517);
    std::uniform_int_distribution<int> pause(0, 23000);
    double worst = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
        {
            std::lock_guard lock(mutex);
            listening = true;
            heard.reset();
        }
        state.ResumeTiming();
        const Clock::time_point pressed = Clock::now();
        mdlSndAPI::PlaySnd(click, QStringLiteral("S1"), 0, 0);
        std::unique_lock lock(mutex);
        if (!heardIt.wait_for(lock, std::chrono::seconds(1), [&] { return heard.has_value(); })) {
            state.SkipWithError("the click never reached the output");
            break;
        }
        const double delay = std::chrono::duration<double>(*heard - pressed).count();
        worst = std::max(worst, delay);
        state.SetIterationTime(delay);
        lock.unlock();
        mdlSndAPI::CloseAllSnd();
    }
    output.setMixObserver({});
    state.counters["worst_ms"] = worst * 1000.0;
}
BENCHMARK(BM_PlaySndToFirstSoundingSample)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);
