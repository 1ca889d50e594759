#pragma once

#include "sound/AudioOutput.h"

#include <QByteArray>
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

// What opening a sound file tells without decoding it.
struct SoundInfo
{
    QString error;            // empty when the file can be played
    bool midi = false;        // rendered by the synthesiser, else read by libsndfile
    std::int64_t lengthMs = 0; // from the header, or the song's tempo map

    bool ok() const { return error.isEmpty(); }
};

// Turns sound files into PCM at the output's rate and layout, a block at a
// time. Nothing here plays or throws; a file that cannot be used comes back
// with an error.
namespace SoundDecoder {

// Longest sound decodeFile returns whole.
inline constexpr int MaxSeconds = 600;
// A song is read into memory whole (the synthesiser's player wants it so);
// anything larger than any real song is refused rather than filling memory.
inline constexpr qint64 MaxSongBytes = 1 << 20;

// Looks at a file by content, whatever its name says: a Standard MIDI File is
// a song, anything else goes to libsndfile (WAV, MP3 and the rest). A sampled
// file must give its first samples; a song must hold at least one event.
// Cheap enough for the user-interface thread: headers and one small block.
SoundInfo probe(const QString& path);

// A stream of the file that probe accepted as info. The file is opened and
// the synthesiser set up by the stream's start(), on the thread that reads
// it, not here.
std::unique_ptr<SoundStream> openStream(const QString& path, const SoundInfo& info, const QString& soundFont = {});

// A buffer already decoded, played as a stream.
std::unique_ptr<SoundStream> bufferStream(std::shared_ptr<const PcmBuffer> pcm);

// The whole file decoded at once, cut at MaxSeconds (tools and tests).
DecodedSound decodeFile(const QString& path);
DecodedSound decodeSampled(const QString& path);
DecodedSound renderMidi(const QString& path, const QString& soundFont = {});

// The General MIDI soundfont songs are rendered with.
QString defaultSoundFont();

// Makes a synthesiser with the default soundfont ready for the next song,
// unless one is ready already. Songs that end leave theirs for the next ones.
// Slow (tens of milliseconds): call it off the user-interface thread.
void prepareSynthesiser();

// A Standard MIDI File's length in milliseconds, from its tempo map, or -1
// when song is no such file or holds no event. A track that runs past the end
// of the file counts as far as it goes.
std::int64_t songLengthMs(const QByteArray& song);

} // namespace SoundDecoder
