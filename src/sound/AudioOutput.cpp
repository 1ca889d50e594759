#include "sound/AudioOutput.h"

#include "platform/ApiLib.h"
#include "platform/BackgroundLoad.h"
#include "platform/EngineLibraries.h"
#include "sound/SoundDecoder.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <readerwriterqueue/readerwriterqueue.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace {

// 512 frames is 11.6 ms: a sound started now reaches the device with the next
// block, well inside the 30 ms after which a key click feels late.
constexpr int DeviceFrames = 512;
// The feeder reads a stream 1024 frames (23 ms) at a time and keeps up to
// 16 of them queued, 370 ms ahead of the device: a stall of the feeder that
// long goes unheard, and a voice's queue holds 64 KiB whatever its length.
constexpr int BlockFrames = 1024;
constexpr std::size_t QueueBlocks = 16;
// How often the feeder looks whether a queue has room, when no new sound
// wakes it earlier.
constexpr auto FeederPause = std::chrono::milliseconds(8);

using Waiters = std::vector<std::function<void()>>;

struct Block
{
    std::array<std::int16_t, 2 * BlockFrames> samples;
    int frames = 0;
};

// One play of one sound: made by play(), read by the feeder, drained by the
// device callback. The feeder holds the last reference, so the stream is
// always destroyed on the feeder's thread, never on the device's.
struct Voice
{
    explicit Voice(std::unique_ptr<SoundStream> s)
        : stream(std::move(s))
        , queue(QueueBlocks)
    {
    }

    // The feeder's alone.
    std::unique_ptr<SoundStream> stream;
    bool started = false;

    moodycamel::ReaderWriterQueue<Block> queue;
    // Set by the feeder after its last block is queued.
    std::atomic<bool> ended{false};
    // Cleared, with the output locked, when the channel lets go of it.
    std::atomic<bool> attached{true};

    // The device callback's alone: frames already taken from the front block.
    int offset = 0;
};

struct Channel
{
    std::shared_ptr<Voice> voice;
    std::int64_t played = 0;
    Waiters waiters;
};

std::int16_t saturate(std::int32_t value)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, INT16_MIN, INT16_MAX));
}

void notify(Waiters& waiters)
{
    for (auto& done : waiters)
        done();
    waiters.clear();
}

} // namespace

struct AudioOutput::Impl
{
    // Set by the opener before it says it is ready; read-only after that.
    SDL_AudioDeviceID device = 0;
    QString reason;
    std::string program;

    std::thread opener;
    // Set when the output goes before the opener's turn came.
    std::atomic<bool> closing{false};
    std::mutex readyMutex;
    std::condition_variable readyChanged;
    std::atomic<bool> ready{false};
    Waiters readyWaiters;

    // Everything below is shared with the device callback and the feeder.
    mutable std::mutex mutex;
    std::array<Channel, ChannelCount> channels;
    // New voices for the feeder, and whether it should end.
    std::vector<std::shared_ptr<Voice>> incoming;
    bool quit = false;
    std::condition_variable wake;
    std::atomic<bool> news{false};
    std::thread feeder;
    // Speech already at the output rate, mono.
    std::deque<std::int16_t> speech;
    // Linear resampling runs across the synthesiser's chunks: the position of
    // the next output sample in input samples, where -1 is the last sample of
    // the previous chunk.
    double speechPhase = 0.0;
    std::int16_t speechLast = 0;
    MixObserver observer;

    void open(const std::string& appName);
    void openDevice(const EngineLibraries::Sdl& sdl, const std::string& appName);
    void feed();
    static void fillAhead(std::vector<std::shared_ptr<Voice>>& voices, const std::atomic<bool>& news);
    static void SDLCALL fill(void* userdata, Uint8* stream, int bytes);
    void mix(std::int16_t* out, int frames, Waiters& finished);
    void resampleSpeech(const std::int16_t* in, std::size_t count, int sampleRate);
    void noDevice(const char* what);
};

