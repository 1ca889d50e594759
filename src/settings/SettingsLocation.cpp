#include "settings/SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

namespace SettingsLocation {

bool canReplace(const QString& file)
{
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return false;
    return !info.exists() || (info.isFile() && info.isWritable());
}

Files locate(const QString& exeDir, const QString& configDir, const QString& fileName,
             const std::function<bool(const QString&)>& replaceable)
{
    const QString besideExe = QDir(exeDir).filePath(fileName);
    const QString inConfig = QDir(configDir).filePath(fileName);
    if (QFileInfo(besideExe).isFile() && replaceable(besideExe))
        return {besideExe, besideExe, false};
    // A file the program cannot replace is only where the settings start
    // from; once a save has gone to the configuration folder, that one is
    // the user's.
    if (QFileInfo(besideExe).isFile() && !QFileInfo(inConfig).isFile())
        return {besideExe, inConfig, true};
    return {inConfig, inConfig, true};
}

} // namespace SettingsLocation
