// Open JTalk's voice as a child process per utterance: what it is given, what
// it says, how its processes end, and what the sound device hears.

#include "DiskAudio.h"
#include "platform/AppError.h"
#include "platform/DataPaths.h"
#include "readings/Yomi.h"
#include "sound/AudioOutput.h"
#include "speech/OpenJTalkSpeech.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

namespace {

const auto* const diskAudio = ::testing::AddGlobalTestEnvironment(new DiskAudio);

OpenJTalkSpeech::Paths mei()
{
    return {DataPaths::openJTalkProgram().path, DataPaths::openJTalkDictionary().path,
            QStringLiteral(VOICES_DIR "/") + DataPaths::DefaultVoiceFile};
}

// This process's children running a program of that name, zombies included.
int children(const QString& name)
{
    int count = 0;
    const QString self = QString::number(getpid());
    for (QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot); it.hasNext();) {
        QFile stat(it.next() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid ...
        const QString line = QString::fromLocal8Bit(stat.readAll());
        const qsizetype open = line.indexOf(QLatin1Char('('));
        const qsizetype close = line.lastIndexOf(QLatin1Char(')'));
        if (open < 0 || close < open)
            continue;
        const QStringList rest = line.mid(close + 2).split(QLatin1Char(' '));
        if (rest.size() > 1 && rest[1] == self && line.mid(open + 1, close - open - 1) == name)
            ++count;
    }
    return count;
}

bool waitFor(const std::function<bool()>& done, int ms = 20000)
{
    return QTest::qWaitFor(done, ms);
}

// The PCM a voice hands to the output.
struct Heard
{
    std::size_t samples = 0;
    int parts = 0;
    int rate = 0;
};

class OpenJTalkSpeechTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        voice = std::make_unique<OpenJTalkSpeech>(mei());
        voice->setPcmTap([this](const std::int16_t*, std::size_t count, int rate) {
            heard.samples += count;
            ++heard.parts;
            heard.rate = rate;
        });
        // The engine reads Open JTalk's dictionary once in the background.
        ASSERT_TRUE(waitFor([this] { return voice->loaded(); }));
        ASSERT_EQ(children(QStringLiteral("open_jtalk")), 0);
    }
    void TearDown() override
    {
        voice.reset();
        AudioOutput::instance().clearSpeech();
        EXPECT_EQ(children(QStringLiteral("open_jtalk")), 0);
    }

    std::size_t samplesOf(const QString& text)
    {
        heard = {};
        voice->Speak(text);
        EXPECT_TRUE(waitFor([this] { return !voice->synthesising(); }));
        voice->Stop();
        return heard.samples;
    }

    QTemporaryDir dir;
    std::unique_ptr<OpenJTalkSpeech> voice;
    Heard heard;
};

const QString Announcement = QStringLiteral("次は、市民病院前です。お降りの方は、お知らせください。");

} // namespace

TEST(OpenJTalkSay, ReadingsOpenJTalkWouldMissAreGivenAsReadings)
{
    Yomi::setUserReadings({{QStringLiteral("喜連瓜破"), QStringLiteral("キレウリワリ")}});
    struct Case
    {
        const char* text;
        const char* givenAs; // in the text given to Open JTalk
        const char* kept;    // as written
    };
    const Case cases[] = {
        {"市民病院前行きです。", "ユキ", "市民病院"},
        {"お降りの方はお知らせください。", "カタ", "お知らせ"},
        {"放出《はなてん》行きのバスです。", "ハナテン", "バス"},
        {"次は喜連瓜破です。", "キレウリワリ", "次は"},
        {"営業所行のバスです。", "ユキ", "営業"},
        {"このバスは12系統です。", "12", "系統"},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const OpenJTalkSpeech::Said said = OpenJTalkSpeech::say(mei(), text);
        EXPECT_TRUE(said.input.contains(QString::fromUtf8(c.givenAs))) << c.text << " -> " << said.input.toStdString();
        EXPECT_TRUE(said.input.contains(QString::fromUtf8(c.kept))) << c.text << " -> " << said.input.toStdString();
        EXPECT_EQ(OpenJTalkText::soundKey(said.spoken), OpenJTalkText::soundKey(Yomi::toSpeakable(text)))
            << c.text << " given as " << said.input.toStdString();
        EXPECT_TRUE(said.agreed) << c.text;
    }
    Yomi::setUserReadings({});
}

