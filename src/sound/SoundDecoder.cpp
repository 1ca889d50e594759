#include "sound/SoundDecoder.h"

#include "platform/DataPaths.h"

#include <QFile>

#include <fluidsynth.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace SoundDecoder {

namespace {

constexpr std::int64_t MaxOutputFrames = std::int64_t(MaxSeconds) * AudioOutput::SampleRate;

// FluidSynth's default gain leaves a single bell at about -25 dBFS, far
// quieter than a recorded chime next to it. A song is rendered in floating
// point with headroom and then brought to the level of a recorded chime,
// whether it is one note or a full chord.
constexpr double MidiGain = 1.0;
constexpr float MidiPeak = 0.7f;
// FluidSynth's player goes on reporting "playing" for seconds after the last
// note; what lies after the last sample above this level is cut.
constexpr int SilenceLevel = 16;
constexpr int RenderBlockFrames = 1024;

DecodedSound failure(const QString& error)
{
    return {nullptr, error};
}

DecodedSound success(PcmBuffer&& pcm)
{
    if (pcm.frames() == 0)
        return failure(QStringLiteral("the file holds no sound"));
    return {std::make_shared<const PcmBuffer>(std::move(pcm)), {}};
}

bool isStandardMidiFile(const QByteArray& head)
{
    return head.startsWith("MThd");
}

// FluidSynth reports through a global log; what it says about a song is kept
// for the error text instead of going to the terminal.
QString& fluidMessage()
{
    static QString message;
    return message;
}

void keepFluidMessage(int level, const char* message, void*)
{
    if (level <= FLUID_ERR)
        fluidMessage() = QString::fromUtf8(message);
}

void quietFluid()
{
    static const bool done = [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, keepFluidMessage, nullptr);
        return true;
    }();
    (void)done;
}

template <typename T, void (*Delete)(T*)>
struct Deleter
{
    void operator()(T* p) const
    {
        if (p)
            Delete(p);
    }
};
using SettingsPtr = std::unique_ptr<fluid_settings_t, Deleter<fluid_settings_t, delete_fluid_settings>>;
using SynthPtr = std::unique_ptr<fluid_synth_t, Deleter<fluid_synth_t, delete_fluid_synth>>;

void deletePlayer(fluid_player_t* p)
{
    delete_fluid_player(p);
}
using PlayerPtr = std::unique_ptr<fluid_player_t, Deleter<fluid_player_t, deletePlayer>>;

void closeSndFile(SNDFILE* f)
{
    sf_close(f);
}
using SndFilePtr = std::unique_ptr<SNDFILE, Deleter<SNDFILE, closeSndFile>>;

void trimTrailingSilence(std::vector<std::int16_t>& samples)
{
    auto loud = std::find_if(samples.rbegin(), samples.rend(), [](std::int16_t s) { return std::abs(s) > SilenceLevel; });
    std::size_t keep = static_cast<std::size_t>(samples.rend() - loud);
    keep += keep % 2; // whole frames
    samples.resize(std::min(keep, samples.size()));
}

} // namespace

QString defaultSoundFont()
{
    return DataPaths::soundFont().path;
}

PcmBuffer toOutputFormat(const std::int16_t* samples, std::int64_t frames, int channels, int sampleRate)
{
    PcmBuffer out;
    if (!samples || frames <= 0 || channels <= 0 || sampleRate <= 0)
        return out;
    const auto at = [&](std::int64_t frame, int side) {
        return samples[frame * channels + (channels == 1 ? 0 : side)];
    };
    if (sampleRate == AudioOutput::SampleRate) {
        out.samples.resize(static_cast<std::size_t>(frames * 2));
        for (std::int64_t f = 0; f < frames; ++f) {
            out.samples[2 * f] = at(f, 0);
            out.samples[2 * f + 1] = at(f, 1);
        }
        return out;
    }
    const std::int64_t outFrames = (frames * AudioOutput::SampleRate + sampleRate / 2) / sampleRate;
    const double step = static_cast<double>(sampleRate) / AudioOutput::SampleRate;
    out.samples.resize(static_cast<std::size_t>(outFrames * 2));
    for (std::int64_t j = 0; j < outFrames; ++j) {
        const double t = static_cast<double>(j) * step;
        const auto i = std::min(static_cast<std::int64_t>(t), frames - 1);
        const auto next = std::min(i + 1, frames - 1);
        const double w = t - static_cast<double>(i);
        for (int side = 0; side < 2; ++side) {
            const double a = at(i, side);
            const double b = at(next, side);
            out.samples[2 * j + side] = static_cast<std::int16_t>(std::lround(a + (b - a) * w));
        }
    }
    return out;
}

