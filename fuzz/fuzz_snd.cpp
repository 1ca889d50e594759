// A sound file as a channel plays it: looked at as open does, then read to
// its end as the feeder reads it, converted to the output's format on the
// way. Songs are looked at only: the synthesiser renders what their events
// say, whatever the file held.

#include "sound/SoundDecoder.h"

#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// Ten seconds of output: enough to pass every block boundary many times,
// whatever rate a header claims, and quick enough for the fuzzer.
constexpr int MaxFrames = 10 * AudioOutput::SampleRate;

// The reader opens files by name; the folder goes when the fuzzer ends.
QString inputPath()
{
    static const QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("input"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = inputPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const SoundInfo info = SoundDecoder::probe(path);
    if (!info.ok() || info.midi)
        return 0;
    const std::unique_ptr<SoundStream> stream = SoundDecoder::openStream(path, info);
    if (!stream->start())
        return 0;
    std::array<std::int16_t, 2 * 1024> block{};
    for (int frames = 0; frames < MaxFrames;) {
        const int got = stream->read(block.data(), 1024);
        if (got <= 0)
            break;
        frames += got;
    }
    return 0;
}
