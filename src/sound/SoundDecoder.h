#pragma once

#include "sound/AudioOutput.h"

#include <QString>

#include <cstdint>
#include <memory>

// A sound file made ready for the output, or why it could not be.
struct DecodedSound
{
    std::shared_ptr<const PcmBuffer> pcm; // set on success, never empty
    QString error;                        // set on failure

    bool ok() const { return pcm != nullptr; }
};

// Turns sound files into PCM at the output's rate and layout. Nothing here
// plays or throws; a file that cannot be used comes back with an error.
namespace SoundDecoder {

// Longest sound kept; anything longer is cut here rather than filling memory.
inline constexpr int MaxSeconds = 600;

// Decodes by content, whatever the name says: a Standard MIDI File is
// rendered, anything else goes to libsndfile (WAV, MP3 and the rest).
DecodedSound decodeFile(const QString& path);

DecodedSound decodeSampled(const QString& path);
DecodedSound renderMidi(const QString& path, const QString& soundFont = {});

// The General MIDI soundfont songs are rendered with.
QString defaultSoundFont();

// Interleaved frames of any channel count and rate to interleaved stereo at
// the output rate: mono is doubled, channels past the first two are dropped,
// the rate is converted by linear interpolation.
PcmBuffer toOutputFormat(const std::int16_t* samples, std::int64_t frames, int channels, int sampleRate);

} // namespace SoundDecoder
