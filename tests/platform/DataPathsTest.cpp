#include "platform/DataPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

class DataPathsTest : public ::testing::Test
{
public:
    QString at(const QString& relative) const { return QDir(m_dir.path()).filePath(relative); }

    QString makeDir(const QString& relative) const
    {
        QDir().mkpath(at(relative));
        return QDir::cleanPath(at(relative));
    }

    QString makeFile(const QString& relative, const QByteArray& content = "x") const
    {
        QDir().mkpath(QFileInfo(at(relative)).absolutePath());
        QFile file(at(relative));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return at(relative);
    }

protected:
    QTemporaryDir m_dir;
};

// The programs' folder of an installed tree or of a build tree, and what it
// must find there.
TEST_F(DataPathsTest, SamplesBesideInstalledOrBuiltProgram)
{
    struct Case
    {
        const char* name;
        std::function<void(const DataPathsTest&)> arrange;
        QString programDir;
        QString expected; // relative to the temporary folder; empty: none
    };
    const QString installedSamples = QDir::cleanPath(QStringLiteral("usr/bin/") + DataPaths::dataFromProgramDir()
                                                     + QStringLiteral("/samples"));
    const Case cases[] = {
        {"installed", [&](const DataPathsTest& t) { t.makeDir(installedSamples); }, "usr/bin", installedSamples},
        {"build tree", [](const DataPathsTest& t) { t.makeDir("build/samples"); t.makeDir("build/bin"); },
         "build/bin", "build/samples"},
        // Test programs sit in build/tests: the build's samples are not theirs.
        {"tests folder", [](const DataPathsTest& t) { t.makeDir("build/samples"); t.makeDir("build/tests"); },
         "build/tests", ""},
        {"installed wins over a samples folder beside bin",
         [&](const DataPathsTest& t) { t.makeDir(installedSamples); t.makeDir("usr/samples"); }, "usr/bin",
         installedSamples},
        {"nothing there", [](const DataPathsTest& t) { t.makeDir("opt/bin"); }, "opt/bin", ""},
        // A file where the folder should be is not a samples folder.
        {"file in the way", [](const DataPathsTest& t) { t.makeFile("b/samples"); t.makeDir("b/bin"); }, "b/bin",
         ""},
    };
    for (const Case& c : cases) {
        QTemporaryDir fresh;
        m_dir.swap(fresh);
        c.arrange(*this);
        const QString expected = c.expected.isEmpty() ? QString() : QDir::cleanPath(at(c.expected));
        EXPECT_EQ(DataPaths::samplesDirFor(at(c.programDir)), expected) << c.name;
    }
    EXPECT_EQ(DataPaths::samplesDirFor(QString()), QString());
}

TEST_F(DataPathsTest, SoundFontFromOverrideOrFirstUsableCandidate)
{
    const QString good = makeFile(QStringLiteral("sf2/good.sf2"));
    const QString other = makeFile(QStringLiteral("sf2/other.sf2"));
    const QString folder = makeDir(QStringLiteral("sf2/folder.sf2"));
    const QString absent = at(QStringLiteral("sf2/absent.sf2"));

    struct Case
    {
        const char* name;
        QString overridePath;
        QStringList candidates;
        QString expected;
    };
    const Case cases[] = {
        {"first candidate", {}, {good, other}, good},
        {"missing, empty and folder candidates are skipped", {}, {absent, {}, folder, other, good}, other},
        {"override wins", other, {good}, other},
    };
    for (const Case& c : cases) {
        const DataPaths::Located found = DataPaths::findSoundFont(c.overridePath, c.candidates);
        EXPECT_TRUE(found.found()) << c.name;
        EXPECT_EQ(found.path, c.expected) << c.name;
        EXPECT_TRUE(found.missing.isEmpty()) << c.name;
    }
}

TEST_F(DataPathsTest, MissingSoundFontSaysWhatToDo)
{
    const QString good = makeFile(QStringLiteral("good.sf2"));
    const QString absent = at(QStringLiteral("absent.sf2"));

    // An override that names nothing usable is not silently replaced by the
    // system's soundfont: the user asked for that file.
    const DataPaths::Located wrong = DataPaths::findSoundFont(absent, {good});
    EXPECT_FALSE(wrong.found());
    EXPECT_EQ(wrong.path, absent);
    EXPECT_TRUE(wrong.missing.contains(DataPaths::SoundFontVariable));
    EXPECT_TRUE(wrong.missing.contains(absent));

    const DataPaths::Located none = DataPaths::findSoundFont({}, {absent, QString()});
    EXPECT_FALSE(none.found());
    EXPECT_TRUE(none.missing.contains(QStringLiteral("timgm6mb-soundfont")));
    EXPECT_TRUE(none.missing.contains(DataPaths::SoundFontVariable));
    EXPECT_FALSE(none.path.isEmpty()) << "a later failure to open it should still name a file";
}

