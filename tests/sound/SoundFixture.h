#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Sound files for tests, with sample values chosen so that the mixed output
// tells which sound played where.
namespace SoundFixture {

using Samples = std::vector<std::int16_t>;

// ms milliseconds of one constant value at the output rate.
Samples constant(std::int16_t value, int ms);
// ms milliseconds that count up by one every 10 ms, starting at 1: a sample
// tells how far into the sound it lies.
Samples ramp(int ms);

// Writes 16-bit PCM WAV (or, by format, another libsndfile format) and
// returns path.
QString writeWav(const QString& path, const Samples& interleaved, int channels = 1, int rate = 44100);
QString writeMp3(const QString& path, const Samples& mono, int rate = 44100);
// A Standard MIDI File with one note of ms milliseconds on a piano.
QString writeMidi(const QString& path, int ms);
QString writeBytes(const QString& path, const QByteArray& bytes);

} // namespace SoundFixture
