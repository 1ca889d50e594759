#pragma once

#include <QString>

#include <functional>

// Where the settings file lives, decided from folders alone: no window and
// nothing beyond Qt Core, so that installing and packaging can ask the same
// question as the program.
namespace SettingsLocation {

struct Files
{
    QString load; // read at start-up; it may not be there
    QString save; // replaced at exit
    // The save goes into the user's configuration folder, which is made
    // when it is not there yet.
    bool saveMakesFolder = false;
};

// A file can be replaced when its folder takes new files (a save writes
// beside the old file and renames over it) and the file, when it is there,
// may be written.
bool canReplace(const QString& file);

// The settings file fileName: read beside the executable (exeDir) when it is
// there, else in the user's configuration folder (configDir). Saved back
// where it was read when that file can be replaced, else into the
// configuration folder. A read-only program folder, as an installed program
// has, so still provides the settings it carries until the first save; from
// then on the user's own copy in the configuration folder is read.
Files locate(const QString& exeDir, const QString& configDir, const QString& fileName,
             const std::function<bool(const QString&)>& replaceable = canReplace);

} // namespace SettingsLocation