DecodedSound decodeSampled(const QString& path)
{
    SF_INFO info{};
    SndFilePtr file(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file)
        return failure(QString::fromUtf8(sf_strerror(nullptr)));
    if (info.channels <= 0 || info.samplerate <= 0)
        return failure(QStringLiteral("the file gives no channel count or sample rate"));

    // The frame count in the header is not trusted (some MP3s overstate it):
    // read until the library has nothing more to give.
    const std::int64_t maxFrames = std::int64_t(MaxSeconds) * info.samplerate;
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> block(std::size_t(4096) * info.channels);
    std::int64_t frames = 0;
    while (frames < maxFrames) {
        const sf_count_t got = sf_readf_short(file.get(), block.data(), 4096);
        if (got <= 0)
            break;
        samples.insert(samples.end(), block.begin(), block.begin() + got * info.channels);
        frames += got;
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR && frames == 0)
        return failure(QString::fromUtf8(sf_strerror(file.get())));
    frames = std::min(frames, maxFrames);
    return success(toOutputFormat(samples.data(), frames, info.channels, info.samplerate));
}

DecodedSound renderMidi(const QString& path, const QString& soundFont)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(file.errorString());
    const QByteArray song = file.readAll();
    if (!isStandardMidiFile(song))
        return failure(QStringLiteral("not a Standard MIDI File"));

    quietFluid();
    fluidMessage().clear();
    SettingsPtr settings(new_fluid_settings());
    if (!settings)
        return failure(QStringLiteral("the synthesiser could not be set up"));
    fluid_settings_setnum(settings.get(), "synth.sample-rate", AudioOutput::SampleRate);
    fluid_settings_setnum(settings.get(), "synth.gain", MidiGain);
    // The song is rendered ahead of time, faster than it plays: the player
    // must count time in rendered samples, not on the system clock.
    fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    SynthPtr synth(new_fluid_synth(settings.get()));
    if (!synth)
        return failure(QStringLiteral("the synthesiser could not be set up"));
    const QString font = soundFont.isEmpty() ? defaultSoundFont() : soundFont;
    if (fluid_synth_sfload(synth.get(), QFile::encodeName(font).constData(), 1) == FLUID_FAILED)
        return failure(QStringLiteral("the soundfont %1 could not be loaded").arg(font));
    PlayerPtr player(new_fluid_player(synth.get()));
    if (!player || fluid_player_add_mem(player.get(), song.constData(), static_cast<size_t>(song.size())) != FLUID_OK
        || fluid_player_play(player.get()) != FLUID_OK)
        return failure(QStringLiteral("the song could not be started"));

    std::vector<float> rendered;
    std::int64_t frames = 0;
    while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING && frames < MaxOutputFrames) {
        rendered.resize(rendered.size() + 2 * RenderBlockFrames);
        float* block = rendered.data() + 2 * frames;
        fluid_synth_write_float(synth.get(), RenderBlockFrames, block, 0, 2, block, 1, 2);
        frames += RenderBlockFrames;
    }
    float peak = 0.0f;
    for (float v : rendered)
        peak = std::max(peak, std::abs(v));
    // A song that would be silent as rendered stays silent: raising it would
    // only bring up the synthesiser's noise.
    const float scale = peak * 32767.0f > SilenceLevel ? MidiPeak / peak * 32767.0f : 0.0f;
    PcmBuffer pcm;
    pcm.samples.resize(rendered.size());
    std::transform(rendered.begin(), rendered.end(), pcm.samples.begin(),
                   [scale](float v) { return static_cast<std::int16_t>(std::lround(v * scale)); });
    trimTrailingSilence(pcm.samples);
    if (pcm.frames() == 0 && !fluidMessage().isEmpty())
        return failure(fluidMessage());
    return success(std::move(pcm));
}

DecodedSound decodeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(file.errorString());
    const QByteArray head = file.read(4);
    file.close();
    return isStandardMidiFile(head) ? renderMidi(path) : decodeSampled(path);
}

} // namespace SoundDecoder
