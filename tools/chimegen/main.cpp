// Writes the bundled sample sounds into one folder: a key click, a route-
// setting sound, step sounds and pre-announcement chimes, one for every sound
// setting of the simulator. They are synthesised here rather than committed,
// so the repository holds no binaries and every one can be remade or changed.
//
//   chimegen <folder>
//   chimegen --long <folder>
//
// With --long it writes instead three sounds of ten minutes each, as users
// choose recordings and songs of any length: long.wav and long.mp3 (44.1 kHz
// stereo) and long.mid. The benchmarks play them.

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <numbers>
#include <string>
#include <vector>

namespace {

// Half the output rate, mono: the simulator converts on loading, and the
// files stay a few tens of kilobytes.
constexpr int Rate = 22050;

using Samples = std::vector<float>;

double hz(int midiNote)
{
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

// A struck bar: a few partials, the upper ones slightly stretched and dying
// faster, as on a real bell plate.
void addBell(Samples& out, double start, int note, double length, double level)
{
    struct Partial { double ratio, amplitude, decay; };
    static constexpr Partial partials[] = {{1.0, 1.0, 1.0}, {2.0, 0.35, 0.55}, {3.01, 0.18, 0.35}, {4.17, 0.08, 0.2}};
    const double f = hz(note);
    const auto first = static_cast<std::size_t>(start * Rate);
    const auto count = static_cast<std::size_t>(length * Rate);
    if (out.size() < first + count)
        out.resize(first + count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double attack = std::min(1.0, t / 0.003);
        // Reaches silence at the end of length instead of stopping with a click.
        const double fade = std::min(1.0, (length - t) / 0.02);
        double v = 0.0;
        for (const auto& p : partials)
            v += p.amplitude * std::exp(-t / (length * 0.3 * p.decay)) * std::sin(2 * std::numbers::pi * f * p.ratio * t);
        out[first + i] += static_cast<float>(level * attack * fade * v);
    }
}

// A short electronic beep, as panel keys give.
void addBeep(Samples& out, double start, double frequency, double length, double level)
{
    const auto first = static_cast<std::size_t>(start * Rate);
    const auto count = static_cast<std::size_t>(length * Rate);
    if (out.size() < first + count)
        out.resize(first + count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double envelope = std::min({1.0, t / 0.002, (length - t) / 0.004});
        out[first + i] += static_cast<float>(level * envelope * std::sin(2 * std::numbers::pi * frequency * t));
    }
}

bool write(const std::string& path, const Samples& samples, int format)
{
    SF_INFO info{};
    info.samplerate = Rate;
    info.channels = 1;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "chimegen: %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const auto written = sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    const bool ok = written == static_cast<sf_count_t>(samples.size()) && sf_close(file) == 0;
    if (!ok)
        std::fprintf(stderr, "chimegen: %s: could not be written\n", path.c_str());
    return ok;
}

bool writeWav(const std::string& path, const Samples& samples)
{
    return write(path, samples, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

bool writeMp3(const std::string& path, const Samples& samples)
{
    return write(path, samples, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
}

// A Standard MIDI File, format 0, 480 ticks to the quarter note at 120 beats
// a minute, so 480 ticks last half a second.
class MidiSong
{
public:
    explicit MidiSong(int program)
    {
        event(0, {0xC0, static_cast<std::uint8_t>(program)});
    }
    void note(std::uint32_t at, std::uint32_t length, int key, int velocity)
    {
        m_notes.push_back({at, 0x90, key, velocity});
        m_notes.push_back({at + length, 0x80, key, 0});
    }
    bool write(const std::string& path)
    {
        std::stable_sort(m_notes.begin(), m_notes.end(), [](const Note& a, const Note& b) { return a.at < b.at; });
        std::uint32_t now = 0;
        for (const Note& n : m_notes) {
            event(n.at - now, {static_cast<std::uint8_t>(n.status), static_cast<std::uint8_t>(n.key),
                               static_cast<std::uint8_t>(n.velocity)});
            now = n.at;
        }
        event(0, {0xFF, 0x2F, 0x00});
        std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0};
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        const auto size = static_cast<std::uint32_t>(m_track.size());
        file.insert(file.end(), {static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                                 static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
        file.insert(file.end(), m_track.begin(), m_track.end());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        if (!out.good())
            std::fprintf(stderr, "chimegen: %s: could not be written\n", path.c_str());
        return out.good();
    }

private:
    struct Note { std::uint32_t at; int status; int key; int velocity; };

    void event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes)
    {
        // Variable-length delta time: seven bits a byte, high bit set on all
        // but the last.
        std::uint8_t groups[5];
        int n = 0;
        do {
            groups[n++] = delta & 0x7F;
            delta >>= 7;
        } while (delta);
        while (n-- > 0)
            m_track.push_back(static_cast<std::uint8_t>(groups[n] | (n ? 0x80 : 0)));
        m_track.insert(m_track.end(), bytes);
    }

    std::vector<Note> m_notes;
    std::vector<std::uint8_t> m_track;
};

constexpr int LongSeconds = 600;
constexpr int LongRate = 44100;

// A bell every half second on a rising and falling line, over a quiet drone
// in the other ear, written a second at a time: ten minutes never sit in
// memory here either.
bool writeLong(const std::string& path, int format)
{
    SF_INFO info{};
    info.samplerate = LongRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "chimegen: %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::vector<float> second(2 * LongRate);
    bool ok = true;
    for (int s = 0; s < LongSeconds && ok; ++s) {
        for (int i = 0; i < LongRate; ++i) {
            const double t = s + static_cast<double>(i) / LongRate;
            const int step = static_cast<int>(t * 2);
            const double local = t - step * 0.5;
            const double f = hz(72 + (step % 24 < 12 ? step % 12 : 12 - step % 12));
            const double bell = 0.3 * std::exp(-local / 0.15) * std::sin(2 * std::numbers::pi * f * local);
            const double drone = 0.05 * std::sin(2 * std::numbers::pi * 110.0 * t);
            second[2 * static_cast<std::size_t>(i)] = static_cast<float>(bell + drone);
            second[2 * static_cast<std::size_t>(i) + 1] = static_cast<float>(0.5 * bell + drone);
        }
        ok = sf_writef_float(file, second.data(), LongRate) == LongRate;
    }
    ok = sf_close(file) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "chimegen: %s: could not be written\n", path.c_str());
    return ok;
}

bool writeLongSong(const std::string& path)
{
    // 480 ticks are half a second: ten minutes are 1200 beats of a tune
    // on the vibraphone over a held bass note every bar.
    MidiSong song(11);
    const int tune[] = {72, 74, 76, 79, 81, 79, 76, 74};
    for (std::uint32_t beat = 0; beat < 2 * LongSeconds; ++beat) {
        song.note(beat * 480, 360, tune[beat % 8], 90);
        if (beat % 4 == 0)
            song.note(beat * 480, 4 * 480 - 10, 48, 70);
    }
    return song.write(path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--long") {
        const std::string folder = std::string(argv[2]) + "/";
        bool ok = writeLong(folder + "long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        ok &= writeLong(folder + "long.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
        ok &= writeLongSong(folder + "long.mid");
        return ok ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: chimegen [--long] <folder>\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    bool ok = true;

    Samples key; // panel keys and lists
    addBeep(key, 0.0, 2000.0, 0.045, 0.45);
    ok &= writeWav(folder + "key.wav", key);

    Samples route; // route set: a falling two-tone
    addBell(route, 0.0, 79, 0.9, 0.3);
    addBell(route, 0.35, 76, 1.0, 0.3);
    ok &= writeWav(folder + "route.wav", route);

    Samples step; // one stop forward or back
    addBell(step, 0.0, 81, 0.4, 0.35);
    ok &= writeWav(folder + "step.wav", step);

    // Steps marked 1, 2 or 3 in the fare data: as many short beeps.
    for (int marks = 1; marks <= 3; ++marks) {
        Samples beeps;
        for (int i = 0; i < marks; ++i)
            addBeep(beeps, 0.12 * i, 1200.0, 0.07, 0.4);
        ok &= writeWav(folder + "step" + std::to_string(marks) + ".wav", beeps);
    }

    // Before an announcement: a rising arpeggio on the vibraphone (General
    // MIDI program 12), rendered by the simulator's synthesiser.
    MidiSong chime(11);
    const int arpeggio[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i)
        chime.note(static_cast<std::uint32_t>(i * 120), i == 3 ? 480 : 240, arpeggio[i], 100);
    ok &= chime.write(folder + "chime.mid");

    // Announcements flagged 1, 2 or 3 in the tape data.
    const int risingNotes[] = {84, 88, 91};
    Samples rising;
    for (int i = 0; i < 3; ++i)
        addBell(rising, 0.18 * i, risingNotes[i], 0.8, 0.25);
    ok &= writeWav(folder + "chime1.wav", rising);

    const int fallingNotes[] = {79, 76, 72};
    Samples falling;
    for (int i = 0; i < 3; ++i)
        addBell(falling, 0.18 * i, fallingNotes[i], 0.8, 0.25);
    ok &= writeMp3(folder + "chime2.mp3", falling);

    Samples alternating;
    for (int i = 0; i < 4; ++i)
        addBell(alternating, 0.22 * i, i % 2 ? 77 : 81, 0.6, 0.25);
    ok &= writeWav(folder + "chime3.wav", alternating);

    return ok ? 0 : 1;
}