TEST(OpenJTalkSay, YomiPrintsWhatOpenJTalkSays)
{
    // yomi finds the voices beside itself, in the build tree's voices folder.
    QProcess tool;
    tool.start(QStringLiteral(YOMI_TOOL), {QStringLiteral("--engine"), QStringLiteral("open-jtalk"),
                                           QStringLiteral("市民病院前行き"), QStringLiteral("お降りの方")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(OpenJTalkText::soundKey(lines[0]), OpenJTalkText::soundKey(QStringLiteral("シミンビョーインマエユキ")));
    EXPECT_EQ(OpenJTalkText::soundKey(lines[1]), OpenJTalkText::soundKey(QStringLiteral("オオリノカタ")));

    tool.start(QStringLiteral(YOMI_TOOL), {QStringLiteral("--engine"), QStringLiteral("festival")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 2);
}

TEST_F(OpenJTalkSpeechTest, SpeaksThroughTheOutputAndLeavesNoProcessOrFile)
{
    // The runs make no file: speech and trace come through pipes.
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    voice->Speak(Announcement);
    EXPECT_EQ(voice->Status(), 0);
    // Each sentence is heard as soon as it is made.
    ASSERT_TRUE(waitFor([this] { return heard.samples > 0; }));
    EXPECT_TRUE(AudioOutput::instance().isSpeaking());
    ASSERT_TRUE(waitFor([this] { return !voice->synthesising(); }));
    EXPECT_EQ(heard.parts, 2);
    EXPECT_EQ(heard.rate, 48000);
    const double seconds = static_cast<double>(heard.samples) / heard.rate;
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 8.0);
    EXPECT_EQ(children(QStringLiteral("open_jtalk")), 0);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    voice->Stop();
    EXPECT_FALSE(AudioOutput::instance().isSpeaking());
    qputenv("TMPDIR", oldTmp);
}

TEST_F(OpenJTalkSpeechTest, StopEndsTheProcessAtOnceAndLeavesNoZombie)
{
    voice->Speak(Announcement.repeated(12));
    ASSERT_TRUE(voice->synthesising());
    EXPECT_EQ(children(QStringLiteral("open_jtalk")), 1);
    voice->Stop();
    EXPECT_FALSE(voice->synthesising());
    EXPECT_EQ(children(QStringLiteral("open_jtalk")), 0) << "the process is gone and reaped";
    QTest::qWait(300);
    EXPECT_EQ(heard.samples, 0u) << "nothing of it reached the output";
    EXPECT_EQ(voice->Status(), 0);
}

TEST_F(OpenJTalkSpeechTest, ANewUtteranceCutsTheOneBeingSynthesised)
{
    const QString shortText = QStringLiteral("終点です。");
    const std::size_t alone = samplesOf(shortText);
    ASSERT_GT(alone, 0u);

    heard = {};
    voice->Speak(Announcement.repeated(12));
    ASSERT_TRUE(voice->synthesising());
    voice->Speak(shortText);
    EXPECT_EQ(children(QStringLiteral("open_jtalk")), 1);
    ASSERT_TRUE(waitFor([this] { return !voice->synthesising(); }));
    QTest::qWait(100);
    EXPECT_EQ(heard.samples, alone) << "only the second one is heard, and whole";
    EXPECT_EQ(voice->Status(), 0);
}

TEST_F(OpenJTalkSpeechTest, TheRowAheadIsReadyAndStartsAtOnce)
{
    const QString next = QStringLiteral("次は、終点、駅前です。");
    voice->Speak(Announcement);
    voice->Prepare(next);
    // The one ahead waits while the one speaking is synthesised.
    EXPECT_EQ(children(QStringLiteral("open_jtalk")), 1);
    ASSERT_TRUE(waitFor([&] { return voice->prepared(next); }));
    EXPECT_EQ(children(QStringLiteral("open_jtalk")), 0);

    heard = {};
    voice->Speak(next);
    EXPECT_GT(heard.samples, 0u) << "the speech was handed over inside Speak";
    EXPECT_FALSE(voice->synthesising());

    // Made ready with other values, it is made again.
    voice->Prepare(Announcement);
    ASSERT_TRUE(waitFor([&] { return voice->prepared(Announcement); }));
    voice->setSettings({200, 50, 100});
    EXPECT_FALSE(voice->prepared(Announcement));
}

TEST_F(OpenJTalkSpeechTest, SettingsReachTheVoice)
{
    const QString text = QStringLiteral("次は市役所前です。");
    const std::size_t normal = samplesOf(text);
    voice->setSettings({VoiceSettings::MaxRate, 50, 100});
    EXPECT_LT(samplesOf(text), normal * 3 / 4) << "faster";
    voice->setSettings({VoiceSettings::MinRate, 50, 100});
    EXPECT_GT(samplesOf(text), normal * 3 / 2) << "slower";

    int loudest = 0;
    voice->setPcmTap([&](const std::int16_t* samples, std::size_t count, int) {
        for (std::size_t i = 0; i < count; ++i)
            loudest = std::max(loudest, std::abs(static_cast<int>(samples[i])));
    });
    voice->setSettings({150, 50, 0});
    samplesOf(text);
    EXPECT_EQ(loudest, 0) << "volume 0 is silent";
    voice->setSettings({150, 50, 100});
    samplesOf(text);
    EXPECT_GT(loudest, 3000);
}

TEST(OpenJTalkFailures, MissingPiecesAndFailingRunsAreSaid)
{
    QTemporaryDir dir;
    const auto script = [&dir](const char* name, const char* body) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("#!/bin/sh\ncat >/dev/null\n") + body);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    };
    struct Missing
    {
        OpenJTalkSpeech::Paths paths;
        const char* says;
    };
    OpenJTalkSpeech::Paths noProgram = mei();
    noProgram.program = dir.filePath(QStringLiteral("open_jtalk"));
    OpenJTalkSpeech::Paths noDictionary = mei();
    noDictionary.dictionary = dir.path();
    OpenJTalkSpeech::Paths noVoice = mei();
    noVoice.voice = dir.filePath(QStringLiteral("mei.htsvoice"));
    for (const Missing& m : {Missing{noProgram, "open-jtalk"}, Missing{noDictionary, "open-jtalk-mecab-naist-jdic"},
                             Missing{noVoice, "mei.htsvoice"}}) {
        EXPECT_TRUE(OpenJTalkSpeech::missing(m.paths).contains(QString::fromUtf8(m.says))) << m.says;
        try {
            OpenJTalkSpeech voice(m.paths);
            ADD_FAILURE() << "made without " << m.says;
        } catch (const AppError& e) {
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(m.says))) << e.what();
        }
    }
    EXPECT_THROW(OpenJTalkSpeech::say(noProgram, QStringLiteral("次は")), AppError);

    struct Failing
    {
        const char* what;
        QString program;
    };
    const Failing failing[] = {
        {"exits with an error", script("fails", "echo broken >&2\nexit 1\n")},
        {"writes no WAV", script("garbage", "echo not a wav\n")},
        {"is killed", script("killed", "kill -9 $$\n")},
    };
    for (const Failing& f : failing) {
        OpenJTalkSpeech::Paths paths = mei();
        paths.program = f.program;
        OpenJTalkSpeech voice(paths);
        bool heard = false;
        voice.setPcmTap([&heard](const std::int16_t*, std::size_t, int) { heard = true; });
        voice.Speak(Announcement);
        EXPECT_TRUE(waitFor([&voice] { return voice.Status() == -1; })) << f.what;
        EXPECT_FALSE(heard) << f.what;
        EXPECT_THROW(OpenJTalkSpeech::say(paths, Announcement), AppError) << f.what;
        // The next request starts afresh.
        voice.Stop();
        EXPECT_EQ(voice.Status(), 0) << f.what;
    }

    // A program that goes after the voice was made cannot start.
    OpenJTalkSpeech::Paths vanishing = mei();
    vanishing.program = script("vanishing", "exit 0\n");
    OpenJTalkSpeech voice(vanishing);
    ASSERT_TRUE(waitFor([&voice] { return voice.loaded(); }));
    QFile::remove(vanishing.program);
    voice.Speak(Announcement);
    EXPECT_TRUE(waitFor([&voice] { return voice.Status() == -1; }));
    EXPECT_FALSE(voice.synthesising());
}

