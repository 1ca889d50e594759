#include "settings/SettingsLocation.h"

#include "settings/mdlIniIo_517.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using SettingsLocation::Files;

enum class Where { Exe, Config };

struct LocateCase
{
    const char* what;
    bool fileBesideExe;
    bool folderBesideExe; // a folder of the settings file's name
    bool fileInConfig;
    bool exeSideReplaceable;
    Where load;
    Where save;
};

// Two folders stand for the executable's and the configuration folder; the
// test of replaceability is given, since a test run as root may write
// anywhere.
TEST(SettingsLocation, LoadBesideTheExecutableWhenThereSaveWhereItCanBeReplaced)
{
    const LocateCase cases[] = {
        {"first run", false, false, false, true, Where::Config, Where::Config},
        {"file beside the executable", true, false, false, true, Where::Exe, Where::Exe},
        {"file beside a read-only executable", true, false, false, false, Where::Exe, Where::Config},
        {"only the configuration folder's", false, false, true, true, Where::Config, Where::Config},
        {"both, the executable's first", true, false, true, true, Where::Exe, Where::Exe},
        // The configuration folder's copy is the user's own save over the
        // settings the program carries: reading the carried file again
        // would lose every change at each start.
        {"both, the executable's read-only", true, false, true, false, Where::Config, Where::Config},
        {"a folder by the file's name", false, true, true, true, Where::Config, Where::Config},
    };
    for (const LocateCase& c : cases) {
        QTemporaryDir exe;
        QTemporaryDir config;
        const QString name = QStringLiteral("517.in4");
        if (c.fileBesideExe)
            QFile(exe.filePath(name)).open(QIODevice::WriteOnly);
        if (c.folderBesideExe)
            QDir(exe.path()).mkdir(name);
        if (c.fileInConfig)
            QFile(config.filePath(name)).open(QIODevice::WriteOnly);
        QStringList asked;
        const Files files = SettingsLocation::locate(exe.path(), config.path(), name, [&](const QString& file) {
            asked.append(file);
            return c.exeSideReplaceable;
        });
        auto path = [&](Where where) { return (where == Where::Exe ? exe : config).filePath(name); };
        EXPECT_EQ(files.load, path(c.load)) << c.what;
        EXPECT_EQ(files.save, path(c.save)) << c.what;
        EXPECT_EQ(files.saveMakesFolder, c.save == Where::Config) << c.what;
        for (const QString& file : asked)
            EXPECT_EQ(file, exe.filePath(name)) << c.what << ": only the executable's side is in doubt";
        EXPECT_EQ(QDir(config.path()).isEmpty(), !c.fileInConfig) << c.what << ": deciding writes nothing";
    }
}

TEST(SettingsLocation, AConfigurationFolderNotYetMadeIsWhereTheFirstSaveGoes)
{
    QTemporaryDir exe;
    QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral("config/517"));
    const Files files = SettingsLocation::locate(exe.path(), config, QStringLiteral("517.in4"));
    EXPECT_EQ(files.load, config + QStringLiteral("/517.in4"));
    EXPECT_EQ(files.save, files.load);
    EXPECT_TRUE(files.saveMakesFolder);
    EXPECT_FALSE(QFileInfo::exists(config)) << "made only by the save";
}

TEST(SettingsLocation, AFileCanBeReplacedOnlyWhereItsFolderTakesNewFiles)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("517.in4"));
    EXPECT_TRUE(SettingsLocation::canReplace(file)) << "not there yet";
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_TRUE(SettingsLocation::canReplace(file));
    EXPECT_FALSE(SettingsLocation::canReplace(dir.filePath(QStringLiteral("gone/517.in4"))));
    QDir(dir.path()).mkdir(QStringLiteral("folder.in4"));
    EXPECT_FALSE(SettingsLocation::canReplace(dir.filePath(QStringLiteral("folder.in4"))));
}

TEST(SettingsLocation, ReadOnlyFoldersAndFilesCannotBeReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("517.in4"));
    QFile(file).open(QIODevice::WriteOnly);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(SettingsLocation::canReplace(file));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(file, QFile::ReadOwner);
    EXPECT_FALSE(SettingsLocation::canReplace(file));
}

// The program's own files: named after the executable, decided once, and
// the same for the load and the save.
TEST(SettingsLocation, TheProgramDecidesItsFilesOnce)
{
    QStandardPaths::setTestModeEnabled(true);
    mdlIniIo_517::setSettingsPath(std::nullopt);
    const Files first = mdlIniIo_517::settingsFiles();
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    EXPECT_EQ(first.load, QDir(config).filePath(QStringLiteral("test_settings.in4")))
        << "no settings file lies beside the test program";
    EXPECT_EQ(first.save, first.load);
    const Files again = mdlIniIo_517::settingsFiles();
    EXPECT_EQ(again.load, first.load);
    EXPECT_EQ(again.save, first.save);

    mdlIniIo_517::setSettingsPath(QStringLiteral("/elsewhere/517.in4"));
    EXPECT_EQ(mdlIniIo_517::settingsFiles().load, "/elsewhere/517.in4");
    EXPECT_EQ(mdlIniIo_517::settingsFiles().save, "/elsewhere/517.in4");
    EXPECT_FALSE(mdlIniIo_517::settingsFiles().saveMakesFolder);
    mdlIniIo_517::setSettingsPath(QString());
    QStandardPaths::setTestModeEnabled(false);
}

} // namespace
