#include "DiskAudio.h"

#include "sound/AudioOutput.h"

#include <QFile>

namespace {

QString& mixedFile()
{
    static QString path;
    return path;
}

} // namespace

DiskAudio::DiskAudio(std::function<void()> whenOpen)
    : m_whenOpen(std::move(whenOpen))
{
}

void DiskAudio::SetUp()
{
    m_dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_dir->isValid());
    mixedFile() = m_dir->filePath(QStringLiteral("mixed.raw"));
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(mixedFile()));
    ASSERT_TRUE(AudioOutput::instance().available()) << AudioOutput::instance().reason().toStdString();
    if (m_whenOpen)
        m_whenOpen();
}

QString DiskAudio::file()
{
    return mixedFile();
}