TEST_F(DataPathsTest, SoundFontCandidatesEndWithDebianFiles)
{
    const QStringList candidates = DataPaths::soundFontCandidates();
    ASSERT_GE(candidates.size(), 2);
    EXPECT_TRUE(candidates.contains(QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")));
    EXPECT_EQ(candidates.last(), QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"));
    EXPECT_LT(candidates.indexOf(QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")), candidates.size() - 1);
}

TEST_F(DataPathsTest, TheSystemDefaultDictionaryIsNeverACandidate)
{
    // Debian's default follows whichever dictionary was installed last; the
    // readings are made for one dictionary only.
    const QStringList candidates = DataPaths::dictionaryCandidates();
    ASSERT_EQ(candidates.size(), 1);
    EXPECT_FALSE(candidates[0].endsWith(QStringLiteral("/dic/debian")));
    EXPECT_TRUE(candidates[0].contains(QStringLiteral("ipadic")));
}

TEST_F(DataPathsTest, DictionaryIsAFolderWithSysDic)
{
    const QString ipadic = makeDir(QStringLiteral("ipadic-utf8"));
    makeFile(QStringLiteral("ipadic-utf8/sys.dic"));
    const QString other = makeDir(QStringLiteral("other"));
    makeFile(QStringLiteral("other/sys.dic"));
    const QString empty = makeDir(QStringLiteral("empty"));
    makeDir(QStringLiteral("folder/sys.dic"));
    const QString folderNamedSysDic = at(QStringLiteral("folder"));

    struct Case
    {
        const char* name;
        QString overrideDir;
        QStringList candidates;
        QString expected;
    };
    const Case cases[] = {
        {"first candidate", {}, {ipadic, other}, ipadic},
        {"candidates without sys.dic are skipped", {}, {{}, empty, folderNamedSysDic, other}, other},
        {"override wins", other, {ipadic}, other},
    };
    for (const Case& c : cases) {
        const DataPaths::Located found = DataPaths::findDictionary(c.overrideDir, c.candidates);
        EXPECT_TRUE(found.found()) << c.name;
        EXPECT_EQ(found.path, c.expected) << c.name;
    }

    const DataPaths::Located wrong = DataPaths::findDictionary(empty, {ipadic});
    EXPECT_FALSE(wrong.found());
    EXPECT_EQ(wrong.path, empty);
    EXPECT_TRUE(wrong.missing.contains(DataPaths::DictionaryVariable));
    EXPECT_TRUE(wrong.missing.contains(empty));

    const DataPaths::Located none = DataPaths::findDictionary({}, {empty});
    EXPECT_FALSE(none.found());
    EXPECT_TRUE(none.missing.contains(QStringLiteral("mecab-ipadic-utf8")));
    EXPECT_TRUE(none.missing.contains(DataPaths::DictionaryVariable));
    EXPECT_EQ(none.path, QStringLiteral("/var/lib/mecab/dic/ipadic-utf8"));
}

// The lookups that the program makes, steered by their variables.
TEST_F(DataPathsTest, VariablesSteerTheProgramsLookups)
{
    const QString font = makeFile(QStringLiteral("my.sf2"));
    const QString dic = makeDir(QStringLiteral("mydic"));
    makeFile(QStringLiteral("mydic/sys.dic"));
    const QByteArray fontVar = DataPaths::SoundFontVariable.toLatin1();
    const QByteArray dicVar = DataPaths::DictionaryVariable.toLatin1();
    const QByteArray oldFont = qgetenv(fontVar.constData());
    const QByteArray oldDic = qgetenv(dicVar.constData());

    const QByteArray voicesVar = DataPaths::VoicesVariable.toLatin1();
    qputenv(voicesVar.constData(), VOICES_DIR);
    qputenv(fontVar.constData(), QFile::encodeName(font));
    qputenv(dicVar.constData(), QFile::encodeName(dic));
    EXPECT_EQ(DataPaths::soundFont().path, font);
    EXPECT_EQ(DataPaths::mecabDictionary().path, dic);
    EXPECT_TRUE(DataPaths::missingNotes().isEmpty());

    qputenv(fontVar.constData(), QFile::encodeName(at(QStringLiteral("none.sf2"))));
    qputenv(dicVar.constData(), QFile::encodeName(at(QStringLiteral("nodic"))));
    const QStringList notes = DataPaths::missingNotes();
    ASSERT_EQ(notes.size(), 2);
    EXPECT_TRUE(notes[0].contains(DataPaths::SoundFontVariable));
    EXPECT_TRUE(notes[1].contains(DataPaths::DictionaryVariable));

    // An empty variable counts as not set.
    qputenv(fontVar.constData(), QByteArray());
    EXPECT_NE(DataPaths::soundFont().path, QString());
    EXPECT_FALSE(DataPaths::soundFont().missing.contains(DataPaths::SoundFontVariable + QStringLiteral(" の")));

    if (oldFont.isNull())
        qunsetenv(fontVar.constData());
    else
        qputenv(fontVar.constData(), oldFont);
    if (oldDic.isNull())
        qunsetenv(dicVar.constData());
    else
        qputenv(dicVar.constData(), oldDic);
    qunsetenv(voicesVar.constData());
}

// What is missing for Open JTalk is said in one line that names what to
// install; the voices are found beside the program like the samples.
TEST_F(DataPathsTest, OpenJTalksMissingPiecesAreNamedInOneLine)
{
    const QByteArray voicesVar = DataPaths::VoicesVariable.toLatin1();
    const QByteArray oldPath = qgetenv("PATH");
    const QString bin = makeDir(QStringLiteral("bin"));
    makeFile(QStringLiteral("voices/") + DataPaths::DefaultVoiceFile);
    struct Case
    {
        const char* what;
        QString path;   // PATH
        QString voices; // the variable
        QStringList says;
    };
    const Case cases[] = {
        {"all there", QString::fromLocal8Bit(oldPath), at(QStringLiteral("voices")), {}},
        {"no open_jtalk on the path", bin, at(QStringLiteral("voices")), {QStringLiteral("open-jtalk を")}},
        {"a voices folder without Mei", QString::fromLocal8Bit(oldPath), bin,
         {DataPaths::VoicesVariable, DataPaths::DefaultVoiceFile}},
    };
    for (const Case& c : cases) {
        qputenv("PATH", QFile::encodeName(c.path));
        qputenv(voicesVar.constData(), QFile::encodeName(c.voices));
        const QString note = DataPaths::openJTalkMissing();
        EXPECT_EQ(note.isEmpty(), c.says.isEmpty()) << c.what << ": " << note.toStdString();
        EXPECT_FALSE(note.contains(QLatin1Char('\n'))) << c.what;
        for (const QString& word : c.says)
            EXPECT_TRUE(note.contains(word)) << c.what << ": " << note.toStdString();
        if (!c.says.isEmpty()) {
            EXPECT_TRUE(note.contains(QStringLiteral("espeak-ng"))) << c.what;
            EXPECT_TRUE(DataPaths::missingNotes().contains(note)) << c.what;
        }
    }
    qputenv("PATH", oldPath);
    qunsetenv(voicesVar.constData());
    EXPECT_TRUE(DataPaths::openJTalkDictionary().found()) << "open-jtalk-mecab-naist-jdic is installed by the set-up";

    makeFile(QStringLiteral("build/voices/") + DataPaths::DefaultVoiceFile);
    makeDir(QStringLiteral("build/bin"));
    makeDir(QStringLiteral("build/tests"));
    makeDir(QStringLiteral("build/samples"));
    EXPECT_EQ(DataPaths::voicesDirFor(at(QStringLiteral("build/bin"))), QDir::cleanPath(at(QStringLiteral("build/voices"))));
    EXPECT_EQ(DataPaths::voicesDirFor(at(QStringLiteral("build/tests"))), QString());
    makeDir(QStringLiteral("other/voices"));
    makeDir(QStringLiteral("other/bin"));
    EXPECT_EQ(DataPaths::voicesDirFor(at(QStringLiteral("other/bin"))), QString()) << "a folder without Mei";
}

} // namespace