void AudioOutput::Impl::openDevice(const EngineLibraries::Sdl& sdl, const std::string& appName)
{
    // The program's own event loop handles signals; SDL must not take them.
    sdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!appName.empty())
        sdl.SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, appName.c_str());
    if (sdl.InitSubSystem(SDL_INIT_AUDIO) != 0) {
        noDevice(sdl.GetError());
        return;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = SampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = DeviceFrames;
    wanted.callback = &Impl::fill;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device takes, so
    // the mixer always works in one format.
    device = sdl.OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        noDevice(sdl.GetError());
        sdl.QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    feeder = std::thread([this] { feed(); });
    sdl.PauseAudioDevice(device, 0);
}

void AudioOutput::Impl::open(const std::string& appName)
{
    BackgroundLoad::waitForTurn();
    const EngineLibraries::Sdl& sdl = EngineLibraries::sdl();
    if (closing)
        reason = QStringLiteral("closed before the device was opened");
    else if (!sdl)
        noDevice(qPrintable(sdl.missing));
    else
        openDevice(sdl, appName);
    Waiters waiting;
    {
        std::lock_guard lock(readyMutex);
        ready = true;
        waiting.swap(readyWaiters);
    }
    readyChanged.notify_all();
    notify(waiting);
    // Songs are the only sounds that need a synthesiser, and none can play
    // without a device. Made after the output counts as ready, so that
    // neither a sound nor the voice waits for the soundfont, and at a lower
    // priority, so that the windows coming up do not either; the device's
    // thread and the feeder were made before and keep theirs. A song asked
    // for before this is done loads the font itself.
    if (device != 0) {
        BackgroundLoad::lowerThisThread();
        // The library sounds are read with, found here rather than by the
        // first sound opened on the user-interface thread.
        (void)EngineLibraries::sndFile();
        SoundDecoder::prepareSynthesiser();
    }
}

void AudioOutput::Impl::feed()
{
    std::vector<std::shared_ptr<Voice>> active;
    std::vector<std::shared_ptr<Voice>> released;
    std::unique_lock lock(mutex);
    while (!quit) {
        news = false;
        std::move(incoming.begin(), incoming.end(), std::back_inserter(active));
        incoming.clear();
        // A voice no channel holds any more is done with; its stream goes
        // here, outside the lock.
        const auto done = std::stable_partition(active.begin(), active.end(), [](const auto& v) { return v->attached.load(); });
        std::move(done, active.end(), std::back_inserter(released));
        active.erase(done, active.end());
        lock.unlock();
        released.clear();
        fillAhead(active, news);
        lock.lock();
        wake.wait_for(lock, FeederPause, [this] { return quit || !incoming.empty(); });
    }
    lock.unlock();
    active.clear();
}

// Round after round, one block for every voice with room, so that a new
// sound's first block is not queued behind another's whole queue. Stops
// early when a new sound arrives.
void AudioOutput::Impl::fillAhead(std::vector<std::shared_ptr<Voice>>& voices, const std::atomic<bool>& news)
{
    for (bool more = true; more && !news;) {
        more = false;
        for (const auto& v : voices) {
            if (v->ended.load(std::memory_order_relaxed) || !v->attached)
                continue;
            if (!v->started) {
                v->started = true;
                if (!v->stream->start()) {
                    v->stream.reset();
                    v->ended.store(true, std::memory_order_release);
                    continue;
                }
            }
            if (v->queue.size_approx() >= QueueBlocks)
                continue;
            Block block;
            block.frames = v->stream->read(block.samples.data(), BlockFrames);
            if (block.frames <= 0) {
                // Closes the file at once; the voice plays out what is queued.
                v->stream.reset();
                v->ended.store(true, std::memory_order_release);
                continue;
            }
            v->queue.try_enqueue(std::move(block));
            more = true;
        }
    }
}

void SDLCALL AudioOutput::Impl::fill(void* userdata, Uint8* stream, int bytes)
{
    auto* self = static_cast<Impl*>(userdata);
    auto* out = reinterpret_cast<std::int16_t*>(stream);
    const int frames = bytes / static_cast<int>(2 * sizeof(std::int16_t));
    Waiters finished;
    {
        std::lock_guard lock(self->mutex);
        self->mix(out, frames, finished);
        if (self->observer)
            self->observer(out, frames);
    }
    // Waiters post events; they never run with the output locked, so they
    // may ask it anything.
    notify(finished);
}

