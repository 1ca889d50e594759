// The user's voice file (voice.ini), and what open_jtalk hands back: the same
// bytes are also taken as its WAV and as its trace.

#include "speech/OpenJTalkText.h"
#include "speech/VoiceSettings.h"

#include <QByteArrayView>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("voice.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(bytes.data(), bytes.size());
    }
    const VoiceChoice choice = VoiceChoice::read(path);
    if (choice.voice != VoiceChoice::Mei && choice.voice != VoiceChoice::M001 && choice.voice != VoiceChoice::Espeak)
        std::abort();
    if (!(choice.values == choice.values.clamped()))
        std::abort();

    const OpenJTalkText::Pcm pcm = OpenJTalkText::readWav(bytes);
    if (static_cast<qsizetype>(pcm.samples.size()) * 2 > bytes.size() || (!pcm.samples.empty() && pcm.rate <= 0))
        std::abort();
    (void)OpenJTalkText::spokenFromTrace(bytes);
    return 0;
}
