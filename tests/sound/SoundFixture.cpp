#include "SoundFixture.h"

#include <QFile>

#include <sndfile.h>

namespace SoundFixture {

namespace {

QString write(const QString& path, const Samples& samples, int channels, int rate, int format)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return {};
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool ok = sf_writef_short(file, samples.data(), frames) == frames;
    sf_close(file);
    return ok ? path : QString();
}

} // namespace

Samples constant(std::int16_t value, int ms)
{
    return Samples(static_cast<std::size_t>(ms) * 441 / 10, value);
}

Samples ramp(int ms)
{
    Samples s(static_cast<std::size_t>(ms) * 441 / 10);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(1 + i / 441);
    return s;
}

QString writeWav(const QString& path, const Samples& interleaved, int channels, int rate)
{
    return write(path, interleaved, channels, rate, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

QString writeMp3(const QString& path, const Samples& mono, int rate)
{
    return write(path, mono, 1, rate, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
}

QString writeMidi(const QString& path, int ms)
{
    // 480 ticks to the quarter note at the default 120 beats a minute: one
    // tick is 1/960 s. The note's length is one variable-length quantity.
    const int ticks = ms * 960 / 1000;
    QByteArray track;
    track.append("\x00\xC0\x00", 3); // piano
    track.append("\x00\x90\x45\x64", 4);
    track.append(static_cast<char>(0x80 | ((ticks >> 7) & 0x7F)));
    track.append(static_cast<char>(ticks & 0x7F));
    track.append("\x80\x45\x00", 3);
    track.append("\x00\xFF\x2F\x00", 4);
    QByteArray file("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0MTrk", 18);
    const auto size = static_cast<quint32>(track.size());
    file.append(static_cast<char>(size >> 24)).append(static_cast<char>(size >> 16));
    file.append(static_cast<char>(size >> 8)).append(static_cast<char>(size));
    return writeBytes(path, file + track);
}

QString writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

} // namespace SoundFixture
