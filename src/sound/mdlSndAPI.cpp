#include "sound/mdlSndAPI.h"

#include "platform/ApiLib.h"
#include "sound/Mci.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace mdlSndAPI {

namespace {

// The executable's name without extension, the same name the settings file
// carries, so two copies of the program under different names keep their
// channels apart.
QString aliasOf(const QString& channel)
{
    return ApiLib::ExeName() + channel;
}

// Only normal files are played: hidden files count as missing, like a
// directory search for normal files would treat them. The name is matched
// as the file system would on the system the settings came from, ignoring
// letter case.
QString playableFile(const QString& strFile)
{
    const QString path = ApiLib::FindFileNoCase(strFile);
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden())
        return {};
    return path;
}

} // namespace

void PlaySnd(const QString& strFile, const QString& strAlias, int nWait, int nDelay)
{
    if (strFile.isEmpty())
        return;
    const QString file = playableFile(strFile);
    // A missing file sends nothing, so the channel's sound plays on.
    if (file.isEmpty())
        return;

    const QString alias = aliasOf(strAlias);
    mciSendStringA(QStringLiteral("close ") + alias);

    const QString ending = strFile.right(3).toUpper().trimmed();
    QString type;
    if (ending == QLatin1String("WAV"))
        type = QStringLiteral(" type waveaudio alias ");
    else if (ending == QLatin1String("MP3"))
        type = QStringLiteral(" type mpegvideo alias ");
    else if (ending == QLatin1String("MID"))
        type = QStringLiteral(" type sequencer alias ");
    else
        return; // the channel stays closed: its sound has stopped

    const QString open = QStringLiteral("open ") + QLatin1Char('"') + file + QLatin1Char('"') + type + alias
        + QStringLiteral(" wait");
    if (mciSendStringA(open) != 0)
        return;

    if (nWait != 0) {
        mciSendStringA(QStringLiteral("play ") + alias + QStringLiteral(" from 0 wait"));
        ApiLib::Sleep(nDelay);
    } else {
        mciSendStringA(QStringLiteral("stop ") + alias);
        mciSendStringA(QStringLiteral("play ") + alias + QStringLiteral(" from 0"));
        ApiLib::Sleep(0);
    }
}

void CloseAllSnd()
{
    for (const char* channel : {"S1", "S2", "S3", "S4"})
        mciSendStringA(QStringLiteral("close ") + aliasOf(QLatin1String(channel)));
}

} // namespace mdlSndAPI