void AudioOutput::Impl::mix(std::int16_t* out, int frames, Waiters& finished)
{
    constexpr int Chunk = 1024;
    std::array<std::int32_t, 2 * Chunk> sum;
    for (int done = 0; done < frames; done += Chunk) {
        const int n = std::min(Chunk, frames - done);
        std::fill_n(sum.begin(), 2 * n, 0);
        for (Channel& c : channels) {
            Voice* v = c.voice.get();
            int f = 0;
            while (v) {
                // ended is read before the queue: once it is seen set, every
                // block the feeder queued is visible too.
                const bool ended = v->ended.load(std::memory_order_acquire);
                Block* block = v->queue.peek();
                if (!block) {
                    if (ended) {
                        std::move(c.waiters.begin(), c.waiters.end(), std::back_inserter(finished));
                        c.waiters.clear();
                        v->attached = false;
                        c.voice.reset();
                    }
                    // Otherwise the feeder is late: the channel is silent for
                    // now and goes on where it was.
                    break;
                }
                if (f == n)
                    break;
                const int take = std::min(n - f, block->frames - v->offset);
                const std::int16_t* s = block->samples.data() + 2 * v->offset;
                for (int i = 0; i < 2 * take; ++i)
                    sum[static_cast<std::size_t>(2 * f + i)] += s[i];
                f += take;
                v->offset += take;
                c.played += take;
                if (v->offset == block->frames) {
                    v->queue.pop();
                    v->offset = 0;
                }
            }
        }
        std::int16_t* o = out + 2 * done;
        for (int i = 0; i < n; ++i) {
            std::int32_t voice = 0;
            if (!speech.empty()) {
                voice = speech.front();
                speech.pop_front();
            }
            o[2 * i] = saturate(sum[static_cast<std::size_t>(2 * i)] + voice);
            o[2 * i + 1] = saturate(sum[static_cast<std::size_t>(2 * i + 1)] + voice);
        }
    }
}

void AudioOutput::Impl::resampleSpeech(const std::int16_t* in, std::size_t count, int sampleRate)
{
    const double step = static_cast<double>(sampleRate) / SampleRate;
    const auto last = static_cast<std::ptrdiff_t>(count) - 1;
    double t = speechPhase;
    while (t <= static_cast<double>(last)) {
        const auto i = static_cast<std::ptrdiff_t>(std::floor(t));
        const double a = i < 0 ? speechLast : in[i];
        // Only the chunk's last sample itself can fall on i == last.
        const double b = in[std::min(i + 1, last)];
        speech.push_back(static_cast<std::int16_t>(std::lround(a + (b - a) * (t - static_cast<double>(i)))));
        t += step;
    }
    speechPhase = t - static_cast<double>(count);
    speechLast = in[count - 1];
}

void AudioOutput::Impl::noDevice(const char* what)
{
    reason = QString::fromUtf8(what);
    // Said once, here: the program runs on silently, and the panel can show
    // reason() where the user looks for it.
    std::fprintf(stderr, "%s: no sound device, sounds are off: %s\n", program.c_str(), reason.toLocal8Bit().constData());
}

// The speech engine holds the output through shared(): the output is
// destroyed after the last holder, whatever order the program's statics go
// in at exit.
const std::shared_ptr<AudioOutput>& AudioOutput::holder()
{
    static const std::shared_ptr<AudioOutput> output(new AudioOutput, [](AudioOutput* o) { delete o; });
    return output;
}

std::shared_ptr<AudioOutput> AudioOutput::shared()
{
    return holder();
}

AudioOutput& AudioOutput::instance()
{
    return *holder();
}

AudioOutput::AudioOutput()
    : m(std::make_unique<Impl>())
{
    // Asked here: the opener's thread must not ask the application.
    const bool app = QCoreApplication::instance() != nullptr;
    m->program = app ? ApiLib::ExeName().toStdString() : std::string("audio");
    m->opener = std::thread([impl = m.get(), app] { impl->open(app ? impl->program : std::string()); });
}

