#include "speech/VoiceSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString VoiceKey = QStringLiteral("voice/name");
const QString RateKey = QStringLiteral("voice/rate");
const QString PitchKey = QStringLiteral("voice/pitch");
const QString VolumeKey = QStringLiteral("voice/volume");

int number(const QSettings& file, const QString& key, int fallback)
{
    bool ok = false;
    const int value = file.value(key).toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

VoiceSettings VoiceSettings::clamped() const
{
    return {std::clamp(rate, MinRate, MaxRate), std::clamp(pitch, MinPitch, MaxPitch),
            std::clamp(volume, MinVolume, MaxVolume)};
}

QString VoiceChoice::defaultFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(QStringLiteral("voice.ini"));
}

VoiceChoice VoiceChoice::read(const QString& path)
{
    VoiceChoice choice;
    if (!QFileInfo(path).isFile())
        return choice;
    const QSettings file(path, QSettings::IniFormat);
    const QString voice = file.value(VoiceKey).toString();
    if (voice == Mei || voice == M001 || voice == Espeak)
        choice.voice = voice;
    choice.values = VoiceSettings{number(file, RateKey, choice.values.rate), number(file, PitchKey, choice.values.pitch),
                                  number(file, VolumeKey, choice.values.volume)}
                        .clamped();
    return choice;
}

bool VoiceChoice::write(const QString& path) const
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    // QSettings writes a new file and renames it over the old one.
    QSettings file(path, QSettings::IniFormat);
    file.setValue(VoiceKey, voice);
    file.setValue(RateKey, values.rate);
    file.setValue(PitchKey, values.pitch);
    file.setValue(VolumeKey, values.volume);
    file.sync();
    return file.status() == QSettings::NoError;
}
