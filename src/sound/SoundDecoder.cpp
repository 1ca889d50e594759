#include "sound/SoundDecoder.h"

#include "platform/DataPaths.h"
#include "platform/EngineLibraries.h"
#include "sound/Resampler.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

namespace SoundDecoder {

namespace {

constexpr std::int64_t MaxOutputFrames = std::int64_t(MaxSeconds) * AudioOutput::SampleRate;

// libsndfile is asked for this many samples at a time, whatever the file's
// channel count: the buffer never grows with what a header says.
constexpr int ReadSamples = 4096;
// The synthesiser renders at most this many frames per call.
constexpr int RenderFrames = 1024;

// FluidSynth's default gain leaves a single bell at about -25 dBFS, far
// quieter than a recorded chime next to it. Songs are rendered in floating
// point with this gain, then anything above half of full scale is bent
// softly towards full scale, so that a single note sounds like a recorded
// chime and a full chord does not crack.
constexpr float MidiGain = 2.5f;
constexpr float KneeLevel = 0.5f;
// FluidSynth's player goes on reporting "playing" for seconds after the last
// note: once the song's own length has played, the first block that stays at
// or below this level ends it, and nothing runs longer than TailSeconds past
// that length.
constexpr int SilenceLevel = 16;
constexpr int TailSeconds = 4;

DecodedSound failure(const QString& error)
{
    return {nullptr, error};
}

bool isStandardMidiFile(const QByteArray& head)
{
    return head.startsWith("MThd");
}

// FluidSynth reports through a global log, on the thread that called it;
// what it says about a song is kept for the error text instead of going to
// the terminal.
QString& fluidMessage()
{
    thread_local QString message;
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
            EngineLibraries::fluidSynth().set_log_function(level, keepFluidMessage, nullptr);
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

void deleteSettings(fluid_settings_t* p)
{
    EngineLibraries::fluidSynth().delete_settings(p);
}
using SettingsPtr = std::unique_ptr<fluid_settings_t, Deleter<fluid_settings_t, deleteSettings>>;

void deleteSynth(fluid_synth_t* p)
{
    EngineLibraries::fluidSynth().delete_synth(p);
}
using SynthPtr = std::unique_ptr<fluid_synth_t, Deleter<fluid_synth_t, deleteSynth>>;

void deletePlayer(fluid_player_t* p)
{
    EngineLibraries::fluidSynth().delete_player(p);
}
using PlayerPtr = std::unique_ptr<fluid_player_t, Deleter<fluid_player_t, deletePlayer>>;

void closeSndFile(SNDFILE* f)
{
    EngineLibraries::sndFile().close(f);
}
using SndFilePtr = std::unique_ptr<SNDFILE, Deleter<SNDFILE, closeSndFile>>;

std::int16_t toSample(double value)
{
    return static_cast<std::int16_t>(std::clamp<long>(std::lround(value), INT16_MIN, INT16_MAX));
}

// libsndfile a block at a time, converted to stereo at the output rate as
// it is read.
class SampledStream final : public SoundStream
{
public:
    explicit SampledStream(QString path)
        : m_path(std::move(path))
    {
    }

    bool start() override
    {
        const EngineLibraries::SndFile& sndFile = EngineLibraries::sndFile();
        if (!sndFile)
            return false;
        SF_INFO info{};
        m_file.reset(sndFile.open(QFile::encodeName(m_path).constData(), SFM_READ, &info));
        // A frame must fit the read buffer (libsndfile allows far fewer
        // channels than that).
        if (!m_file || info.channels <= 0 || info.channels > ReadSamples || info.samplerate <= 0)
            return false;
        m_rate.emplace(info.channels, info.samplerate);
        return true;
    }

    int read(std::int16_t* out, int frames) override
    {
        if (!m_rate)
            return 0;
        int produced = 0;
        while (produced < frames) {
            produced += m_rate->read(out + 2 * produced, frames - produced);
            if (produced == frames || m_rate->finished())
                break;
            refill();
        }
        return produced;
    }

private:
    // Gives the converter the next block, or the end when the file has
    // nothing more to give, also when it breaks off in the middle. The frame
    // count in the header is not trusted: some MP3s overstate it.
    void refill()
    {
        const int want = ReadSamples / m_rate->channels();
        const sf_count_t got = EngineLibraries::sndFile().readf_short(m_file.get(), m_raw.data(), want);
        if (got <= 0)
            m_rate->end();
        else
            m_rate->write(m_raw.data(), static_cast<int>(got));
    }

    QString m_path;
    SndFilePtr m_file;
    std::array<std::int16_t, ReadSamples> m_raw{};
    std::optional<Resampler> m_rate;
};

fluid_settings_t* songSettings(const EngineLibraries::FluidSynth& fluid)
{
    fluid_settings_t* settings = fluid.new_settings();
    if (!settings)
        return nullptr;
    fluid.settings_setnum(settings, "synth.sample-rate", AudioOutput::SampleRate);
    fluid.settings_setnum(settings, "synth.gain", 1.0);
    // Blocks are rendered ahead of the output: the player must count time in
    // rendered samples, not on the system clock.
    fluid.settings_setstr(settings, "player.timing-source", "sample");
    fluid.settings_setint(settings, "synth.lock-memory", 0);
    // No thread of the synthesiser's own: each song renders on the thread
    // that reads it.
    fluid.settings_setint(settings, "synth.cpu-cores", 1);
    return settings;
}

// A synthesiser with the soundfont loaded. Loading the font takes tens of
// milliseconds, far longer than a song may take to start: synthesisers are
// made ahead and kept for the next song once one ends.
struct Synth
{
    SettingsPtr settings;
    SynthPtr synth;
    QString font;
};

std::unique_ptr<Synth> makeSynth(const QString& font)
{
    // Synthesisers are made on the output's background thread and on the
    // thread that opens a song; FluidSynth's set-up of a new one (its
    // shared tables, its worker threads) is not safe to run twice at once.
    static std::mutex making;
    std::lock_guard lock(making);
    const EngineLibraries::FluidSynth& fluid = EngineLibraries::fluidSynth();
    if (!fluid)
        return nullptr;
    auto s = std::make_unique<Synth>();
    s->font = font;
    s->settings.reset(songSettings(fluid));
    if (s->settings)
        s->synth.reset(fluid.new_synth(s->settings.get()));
    if (!s->synth || fluid.synth_sfload(s->synth.get(), QFile::encodeName(font).constData(), 1) == FLUID_FAILED)
        return nullptr;
    return s;
}

// Up to one synthesiser a channel kept ready, for the default soundfont. Held
// through shared pointers by every song, so it outlives the last of them.
class SynthPool
{
public:
    static constexpr std::size_t MaxSpare = AudioOutput::ChannelCount;

    static const std::shared_ptr<SynthPool>& instance()
    {
        // Never destroyed: the output's opening thread may still be making a
        // synthesiser for it while the program's statics are destroyed.
        static const auto* const pool = new std::shared_ptr<SynthPool>(std::make_shared<SynthPool>());
        return *pool;
    }

    std::unique_ptr<Synth> take(const QString& font)
    {
        if (font == defaultSoundFont()) {
            std::lock_guard lock(m_mutex);
            if (!m_spare.empty()) {
                auto s = std::move(m_spare.back());
                m_spare.pop_back();
                return s;
            }
        }
        return makeSynth(font);
    }

    void give(std::unique_ptr<Synth> s)
    {
        if (!s || s->font != defaultSoundFont())
            return;
        // Notes off, controllers and programs as after loading.
        EngineLibraries::fluidSynth().synth_system_reset(s->synth.get());
        std::lock_guard lock(m_mutex);
        if (m_spare.size() < MaxSpare)
            m_spare.push_back(std::move(s));
    }

    bool hasSpare()
    {
        std::lock_guard lock(m_mutex);
        return !m_spare.empty();
    }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Synth>> m_spare;
};

// FluidSynth's player rendering a song as it is read.
class MidiStream final : public SoundStream
{
public:
    MidiStream(QString path, QString soundFont, std::int64_t lengthMs)
        : m_pool(SynthPool::instance())
        , m_path(std::move(path))
        , m_soundFont(soundFont.isEmpty() ? defaultSoundFont() : std::move(soundFont))
        , m_songFrames(lengthMs * AudioOutput::SampleRate / 1000)
    {
    }

    bool start() override
    {
        const EngineLibraries::FluidSynth& fluid = EngineLibraries::fluidSynth();
        if (!fluid)
            return fail(fluid.missing);
        quietFluid();
        fluidMessage().clear();
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > MaxSongBytes)
            return fail(file.errorString());
        const QByteArray song = file.read(MaxSongBytes);
        if (!isStandardMidiFile(song))
            return fail(QStringLiteral("not a Standard MIDI File"));
        m_synth = m_pool->take(m_soundFont);
        if (!m_synth)
            return fail(QStringLiteral("the soundfont %1 could not be loaded").arg(m_soundFont));
        m_player.reset(fluid.new_player(m_synth->synth.get()));
        if (!m_player || fluid.player_add_mem(m_player.get(), song.constData(), static_cast<size_t>(song.size())) != FLUID_OK
            || fluid.player_play(m_player.get()) != FLUID_OK)
            return fail(QStringLiteral("the song could not be started"));
        return true;
    }

    int read(std::int16_t* out, int frames) override
    {
        if (m_done || !m_player)
            return 0;
        frames = std::min(frames, RenderFrames);
        // Past the song's length, or once the player has let go of it, only
        // the notes' release is left.
        const EngineLibraries::FluidSynth& fluid = EngineLibraries::fluidSynth();
        const bool tail = m_rendered >= m_songFrames || fluid.player_get_status(m_player.get()) != FLUID_PLAYER_PLAYING;
        fluid.synth_write_float(m_synth->synth.get(), frames, m_render.data(), 0, 2, m_render.data(), 1, 2);
        int loudest = 0;
        for (int i = 0; i < 2 * frames; ++i) {
            out[i] = shape(m_render[static_cast<std::size_t>(i)]);
            loudest = std::max(loudest, std::abs(static_cast<int>(out[i])));
        }
        m_rendered += frames;
        if (tail && (loudest <= SilenceLevel || m_rendered > m_songFrames + std::int64_t(TailSeconds) * AudioOutput::SampleRate)) {
            m_done = true;
            return 0;
        }
        return frames;
    }

    ~MidiStream() override
    {
        m_player.reset();
        m_pool->give(std::move(m_synth));
    }

    QString error() const { return m_error; }

private:
    bool fail(const QString& why)
    {
        m_error = fluidMessage().isEmpty() ? why : fluidMessage();
        m_player.reset();
        return false;
    }

    static std::int16_t shape(float v)
    {
        float x = std::abs(v * MidiGain);
        if (x > KneeLevel)
            x = KneeLevel + (1.0f - KneeLevel) * std::tanh((x - KneeLevel) / (1.0f - KneeLevel));
        return toSample(std::copysign(x, v) * 32767.0f);
    }

    std::shared_ptr<SynthPool> m_pool;
    QString m_path;
    QString m_soundFont;
    std::int64_t m_songFrames;
    QString m_error;
    std::unique_ptr<Synth> m_synth;
    PlayerPtr m_player;
    std::array<float, 2 * RenderFrames> m_render{};
    std::int64_t m_rendered = 0;
    bool m_done = false;
};

class BufferStream final : public SoundStream
{
public:
    explicit BufferStream(std::shared_ptr<const PcmBuffer> pcm)
        : m_pcm(std::move(pcm))
    {
    }