// What the sound device hears: the announcement's length, and a pause at each
// 、 and 。 inside it.
TEST_F(OpenJTalkSpeechTest, TheDeviceHearsTheAnnouncementWithItsPauses)
{
    const qint64 start = QFileInfo(DiskAudio::file()).size() / 4 * 4;
    voice->Speak(Announcement);
    ASSERT_TRUE(waitFor([this] { return !voice->synthesising(); }));
    const double seconds = static_cast<double>(heard.samples) / heard.rate;
    ASSERT_TRUE(waitFor([] { return !AudioOutput::instance().isSpeaking(); }, static_cast<int>(seconds * 1000) + 5000));
    // A little silence pushes the rest out to the file.
    QTest::qWait(200);
    QFile file(DiskAudio::file());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    file.seek(start);
    const QByteArray bytes = file.readAll();
    const auto* frames = reinterpret_cast<const std::int16_t*>(bytes.constData());
    const std::size_t count = static_cast<std::size_t>(bytes.size() / 4);

    // Loudness per 10 ms, left channel.
    constexpr std::size_t Window = AudioOutput::SampleRate / 100;
    std::vector<int> loudness;
    for (std::size_t at = 0; at + Window <= count; at += Window) {
        int peak = 0;
        for (std::size_t i = at; i < at + Window; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(frames[2 * i])));
        loudness.push_back(peak);
    }
    constexpr int Quiet = 300;
    const auto first = std::find_if(loudness.begin(), loudness.end(), [](int p) { return p > Quiet; });
    const auto last = std::find_if(loudness.rbegin(), loudness.rend(), [](int p) { return p > Quiet; }).base();
    ASSERT_LT(first, last) << "nothing was heard";
    const double heardSeconds = static_cast<double>(last - first) / 100.0;
    EXPECT_GT(heardSeconds, 2.5);
    // The speech less its opening and closing silence; on a busy machine the
    // second sentence may come after the first has ended.
    EXPECT_LT(heardSeconds, seconds + 2.0);

    // Silences of 150 ms or more between the first and the last sound.
    int pauses = 0;
    int quiet = 0;
    for (auto it = first; it != last; ++it) {
        if (*it <= Quiet) {
            ++quiet;
            continue;
        }
        pauses += quiet >= 15 ? 1 : 0;
        quiet = 0;
    }
    EXPECT_EQ(pauses, 3) << "after 次は、 after です。 and after 方は、";
}
