#include "sound/AudioOutput.h"

#include "platform/ApiLib.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <deque>
#include <mutex>
#include <utility>

namespace {

// 512 frames is 11.6 ms: a sound started now reaches the device with the next
// block, well inside the 30 ms after which a key click feels late.
constexpr int BlockFrames = 512;

using Waiters = std::vector<std::function<void()>>;

struct Channel
{
    std::shared_ptr<const PcmBuffer> pcm;
    std::int64_t position = 0;
    Waiters waiters;

    bool playing() const { return pcm && position < pcm->frames(); }
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
    SDL_AudioDeviceID device = 0;
    QString reason;

    // Everything below is shared with the audio thread.
    mutable std::mutex mutex;
    std::array<Channel, ChannelCount> channels;
    // Speech already at the output rate, mono.
    std::deque<std::int16_t> speech;
    // Linear resampling runs across the synthesiser's chunks: the position of
    // the next output sample in input samples, where -1 is the last sample of
    // the previous chunk.
    double speechPhase = 0.0;
    std::int16_t speechLast = 0;
    MixObserver observer;

    static void SDLCALL fill(void* userdata, Uint8* stream, int bytes);
    void mix(std::int16_t* out, int frames, Waiters& finished);
    void resampleSpeech(const std::int16_t* in, std::size_t count, int sampleRate);
    void noDevice(const char* what);
};

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
    for (int f = 0; f < frames; ++f) {
        std::int32_t left = 0;
        std::int32_t right = 0;
        for (auto& c : channels) {
            if (!c.playing())
                continue;
            const std::int16_t* s = c.pcm->samples.data() + 2 * c.position;
            left += s[0];
            right += s[1];
            if (++c.position == c.pcm->frames()) {
                std::move(c.waiters.begin(), c.waiters.end(), std::back_inserter(finished));
                c.waiters.clear();
            }
        }
        if (!speech.empty()) {
            left += speech.front();
            right += speech.front();
            speech.pop_front();
        }
        out[2 * f] = saturate(left);
        out[2 * f + 1] = saturate(right);
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
    const QString program = QCoreApplication::instance()
        ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
        : QStringLiteral("audio");
    std::fprintf(stderr, "%s: no sound device, sounds are off: %s\n", program.toLocal8Bit().constData(),
                 reason.toLocal8Bit().constData());
}

AudioOutput& AudioOutput::instance()
{
    static AudioOutput output;
    return output;
}

AudioOutput::AudioOutput()
    : m(std::make_unique<Impl>())
{
    // The program's own event loop handles signals; SDL must not take them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (QCoreApplication::instance())
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, ApiLib::ExeName().toUtf8().constData());
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m->noDevice(SDL_GetError());
        return;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = SampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = BlockFrames;
    wanted.callback = &Impl::fill;
    wanted.userdata = m.get();
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device takes, so the
    // mixer always works in one format.
    m->device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m->device == 0) {
        m->noDevice(SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    SDL_PauseAudioDevice(m->device, 0);
}

AudioOutput::~AudioOutput()
{
    if (m->device == 0)
        return;
    SDL_CloseAudioDevice(m->device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioOutput::available() const
{
    return m->device != 0;
}

QString AudioOutput::reason() const
{
    return m->reason;
}

void AudioOutput::play(int channel, std::shared_ptr<const PcmBuffer> pcm)
{
    if (channel < 0 || channel >= ChannelCount || !available())
        return;
    Waiters replaced;
    {
        std::lock_guard lock(m->mutex);
        Channel& c = m->channels[channel];
        replaced.swap(c.waiters);
        c.pcm = std::move(pcm);
        c.position = 0;
    }
    notify(replaced);
}

void AudioOutput::stop(int channel)
{
    if (channel < 0 || channel >= ChannelCount)
        return;
    Waiters stopped;
    std::shared_ptr<const PcmBuffer> released;
    {
        std::lock_guard lock(m->mutex);
        Channel& c = m->channels[channel];
        stopped.swap(c.waiters);
        released.swap(c.pcm);
        c.position = 0;
    }
    notify(stopped);
}

bool AudioOutput::isPlaying(int channel) const
{
    if (channel < 0 || channel >= ChannelCount)
        return false;
    std::lock_guard lock(m->mutex);
    return m->channels[channel].playing();
}

void AudioOutput::whenDone(int channel, std::function<void()> done)
{
    if (!done)
        return;
    {
        std::lock_guard lock(m->mutex);
        if (channel >= 0 && channel < ChannelCount && m->channels[channel].playing()) {
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