    int read(std::int16_t* out, int frames) override
    {
        if (!m_pcm)
            return 0;
        const auto n = static_cast<int>(std::min<std::int64_t>(frames, m_pcm->frames() - m_position));
        if (n <= 0)
            return 0;
        std::copy_n(m_pcm->samples.data() + 2 * m_position, 2 * n, out);
        m_position += n;
        return n;
    }

private:
    std::shared_ptr<const PcmBuffer> m_pcm;
    std::int64_t m_position = 0;
};

quint32 be32(const unsigned char* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

// Reads a variable-length quantity at p, at most four bytes, none past end.
bool varLength(const unsigned char*& p, const unsigned char* end, quint32& value)
{
    value = 0;
    for (int n = 0; n < 4; ++n) {
        if (p >= end)
            return false;
        const unsigned char b = *p++;
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

struct TempoChange
{
    std::int64_t tick;
    std::int64_t microsPerQuarter;
};

// Walks one track; returns the tick of its last whole event, or -1 when it
// holds none. A track that breaks off counts up to its last whole event.
std::int64_t walkTrack(const unsigned char* p, const unsigned char* end, std::vector<TempoChange>& tempos)
{
    std::int64_t tick = 0;
    std::int64_t last = -1;
    unsigned char running = 0;
    while (p < end) {
        quint32 delta = 0;
        if (!varLength(p, end, delta) || p >= end)
            break;
        tick += delta;
        unsigned char status = *p;
        if (status < 0x80) {
            if (!running)
                break;
            status = running;
        } else {
            ++p;
            if (status < 0xF0)
                running = status;
        }
        if (status == 0xFF) {
            if (p >= end)
                break;
            const unsigned char type = *p++;
            quint32 length = 0;
            if (!varLength(p, end, length) || length > quint32(end - p))
                break;
            if (type == 0x51 && length >= 3)
                tempos.push_back({tick, (std::int64_t(p[0]) << 16) | (std::int64_t(p[1]) << 8) | p[2]});
            p += length;
            last = tick;
            if (type == 0x2F)
                break;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            quint32 length = 0;
            if (!varLength(p, end, length) || length > quint32(end - p))
                break;
            p += length;
            last = tick;
            continue;
        }
        const int data = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        if (end - p < data)
            break;
        p += data;
        last = tick;
    }
    return last;
}

// The first block of a sampled file, to see that it gives samples at all.
SoundInfo probeSampled(const QString& path)
{
    SoundInfo result;
    const EngineLibraries::SndFile& sndFile = EngineLibraries::sndFile();
    if (!sndFile) {
        result.error = sndFile.missing;
        return result;
    }
    SF_INFO info{};
    SndFilePtr file(sndFile.open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file) {
        result.error = QString::fromUtf8(sndFile.strerror(nullptr));
        return result;
    }
    if (info.channels <= 0 || info.samplerate <= 0) {
        result.error = QStringLiteral("the file gives no channel count or sample rate");
        return result;
    }
    std::array<std::int16_t, ReadSamples> block{};
    if (sndFile.readf_short(file.get(), block.data(), std::max(1, ReadSamples / info.channels)) <= 0) {
        result.error = QStringLiteral("the file holds no sound");
        return result;
    }
    // For the status answers only: nothing is sized by it.
    result.lengthMs = info.frames > 0 ? info.frames * 1000 / info.samplerate : 0;
    return result;
}

SoundInfo probeSong(const QString& path)
{
    SoundInfo result;
    result.midi = true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    if (file.size() > MaxSongBytes) {
        result.error = QStringLiteral("the song is larger than any song can be");
        return result;
    }
    result.lengthMs = songLengthMs(file.read(MaxSongBytes));
    if (result.lengthMs < 0)
        result.error = QStringLiteral("not a Standard MIDI File with events");
    return result;
}

DecodedSound decodeWhole(SoundStream& stream)
{
    if (!stream.start())
        return failure(QStringLiteral("the file cannot be read"));
    auto pcm = std::make_shared<PcmBuffer>();
    std::array<std::int16_t, 2 * RenderFrames> block{};
    while (pcm->frames() < MaxOutputFrames) {
        const int got = stream.read(block.data(), RenderFrames);
        if (got <= 0)
            break;
        pcm->samples.insert(pcm->samples.end(), block.begin(), block.begin() + 2 * got);
    }
    if (pcm->frames() > MaxOutputFrames)
        pcm->samples.resize(static_cast<std::size_t>(2 * MaxOutputFrames));
    if (pcm->frames() == 0)
        return failure(QStringLiteral("the file holds no sound"));
    return {std::move(pcm), {}};
}

} // namespace

QString defaultSoundFont()
{
    return DataPaths::soundFont().path;
}

std::int64_t songLengthMs(const QByteArray& song)
{
    const auto* data = reinterpret_cast<const unsigned char*>(song.constData());
    const qint64 size = song.size();
    if (!isStandardMidiFile(song) || size < 14)
        return -1;
    const quint32 headerLength = be32(data + 4);
    if (headerLength < 6)
        return -1;
    const int division = (data[12] << 8) | data[13];
    if (division == 0)
        return -1;

    std::vector<TempoChange> tempos;
    std::int64_t endTick = -1;
    qint64 at = 8 + qint64(headerLength);
    while (at + 8 <= size) {
        const qint64 start = at + 8;
        const qint64 length = be32(data + at + 4);
        const qint64 end = std::min(size, start + length);
        if (std::equal(data + at, data + at + 4, "MTrk"))
            endTick = std::max(endTick, walkTrack(data + start, data + end, tempos));
        at = start + length;
    }
    if (endTick < 0)
        return -1;

    if (division & 0x8000) {
        // Time code: frames a second (29 stands for 29.97) times ticks a frame.
        const int fps = 256 - (division >> 8);
        const double ticksPerSecond = (fps == 29 ? 29.97 : fps) * (division & 0xFF);
        return ticksPerSecond > 0 ? static_cast<std::int64_t>(endTick * 1000.0 / ticksPerSecond) : -1;
    }
    std::stable_sort(tempos.begin(), tempos.end(), [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    double micros = 0.0;
    std::int64_t tick = 0;
    std::int64_t perQuarter = 500000; // 120 beats a minute until told otherwise
    for (const TempoChange& t : tempos) {
        if (t.tick >= endTick)
            break;
        micros += double(t.tick - tick) * double(perQuarter) / division;
        tick = t.tick;
        perQuarter = t.microsPerQuarter;
    }
    micros += double(endTick - tick) * double(perQuarter) / division;
    return static_cast<std::int64_t>(micros / 1000.0);
}

SoundInfo probe(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {file.errorString(), false, 0};
    const QByteArray head = file.read(4);
    file.close();
    return isStandardMidiFile(head) ? probeSong(path) : probeSampled(path);
}

std::unique_ptr<SoundStream> openStream(const QString& path, const SoundInfo& info, const QString& soundFont)
{
    if (info.midi)
        return std::make_unique<MidiStream>(path, soundFont, info.lengthMs);
    return std::make_unique<SampledStream>(path);
}

std::unique_ptr<SoundStream> bufferStream(std::shared_ptr<const PcmBuffer> pcm)
{
    return std::make_unique<BufferStream>(std::move(pcm));
}

void prepareSynthesiser()
{
    quietFluid();
    const auto& pool = SynthPool::instance();
    if (!pool->hasSpare())
        pool->give(makeSynth(defaultSoundFont()));
}

DecodedSound decodeSampled(const QString& path)
{
    const SoundInfo info = probeSampled(path);
    if (!info.ok())
        return failure(info.error);
    SampledStream stream(path);
    return decodeWhole(stream);
}

DecodedSound renderMidi(const QString& path, const QString& soundFont)
{
    const SoundInfo info = probeSong(path);
    if (!info.ok())
        return failure(info.error);
    MidiStream stream(path, soundFont, info.lengthMs);
    DecodedSound sound = decodeWhole(stream);
    if (!sound.ok() && !stream.error().isEmpty())
        sound.error = stream.error();
    return sound;
}

DecodedSound decodeFile(const QString& path)
{
    const SoundInfo info = probe(path);
    if (!info.ok())
        return failure(info.error);
    return info.midi ? renderMidi(path) : decodeSampled(path);
}

} // namespace SoundDecoder
