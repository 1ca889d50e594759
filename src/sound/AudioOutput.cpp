#include "sound/AudioOutput.h"

#include "platform/ApiLib.h"
#include "platform/BackgroundLoad.h"
#include "platform/EngineLibraries.h"
#include "sound/AudioDevice.h"
#include "sound/Feeder.h"
#include "sound/Mixer.h"
#include "sound/Resampler.h"
#include "sound/SoundDecoder.h"

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

static_assert(Resampler::OutputRate == AudioOutput::SampleRate);

// Three threads work for the output besides its callers: the opener (once,
// at the start), the feeder (Feeder) and the device's own (AudioDevice),
// which renders through the Mixer. The callers, the feeder and the device's
// thread share one lock, held only briefly and never while a file is read or
// a waiter called.
struct AudioOutput::Impl
{
    // Opened by the opener before it says it is ready; after that only the
    // feeder sets it going and lets it rest.
    AudioDevice device;
    QString reason;
    std::string program;

    std::thread opener;
    // Set when the output goes before the opener's turn came.
    std::atomic<bool> closing{false};
    std::mutex readyMutex;
    std::condition_variable readyChanged;
    std::atomic<bool> ready{false};
    Waiters readyWaiters;

    // Everything below is guarded by mutex.
    mutable std::mutex mutex;
    Mixer mixer;
    MixObserver observer;
    // Made with the device, destroyed after its callback has stopped.
    std::optional<Feeder> feeder;

    void open(const std::string& appName);
    static void SDLCALL fill(void* userdata, Uint8* stream, int bytes);
    void noDevice();
};

void AudioOutput::Impl::open(const std::string& appName)
{
    BackgroundLoad::waitForTurn();
    if (closing) {
        reason = QStringLiteral("closed before the device was opened");
    } else if (device.open(SampleRate, &Impl::fill, this, appName, reason)) {
        std::lock_guard lock(mutex);
        feeder.emplace(mutex, device, [this] { return mixer.idle(); });
    } else {
        noDevice();
    }
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
    if (device.isOpen()) {
        BackgroundLoad::lowerThisThread();
        // The library sounds are read with, found here rather than by the
        // first sound opened on the user-interface thread.
        (void)EngineLibraries::sndFile();
        SoundDecoder::prepareSynthesiser();
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
        self->mixer.render(out, frames, finished);
        if (self->observer)
            self->observer(out, frames);
        // The device rests once it has had nothing to play for a while; the
        // feeder puts it to rest, as the device's own thread cannot.
        if (self->mixer.quietFrames() >= std::int64_t(RestAfterMs) * SampleRate / 1000)
            self->feeder->restDevice();
    }
    // Waiters post events; they never run with the output locked, so they
    // may ask it anything.
    notify(finished);
}

void AudioOutput::Impl::noDevice()
{
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
    if (!m->feeder)
        return;
    // The feeder lets go of a resting device, whose thread would otherwise
    // keep the close waiting; its streams go with it, on its thread. The
    // callback, which may still tell the feeder things, stops before the
    // feeder goes.
    m->feeder->stop();
    m->device.close();
    m->feeder.reset();
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
    return m->device.isOpen();
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
    auto voice = std::make_shared<VoiceQueue>();
    Waiters replaced;
    {
        std::lock_guard lock(m->mutex);
        Mixer::Channel& c = m->mixer.channels[static_cast<std::size_t>(channel)];
        replaced.swap(c.waiters);
        if (c.voice)
            c.voice->attached = false;
        c.voice = voice;
        c.played = 0;
    }
    // Until the feeder has it, the channel holds a voice that is late; one
    // replaced meanwhile is let go of as soon as the feeder sees it.
    m->feeder->add({std::move(stream), std::move(voice)});
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
        Mixer::Channel& c = m->mixer.channels[static_cast<std::size_t>(channel)];
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
    return m->mixer.channels[static_cast<std::size_t>(channel)].voice != nullptr;
}

std::int64_t AudioOutput::position(int channel) const
{
    if (channel < 0 || channel >= ChannelCount)
        return 0;
    std::lock_guard lock(m->mutex);
    return m->mixer.channels[static_cast<std::size_t>(channel)].played;
}

void AudioOutput::whenDone(int channel, std::function<void()> done)
{
    if (!done)
        return;
    {
        std::lock_guard lock(m->mutex);
        if (channel >= 0 && channel < ChannelCount && m->mixer.channels[static_cast<std::size_t>(channel)].voice) {
            m->mixer.channels[static_cast<std::size_t>(channel)].waiters.push_back(std::move(done));
            return;
        }
    }
    done();
}

void AudioOutput::appendSpeech(const std::int16_t* samples, std::size_t count, int sampleRate)
{
    if (!available() || !samples || count == 0 || sampleRate <= 0)
        return;
    {
        std::lock_guard lock(m->mutex);
        m->mixer.appendSpeech(samples, count, sampleRate);
    }
    m->feeder->wakeDevice();
}

void AudioOutput::clearSpeech()
{
    std::lock_guard lock(m->mutex);
    m->mixer.clearSpeech();
}

bool AudioOutput::isSpeaking() const
{
    std::lock_guard lock(m->mutex);
    return m->mixer.speaking();
}

bool AudioOutput::isPaused() const
{
    return !available() || m->device.resting();
}

void AudioOutput::setMixObserver(MixObserver observer)
{
    std::lock_guard lock(m->mutex);
    m->observer = std::move(observer);
}