AudioOutput::~AudioOutput()
{
    // An opener still held back would keep this waiting.
    m->closing = true;
    BackgroundLoad::release();
    m->opener.join();
    if (m->device == 0)
        return;
    // The callback stops first, so nothing drains a queue the feeder is
    // about to destroy.
    const EngineLibraries::Sdl& sdl = EngineLibraries::sdl();
    sdl.CloseAudioDevice(m->device);
    {
        std::lock_guard lock(m->mutex);
        m->quit = true;
    }
    m->wake.notify_one();
    m->feeder.join();
    sdl.QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioOutput::waitReady() const
{
    if (m->ready.load(std::memory_order_acquire))
        return;
    BackgroundLoad::release();
    std::unique_lock lock(m->readyMutex);
    m->readyChanged.wait(lock, [this] { return m->ready.load(); });
}

void AudioOutput::whenReady(std::function<void()> done)
{
    if (!done)
        return;
    {
        std::lock_guard lock(m->readyMutex);
        if (!m->ready) {
            m->readyWaiters.push_back(std::move(done));
            return;
        }
    }
    done();
}

bool AudioOutput::available() const
{
    waitReady();
    return m->device != 0;
}

QString AudioOutput::reason() const
{
    waitReady();
    return m->reason;
}

void AudioOutput::play(int channel, std::unique_ptr<SoundStream> stream)
{
    if (channel < 0 || channel >= ChannelCount || !stream || !available())
        return;
    auto voice = std::make_shared<Voice>(std::move(stream));
    Waiters replaced;
    {
        std::lock_guard lock(m->mutex);
        Channel& c = m->channels[channel];
        replaced.swap(c.waiters);
        if (c.voice)
            c.voice->attached = false;
        c.voice = voice;
        c.played = 0;
        m->incoming.push_back(std::move(voice));
        m->news = true;
    }
    m->wake.notify_one();
    notify(replaced);
}

void AudioOutput::play(int channel, std::shared_ptr<const PcmBuffer> pcm)
{
    play(channel, SoundDecoder::bufferStream(std::move(pcm)));
}

void AudioOutput::stop(int channel)
{
    if (channel < 0 || channel >= ChannelCount)
        return;
    Waiters stopped;
    {
        std::lock_guard lock(m->mutex);
        Channel& c = m->channels[channel];
        stopped.swap(c.waiters);
        if (c.voice)
            c.voice->attached = false;
        c.voice.reset();
    }
    notify(stopped);
}

bool AudioOutput::isPlaying(int channel) const
{
    if (channel < 0 || channel >= ChannelCount)
        return false;
    std::lock_guard lock(m->mutex);
    return m->channels[channel].voice != nullptr;
}

std::int64_t AudioOutput::position(int channel) const
{
    if (channel < 0 || channel >= ChannelCount)
        return 0;
    std::lock_guard lock(m->mutex);
    return m->channels[channel].played;
}

void AudioOutput::whenDone(int channel, std::function<void()> done)
{
    if (!done)
        return;
    {
        std::lock_guard lock(m->mutex);
        if (channel >= 0 && channel < ChannelCount && m->channels[channel].voice) {
            m->channels[channel].waiters.push_back(std::move(done));
            return;
        }
    }
    done();
}

void AudioOutput::appendSpeech(const std::int16_t* samples, std::size_t count, int sampleRate)
{
    if (!available() || !samples || count == 0 || sampleRate <= 0)
        return;
    std::lock_guard lock(m->mutex);
    m->resampleSpeech(samples, count, sampleRate);
}

void AudioOutput::clearSpeech()
{
    std::lock_guard lock(m->mutex);
    m->speech.clear();
    m->speechPhase = 0.0;
    m->speechLast = 0;
}

bool AudioOutput::isSpeaking() const
{
    std::lock_guard lock(m->mutex);
    return !m->speech.empty();
}

void AudioOutput::setMixObserver(MixObserver observer)
{
    std::lock_guard lock(m->mutex);
    m->observer = std::move(observer);
}
