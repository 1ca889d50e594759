#include "DiskAudio.h"
#include "SoundFixture.h"
#include "platform/ApiLib.h"
#include "sound/AudioOutput.h"
#include "sound/Mci.h"
#include "sound/SoundDecoder.h"
#include "sound/mdlSndAPI.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using namespace SoundFixture;

// The output makes a synthesiser for songs in the background once it is
// ready; loading the soundfont would take the processor from the first
// test's sounds. It is waited for as the output opens instead.
const auto* const diskAudio =
    ::testing::AddGlobalTestEnvironment(new DiskAudio([] { SoundDecoder::prepareSynthesiser(); }));

// What the driver writes from about the moment this is made. The driver's
// file is written through a stdio buffer, so its size lags what was mixed by
// up to two blocks (23 ms): a recording may begin with the tail of whatever
// sounded just before it, and each test leaves the output silent for longer
// than that.
class Recording
{
public:
    Recording()
        : m_start(QFileInfo(DiskAudio::file()).size() / 4 * 4)
    {
    }

    // A tenth of a second of silence pushes what was mixed before it out to
    // the file.
    std::vector<int> left() const { return side(0); }
    std::vector<int> right() const { return side(1); }

private:
    std::vector<int> side(int which) const
    {
        QTest::qWait(150);
        QFile file(DiskAudio::file());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        file.seek(m_start);
        const QByteArray bytes = file.readAll();
        const auto* frames = reinterpret_cast<const std::int16_t*>(bytes.constData());
        std::vector<int> samples(static_cast<std::size_t>(bytes.size() / 4));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = frames[2 * i + which];
        return samples;
    }

    qint64 m_start;
};

constexpr int FramesPerMs = AudioOutput::SampleRate / 1000;

int audibleMs(const std::vector<int>& left)
{
    return static_cast<int>(std::count_if(left.begin(), left.end(), [](int v) { return v != 0; })) / FramesPerMs;
}

// The values that last at least minMs, in order, each once per stretch.
std::vector<int> lastingValues(const std::vector<int>& left, int minMs = 20)
{
    std::vector<int> values;
    std::size_t i = 0;
    while (i < left.size()) {
        std::size_t j = i;
        while (j < left.size() && left[j] == left[i])
            ++j;
        if (left[i] != 0 && j - i >= static_cast<std::size_t>(minMs) * FramesPerMs && (values.empty() || values.back() != left[i]))
            values.push_back(left[i]);
        i = j;
    }
    return values;
}

bool contains(const std::vector<int>& left, int value)
{
    return std::find(left.begin(), left.end(), value) != left.end();
}

QString alias(const char* channel)
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QLatin1String(channel);
}

class Sound : public ::testing::Test
{
protected:
    void TearDown() override
    {
        mdlSndAPI::CloseAllSnd();
        AudioOutput::instance().clearSpeech();
        QTest::qWait(100);
    }

    QString wav(const QString& name, const Samples& samples)
    {
        return writeWav(m_dir.filePath(name), samples);
    }

    QTemporaryDir m_dir;
};

TEST_F(Sound, SecondPlayOnAChannelRestartsItFromTheBeginning)
{
    const QString click = wav(QStringLiteral("click.wav"), ramp(400));
    Recording rec;
    mdlSndAPI::PlaySnd(click, QStringLiteral("S1"), 0, 0);
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(150);
    const int between = static_cast<int>(clock.elapsed());
    mdlSndAPI::PlaySnd(click, QStringLiteral("S1"), 0, 0);
    QTest::qWait(450);
    const auto left = rec.left();

    std::vector<int> heard;
    std::copy_if(left.begin(), left.end(), std::back_inserter(heard), [](int v) { return v != 0; });
    ASSERT_FALSE(heard.empty());
    const auto drop = std::adjacent_find(heard.begin(), heard.end(), [](int a, int b) { return b < a; });
    ASSERT_NE(drop, heard.end()) << "the second press must start the sound again";
    // Each play starts with the next block the device takes, up to 12 ms on.
    EXPECT_NEAR(*drop, between / 10, 3) << "the first sound is cut where the second press came";
    EXPECT_EQ(drop[1], 1);
    EXPECT_EQ(std::adjacent_find(drop + 1, heard.end(), [](int a, int b) { return b < a; }), heard.end());
    EXPECT_EQ(heard.back(), 40) << "the second sound plays to its end";
    EXPECT_NEAR(audibleMs(left), between + 400, 30);
}

TEST_F(Sound, ANewSoundCutsOnlyTheSoundOnItsOwnChannel)
{
    const QString chime = wav(QStringLiteral("chime.wav"), constant(100, 700));
    const QString announce = wav(QStringLiteral("back.wav"), constant(1000, 700));
    const QString step = wav(QStringLiteral("step.wav"), constant(3000, 200));
    Recording rec;
    mdlSndAPI::PlaySnd(chime, QStringLiteral("S3"), 0, 0);
    mdlSndAPI::PlaySnd(announce, QStringLiteral("S2"), 0, 0);
    QTest::qWait(150);
    mdlSndAPI::PlaySnd(step, QStringLiteral("S2"), 0, 0);
    QTest::qWait(700);
    const auto left = rec.left();

    // S3 under the first S2 sound, then under the second, then alone.
    EXPECT_EQ(lastingValues(left), (std::vector<int>{1100, 3100, 100}));
    EXPECT_FALSE(contains(left, 4100)) << "two sounds on one channel never overlap";
    EXPECT_NEAR(audibleMs(left), 700, 40) << "the S3 chime plays to its end";
}

TEST_F(Sound, NamesWithoutAPlayableEndingStopTheChannelAndPlayNothing)
{
    const QString longSound = wav(QStringLiteral("long.wav"), constant(1000, 1000));
    for (const char* name : {"x.wave", "x.midi", "x.wav ", "x.wa"}) {
        SCOPED_TRACE(name);
        // Playable content: only the name may keep it from playing.
        const QString other = wav(QString::fromLatin1(name), constant(500, 300));
        Recording rec;
        QElapsedTimer clock;
        clock.start();
        mdlSndAPI::PlaySnd(longSound, QStringLiteral("S2"), 0, 0);
        QTest::qWait(100);
        mdlSndAPI::PlaySnd(other, QStringLiteral("S2"), 0, 0);
        const int played = static_cast<int>(clock.elapsed());
        EXPECT_FALSE(AudioOutput::instance().isPlaying(1));
        QTest::qWait(300);
        const auto left = rec.left();
        EXPECT_TRUE(contains(left, 1000));
        EXPECT_FALSE(contains(left, 500));
        EXPECT_LE(audibleMs(left), played + 25);
        EXPECT_EQ(mciSendStringA(QStringLiteral("play ") + alias("S2")), MciError::InvalidDeviceName)
            << "the channel is left closed";
    }
}

TEST_F(Sound, EndingsInAnyCaseAndNamesWithBlanksPlay)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("my sounds")));
    const struct
    {
        const char* file;  // as written
        const char* asked; // as the settings name it
        int value;
    } cases[] = {
        {"lower.wav", "lower.wav", 1001},
        {"UPPER.WAV", "UPPER.WAV", 1002},
        {"Mixed.Wav", "Mixed.Wav", 1003},
        {"my sounds/two words.wav", "my sounds/two words.wav", 1004},
        {"Case.wav", "case.WAV", 1005},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        wav(QString::fromUtf8(c.file), constant(static_cast<std::int16_t>(c.value), 200));
        Recording rec;
        mdlSndAPI::PlaySnd(m_dir.filePath(QString::fromUtf8(c.asked)), QStringLiteral("S1"), 0, 0);
        EXPECT_TRUE(AudioOutput::instance().isPlaying(0));
        QTest::qWait(250);
        EXPECT_EQ(lastingValues(rec.left()), std::vector<int>{c.value});
        EXPECT_EQ(lastingValues(rec.right()), std::vector<int>{c.value});
    }

    // A stereo file keeps its sides apart.
    Samples stereo;
    for (int i = 0; i < 200 * FramesPerMs; ++i)
        stereo.insert(stereo.end(), {1006, 2006});
    const QString both = writeWav(m_dir.filePath(QStringLiteral("stereo.wav")), stereo, 2);
    Recording rec;
    mdlSndAPI::PlaySnd(both, QStringLiteral("S1"), 0, 0);
    QTest::qWait(250);
    EXPECT_EQ(lastingValues(rec.left()), std::vector<int>{1006});
    EXPECT_EQ(lastingValues(rec.right()), std::vector<int>{2006});

    // MP3 and MIDI by their endings, in any case.
    const QString mp3 = writeMp3(m_dir.filePath(QStringLiteral("tone.Mp3")), constant(8000, 300));
    const QString mid = writeMidi(m_dir.filePath(QStringLiteral("tune.MID")), 300);
    for (const QString& file : {mp3, mid}) {
        SCOPED_TRACE(file.toStdString());
        Recording rec;
        mdlSndAPI::PlaySnd(file, QStringLiteral("S3"), 0, 0);
        EXPECT_TRUE(AudioOutput::instance().isPlaying(2));
        QTest::qWait(350);
        EXPECT_GT(audibleMs(rec.left()), 200);
    }
}

TEST_F(Sound, MissingOrHiddenFilesLeaveTheChannelPlaying)
{
    const QString playing = wav(QStringLiteral("playing.wav"), constant(1000, 500));
    wav(QStringLiteral(".hidden.wav"), constant(500, 300));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.wav")));
    Recording rec;
    mdlSndAPI::PlaySnd(playing, QStringLiteral("S2"), 0, 0);
    QTest::qWait(50);
    for (const QString& file : {QString(), m_dir.filePath(QStringLiteral("missing.wav")),
                                m_dir.filePath(QStringLiteral(".hidden.wav")),
                                m_dir.filePath(QStringLiteral("folder.wav"))}) {
        SCOPED_TRACE(file.toStdString());
        mdlSndAPI::PlaySnd(file, QStringLiteral("S2"), 0, 0);
        EXPECT_TRUE(AudioOutput::instance().isPlaying(1));
    }
    QTest::qWait(500);
    const auto left = rec.left();
    EXPECT_EQ(lastingValues(left), std::vector<int>{1000});
    EXPECT_NEAR(audibleMs(left), 500, 30);
}

TEST_F(Sound, WaitedPlayReturnsWhenTheSoundHasEndedAndThenSleepsTheDelay)
{
    const QString step = wav(QStringLiteral("step.wav"), constant(1000, 300));
    QList<int> sleeps;
    ApiLib::setSleeper([&sleeps](int ms) { sleeps.append(ms); });
    int ticks = 0;
    QTimer timer;
    timer.callOnTimeout([&ticks] { ++ticks; });
    timer.start(20);

    QElapsedTimer clock;
    clock.start();
    mdlSndAPI::PlaySnd(step, QStringLiteral("S2"), -1, 250);
    const qint64 waited = clock.elapsed();
    // The disk driver takes blocks a little faster than they play.
    EXPECT_GE(waited, 260);
    EXPECT_LT(waited, 1000);
    EXPECT_FALSE(AudioOutput::instance().isPlaying(1));
    EXPECT_GE(ticks, 8) << "timers and painting go on during the wait";
    EXPECT_EQ(sleeps, QList<int>{250});

    sleeps.clear();
    clock.restart();
    mdlSndAPI::PlaySnd(step, QStringLiteral("S2"), 0, 250);
    EXPECT_LT(clock.elapsed(), 150);
    EXPECT_TRUE(AudioOutput::instance().isPlaying(1));
    EXPECT_EQ(sleeps, QList<int>{0}) << "an unwaited play only yields";
    ApiLib::setSleeper({});

    // A waited play ends early when its channel is closed meanwhile.
    QTimer::singleShot(100, [] { mciSendStringA(QStringLiteral("close ") + alias("S2")); });
    clock.restart();
    mdlSndAPI::PlaySnd(wav(QStringLiteral("long.wav"), constant(1000, 2000)), QStringLiteral("S2"), -1, 0);
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST_F(Sound, OpenRefusesWhatItCannotPlay)
{
    const QString good = wav(QStringLiteral("good.wav"), constant(1000, 100));
    QFile full(good);
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    const QByteArray headerOnly = full.read(44);
    const QString s1 = alias("S1");
    const struct
    {
        const char* what;
        QString command;
        std::int32_t result;
    } cases[] = {
        {"text as WAV", QStringLiteral("open \"%1\" type waveaudio alias %2 wait")
                            .arg(writeBytes(m_dir.filePath(QStringLiteral("text.wav")), QByteArray(4000, 'x')), s1),
         MciError::InvalidFile},
        {"empty file", QStringLiteral("open \"%1\" type waveaudio alias %2 wait")
                           .arg(writeBytes(m_dir.filePath(QStringLiteral("empty.wav")), {}), s1),
         MciError::InvalidFile},
        {"header without samples", QStringLiteral("open \"%1\" type waveaudio alias %2 wait")
                                       .arg(writeBytes(m_dir.filePath(QStringLiteral("cut.wav")), headerOnly), s1),
         MciError::InvalidFile},
        {"broken song", QStringLiteral("open \"%1\" type sequencer alias %2 wait")
                            .arg(writeBytes(m_dir.filePath(QStringLiteral("bad.mid")), QByteArray("MThd\0\0\0\6garbage", 15)), s1),
         MciError::InvalidFile},
        {"missing file", QStringLiteral("open \"%1\" type waveaudio alias %2 wait").arg(m_dir.filePath(QStringLiteral("no.wav")), s1),
         MciError::FileNotFound},
        {"no type", QStringLiteral("open \"%1\" alias %2 wait").arg(good, s1), MciError::DeviceTypeRequired},
        {"unknown type", QStringLiteral("open \"%1\" type cdaudio alias %2 wait").arg(good, s1),
         MciError::InvalidDeviceName},
        {"alias without channel", QStringLiteral("open \"%1\" type waveaudio alias board wait").arg(good),
         MciError::InvalidDeviceName},
        {"open quote", QStringLiteral("open \"%1 type waveaudio alias %2 wait").arg(good, s1), MciError::NoClosingQuote},
        {"unknown verb", QStringLiteral("rewind %1").arg(s1), MciError::UnrecognizedCommand},
        {"play of a closed device", QStringLiteral("play %1 from 0").arg(s1), MciError::InvalidDeviceName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(mciSendStringA(c.command), c.result);
        EXPECT_EQ(mciSendStringA(QStringLiteral("close ") + s1), MciError::InvalidDeviceName) << "nothing was opened";
    }

    // The content decides the decoder, whatever type is named.
    EXPECT_EQ(mciSendStringA(QStringLiteral("open \"%1\" type sequencer alias %2 wait").arg(good, s1)), 0);
    EXPECT_EQ(mciSendStringA(QStringLiteral("open \"%1\" type waveaudio alias %2 wait").arg(good, s1)),
              MciError::DeviceOpen);
    EXPECT_EQ(mciSendStringA(QStringLiteral("play %1 from 5").arg(s1)), MciError::UnsupportedFunction);
    EXPECT_EQ(mciSendStringA(QStringLiteral("play %1 from 0").arg(s1.toLower())), 0) << "names ignore letter case";

    // Through PlaySnd a refused file still closes the channel first.
    mdlSndAPI::PlaySnd(good, QStringLiteral("S2"), 0, 0);
    mdlSndAPI::PlaySnd(m_dir.filePath(QStringLiteral("text.wav")), QStringLiteral("S2"), 0, 0);
    EXPECT_FALSE(AudioOutput::instance().isPlaying(1));
}

TEST_F(Sound, CloseAllSndSilencesEveryChannel)
{
    const QString longSound = wav(QStringLiteral("long.wav"), constant(1000, 2000));
    Recording rec;
    QElapsedTimer clock;
    clock.start();
    for (const char* channel : {"S1", "S2", "S3", "S4"})
        mdlSndAPI::PlaySnd(longSound, QLatin1String(channel), 0, 0);
    for (int c = 0; c < AudioOutput::ChannelCount; ++c)
        EXPECT_TRUE(AudioOutput::instance().isPlaying(c));
    QTest::qWait(100);
    mdlSndAPI::CloseAllSnd();
    const qint64 played = clock.elapsed();
    for (int c = 0; c < AudioOutput::ChannelCount; ++c)
        EXPECT_FALSE(AudioOutput::instance().isPlaying(c));
    for (const char* channel : {"S1", "S2", "S3", "S4"})
        EXPECT_EQ(mciSendStringA(QStringLiteral("play ") + alias(channel)), MciError::InvalidDeviceName);
    QTest::qWait(100);
    const auto left = rec.left();
    // Each channel starts with its stream's first block, so four started one
    // after another may come in a block or two apart (a slow build shows it).
    ASSERT_FALSE(lastingValues(left).empty());
    EXPECT_EQ(lastingValues(left).back(), 4000) << "all four sound together";
    EXPECT_GE(audibleMs(left), 80);
    EXPECT_LE(audibleMs(left), played + 25) << "nothing sounds after the close";
}

TEST_F(Sound, ChannelsAndSpeechAddUpAndSaturate)
{
    AudioOutput& out = AudioOutput::instance();
    const auto buffer = [](std::int16_t value, int ms) {
        auto pcm = std::make_shared<PcmBuffer>();
        pcm->samples.assign(static_cast<std::size_t>(ms) * FramesPerMs * 2, value);
        return pcm;
    };
    for (const std::int16_t level : {std::int16_t(30000), std::int16_t(-30000)}) {
        SCOPED_TRACE(level);
        Recording rec;
        out.play(0, buffer(level, 200));
        out.play(1, buffer(level, 200));
        QTest::qWait(250);
        const std::vector<int> saturated{level > 0 ? 32767 : -32768};
        EXPECT_EQ(lastingValues(rec.left()), saturated);
        EXPECT_EQ(lastingValues(rec.right()), saturated);
    }

    // Speech at half the output rate, in chunks: a rising line stays a line,
    // without a step at the chunk borders.
    std::vector<std::int16_t> line(3000);
    for (std::size_t i = 0; i < line.size(); ++i)
        line[i] = static_cast<std::int16_t>(2 * i + 2);
    Recording rec;
    for (std::size_t at = 0; at < line.size(); at += 700)
        out.appendSpeech(line.data() + at, std::min<std::size_t>(700, line.size() - at), 22050);
    EXPECT_TRUE(out.isSpeaking());
    QTest::qWait(250);
    EXPECT_FALSE(out.isSpeaking());
    auto left = rec.left();
    const auto first = std::find(left.begin(), left.end(), 2);
    ASSERT_NE(first, left.end());
    const auto last = std::find(first, left.end(), 0);
    EXPECT_EQ(last - first, 2 * 3000 - 1);
    EXPECT_EQ(std::adjacent_find(first, last, [](int a, int b) { return b - a != 1; }), last);

    // Speech over a sound on a channel; clearSpeech cuts only the speech.
    std::vector<std::int16_t> voice(22050 * 2, 700);
    Recording both;
    out.play(2, buffer(100, 400));
    out.appendSpeech(voice.data(), voice.size(), 22050);
    QTest::qWait(100);
    out.clearSpeech();
    EXPECT_FALSE(out.isSpeaking());
    QTest::qWait(350);
    left = both.left();
    EXPECT_EQ(lastingValues(left), (std::vector<int>{800, 100}));
    EXPECT_NEAR(audibleMs(left), 400, 30);
}

TEST_F(Sound, TheDeviceRestsWhileNothingPlaysAndWakesForSoundsAndSpeech)
{
    AudioOutput& out = AudioOutput::instance();
    const auto buffer = [](int value, int ms) {
        auto pcm = std::make_shared<PcmBuffer>();
        pcm->samples.assign(static_cast<std::size_t>(ms) * FramesPerMs * 2, static_cast<std::int16_t>(value));
        return pcm;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.isPaused(); }, 1000)) << "nothing plays after the last test";

    // A sound started at any moment around the pause plays whole: while the
    // device goes on after the last one, as it is put to rest, and after.
    for (const int gap : {-30, -15, -8, -4, -2, 0, 1, 2, 4, 8, 15, 30, 100}) {
        SCOPED_TRACE(gap);
        Recording rec;
        out.play(0, buffer(1000 + gap, 30));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !out.isPlaying(0); }, 1000));
        QThread::msleep(static_cast<unsigned long>(AudioOutput::RestAfterMs + gap));
        out.play(1, buffer(2000 + gap, 30));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !out.isPlaying(1); }, 1000)) << "the second sound found the device running";
        EXPECT_EQ(lastingValues(rec.left()), (std::vector<int>{1000 + gap, 2000 + gap}));
        QTest::qWait(50);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.isPaused(); }, 1000));

    // Speech wakes it too, and lets it rest once it is spoken.
    const std::vector<std::int16_t> voice(22050 / 5, 700);
    Recording rec;
    out.appendSpeech(voice.data(), voice.size(), 22050);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !out.isSpeaking(); }, 1000));
    EXPECT_EQ(lastingValues(rec.left()), std::vector<int>{700});
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.isPaused(); }, 1000));
}

// Sounds of any length are read while they play, a block at a time.
class Streaming : public Sound
{
protected:
    // ms milliseconds whose value counts up by one every 10 ms from 1,
    // wrapping before it leaves 16 bits: the recording tells where in the
    // file each sample came from.
    QString longRamp(const QString& name, int ms)
    {
        Samples s(static_cast<std::size_t>(ms) * 441 / 10);
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<std::int16_t>(1 + (i / 441) % 30000);
        return writeWav(m_dir.filePath(name), s);
    }

    // The values of the recording in order, each once per stretch of at
    // least 5 ms.
    static std::vector<int> runs(const std::vector<int>& left) { return lastingValues(left, 5); }

    static std::vector<int> counting(int from, int to)
    {
        std::vector<int> v;
        for (int i = from; i <= to; ++i)
            v.push_back(i);
        return v;
    }

    static QString status(const char* channel, const char* item)
    {
        QString answer;
        EXPECT_EQ(mciSendStringA(QStringLiteral("status %1 %2").arg(alias(channel), QLatin1String(item)), &answer), 0);
        return answer;
    }
};

TEST_F(Streaming, ATenMinuteFileSoundsFromItsFirstBlockAndTellsItsLength)
{
    const QString file = longRamp(QStringLiteral("ten minutes.wav"), 600'000);
    ASSERT_FALSE(file.isEmpty());
    Recording rec;
    mdlSndAPI::PlaySnd(file, QStringLiteral("S2"), 0, 0);
    EXPECT_TRUE(AudioOutput::instance().isPlaying(1));
    QTest::qWait(300);
    EXPECT_EQ(status("S2", "length"), QStringLiteral("600000")) << "from the header, not from decoding";
    EXPECT_EQ(status("S2", "mode"), QStringLiteral("playing"));
    const int position = status("S2", "position").toInt();
    EXPECT_GT(position, 100);
    EXPECT_LT(position, 5000);
    mciSendStringA(QStringLiteral("stop ") + alias("S2"));
    EXPECT_EQ(status("S2", "mode"), QStringLiteral("stopped"));
    EXPECT_GE(status("S2", "position").toInt(), position) << "stop keeps the place";
    const auto heard = runs(rec.left());
    ASSERT_GE(heard.size(), 20u);
    EXPECT_EQ(std::vector<int>(heard.begin(), heard.begin() + 20), counting(1, 20))
        << "the first block plays whole, from the file's first sample";
}

TEST_F(Streaming, TheLastBlocksOfALongFilePlayInFull)
{
    // Many times the output's read-ahead, at the output's rate and at a rate
    // that is converted across the blocks.
    for (const int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        Samples s(static_cast<std::size_t>(3 * rate));
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<std::int16_t>(1 + i / static_cast<std::size_t>(rate / 100));
        const QString file = writeWav(m_dir.filePath(QStringLiteral("three seconds %1.wav").arg(rate)), s, 1, rate);
        Recording rec;
        mdlSndAPI::PlaySnd(file, QStringLiteral("S3"), -1, 0);
        EXPECT_FALSE(AudioOutput::instance().isPlaying(2));
        const auto left = rec.left();
        EXPECT_EQ(runs(left), counting(1, 300)) << "every 10 ms of the file once, in order, to its end";
        EXPECT_NEAR(audibleMs(left), 3000, 15);
        EXPECT_EQ(status("S3", "mode"), QStringLiteral("stopped"));
        EXPECT_NEAR(status("S3", "position").toInt(), 3000, 15);
    }
}

TEST_F(Streaming, AWaitedPlayOfThreeSecondsEndsWithTheSound)
{
    const QString file = longRamp(QStringLiteral("announce.wav"), 3000);
    Recording rec;
    QElapsedTimer clock;
    clock.start();
    mdlSndAPI::PlaySnd(file, QStringLiteral("S3"), -1, 0);
    const qint64 waited = clock.elapsed();
    EXPECT_FALSE(AudioOutput::instance().isPlaying(2));
    const auto left = rec.left();
    ASSERT_FALSE(runs(left).empty());
    EXPECT_EQ(runs(left).back(), 300) << "the wait lasted to the last sample";
    // The disk driver takes blocks a little faster than they play; the wait
    // ends with the block that held the last sample.
    EXPECT_GE(waited, 2800);
    EXPECT_LT(waited, 3600);
}

TEST_F(Streaming, AFileCutInHalfEndsQuietlyAndReleasesAWaitedPlay)
{
    const QString whole = longRamp(QStringLiteral("whole.wav"), 2000);
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    const QString cutWav = writeBytes(m_dir.filePath(QStringLiteral("cut.wav")), bytes.left(bytes.size() / 2));

    Samples tone(88200);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::int16_t>(8000 * ((i / 50) % 2 ? 1 : -1));
    QFile mp3(writeMp3(m_dir.filePath(QStringLiteral("whole.mp3")), tone));
    ASSERT_TRUE(mp3.open(QIODevice::ReadOnly));
    const QByteArray mp3Bytes = mp3.readAll();
    const QString cutMp3 = writeBytes(m_dir.filePath(QStringLiteral("cut.mp3")), mp3Bytes.left(mp3Bytes.size() / 2));

    QFile song(writeMidi(m_dir.filePath(QStringLiteral("whole.mid")), 2000));
    ASSERT_TRUE(song.open(QIODevice::ReadOnly));
    const QByteArray songBytes = song.readAll();
    const QString cutMid = writeBytes(m_dir.filePath(QStringLiteral("cut.mid")), songBytes.left(songBytes.size() - 6));

    const struct
    {
        QString file;
        int atMostMs; // what is left of it
    } cases[] = {{cutWav, 1000}, {cutMp3, 1100}, {cutMid, 2500}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        Recording rec;
        QElapsedTimer clock;
        clock.start();
        mdlSndAPI::PlaySnd(c.file, QStringLiteral("S2"), -1, 0);
        EXPECT_LT(clock.elapsed(), c.atMostMs + 1000) << "the wait ends where the file does";
        EXPECT_FALSE(AudioOutput::instance().isPlaying(1));
        const auto left = rec.left();
        EXPECT_LE(audibleMs(left), c.atMostMs + 30);
    }
    // The cut WAV played what it holds, in order, and nothing after it.
    Recording rec;
    mdlSndAPI::PlaySnd(cutWav, QStringLiteral("S2"), -1, 0);
    const auto heard = runs(rec.left());
    ASSERT_GE(heard.size(), 90u);
    EXPECT_EQ(heard, counting(1, static_cast<int>(heard.size())));
}

TEST_F(Streaming, AHeaderDecidesNoAllocation)
{
    // Many channels: only the first two are heard, and nothing is sized by
    // the channel count.
    Samples frames;
    for (int f = 0; f < 200 * FramesPerMs; ++f) {
        for (int ch = 0; ch < 300; ++ch)
            frames.push_back(static_cast<std::int16_t>(ch == 0 ? 1100 : ch == 1 ? 2200 : 9999));
    }
    const QString wide = writeWav(m_dir.filePath(QStringLiteral("wide.wav")), frames, 300);
    ASSERT_FALSE(wide.isEmpty());
    Recording rec;
    mdlSndAPI::PlaySnd(wide, QStringLiteral("S1"), -1, 0);
    EXPECT_EQ(lastingValues(rec.left()), std::vector<int>{1100});
    EXPECT_EQ(lastingValues(rec.right()), std::vector<int>{2200});

    // A header that claims hours of samples at a huge rate, over a few bytes.
    QByteArray header = QByteArray::fromHex("52494646ffffff7f57415645666d7420100000000100020000ee0200"
                                            "00b80b000400100064617461ffffff7f");
    header.append(QByteArray(4000, '\x10'));
    const QString liar = writeBytes(m_dir.filePath(QStringLiteral("liar.wav")), header);
    mdlSndAPI::PlaySnd(liar, QStringLiteral("S1"), -1, 0);
    EXPECT_FALSE(AudioOutput::instance().isPlaying(0));
}

TEST_F(Streaming, StatusAnswersForEveryKindAndRefusesWhatItDoesNotKnow)
{
    const QString wav = writeWav(m_dir.filePath(QStringLiteral("half.wav")), constant(1000, 500));
    const QString mid = writeMidi(m_dir.filePath(QStringLiteral("song.mid")), 1500);
    const QString s1 = alias("S1");
    ASSERT_EQ(mciSendStringA(QStringLiteral("open \"%1\" type waveaudio alias %2 wait").arg(wav, s1)), 0);
    EXPECT_EQ(status("S1", "length"), QStringLiteral("500"));
    EXPECT_EQ(status("S1", "position"), QStringLiteral("0"));
    EXPECT_EQ(status("S1", "mode"), QStringLiteral("stopped"));
    QString answer = QStringLiteral("old");
    EXPECT_EQ(mciSendStringA(QStringLiteral("status %1 volume").arg(s1), &answer), MciError::UnsupportedFunction);
    EXPECT_TRUE(answer.isEmpty());
    EXPECT_EQ(mciSendStringA(QStringLiteral("status %1").arg(s1), &answer), MciError::MissingParameter);
    EXPECT_EQ(mciSendStringA(QStringLiteral("status %1 length now").arg(s1), &answer), MciError::UnrecognizedKeyword);
    EXPECT_EQ(mciSendStringA(QStringLiteral("status %1 length").arg(alias("S4")), &answer), MciError::InvalidDeviceName);
    EXPECT_EQ(mciSendStringA(QStringLiteral("close ") + s1), 0);

    // A song's length comes from its tempo map, before a note is rendered.
    mdlSndAPI::PlaySnd(mid, QStringLiteral("S1"), 0, 0);
    EXPECT_EQ(status("S1", "length"), QStringLiteral("1500"));
    EXPECT_EQ(status("S1", "mode"), QStringLiteral("playing"));
}

TEST(SongLength, ComesFromTheTempoMap)
{
    const auto smf = [](std::uint16_t division, const QByteArray& track) {
        QByteArray file("MThd\0\0\0\6\0\0\0\1", 12);
        file.append(static_cast<char>(division >> 8)).append(static_cast<char>(division & 0xFF));
        file.append("MTrk");
        const auto n = static_cast<quint32>(track.size());
        for (int shift : {24, 16, 8, 0})
            file.append(static_cast<char>((n >> shift) & 0xFF));
        return file + track;
    };
    const QByteArray note("\x00\x90\x45\x64\x83\x60\x80\x45\x00", 9); // 480 ticks
    const QByteArray end("\x00\xFF\x2F\x00", 4);
    const QByteArray slower("\x00\xFF\x51\x03\x0F\x42\x40", 7); // 1 s a beat
    const struct
    {
        const char* what;
        QByteArray song;
        std::int64_t ms;
    } cases[] = {
        {"default tempo", smf(480, note + end), 500},
        {"tempo set first", smf(480, slower + note + end), 1000},
        {"tempo changed halfway", smf(480, note + slower + note + end), 1500},
        {"running status", smf(480, QByteArray("\x00\x90\x45\x64\x83\x60\x45\x00", 8) + end), 500},
        {"time code, 25 frames of 40 ticks", smf(0xE728, note + end), 480},
        {"track cut off after its note", smf(480, note + end).left(22 + 9), 500},
        {"chunk length past the end", smf(480, note).replace(21, 1, "\xFF"), 500},
        {"no event", smf(480, {}), -1},
        {"only a cut delta", smf(480, QByteArray("\x83", 1)), -1},
        {"zero division", smf(0, note + end), -1},
        {"not a song", QByteArray("RIFF0000WAVE"), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SoundDecoder::songLengthMs(c.song), c.ms);
    }
}

TEST(SoundDecoder, DecodesWavMp3AndMidiByContent)
{
    QTemporaryDir dir;
    const auto path = [&dir](const char* name) { return dir.filePath(QLatin1String(name)); };

    // Named for the wrong device on purpose: the content decides.
    const DecodedSound wav = SoundDecoder::decodeFile(writeWav(path("wav.mid"), constant(1234, 500), 1, 22050));
    ASSERT_TRUE(wav.ok()) << wav.error.toStdString();
    EXPECT_EQ(wav.pcm->frames(), 2 * 500 * 441 / 10);
    EXPECT_TRUE(std::all_of(wav.pcm->samples.begin(), wav.pcm->samples.end(), [](std::int16_t s) { return s == 1234; }));

    // MP3 frames add a little encoder delay and padding at both ends.
    Samples tone(22050);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::int16_t>(8000 * ((i / 50) % 2 ? 1 : -1));
    const DecodedSound mp3 = SoundDecoder::decodeFile(writeMp3(path("tone.wav"), tone));
    ASSERT_TRUE(mp3.ok()) << mp3.error.toStdString();
    EXPECT_NEAR(static_cast<double>(mp3.pcm->frames()), 22050.0, 2.5 * 1152);
    EXPECT_GT(*std::max_element(mp3.pcm->samples.begin(), mp3.pcm->samples.end()), 4000);

    const DecodedSound midi = SoundDecoder::decodeFile(writeMidi(path("tune.wav"), 500));
    ASSERT_TRUE(midi.ok()) << midi.error.toStdString();
    const auto& s = midi.pcm->samples;
    EXPECT_GT(midi.pcm->frames(), 44100 / 2);
    EXPECT_LT(midi.pcm->frames(), 44100 * 2) << "the silence after the song is cut";
    const auto loudest = [](auto from, auto to) {
        return std::abs(*std::max_element(from, to, [](int a, int b) { return std::abs(a) < std::abs(b); }));
    };
    EXPECT_GT(loudest(s.begin(), s.end()), 8000) << "a song is about as loud as a recorded chime";
    EXPECT_GT(loudest(s.end() - 2048, s.end()), 0) << "no long silence is left at the end";

    for (const auto& [name, bytes] : {std::pair{"text.wav", QByteArray(3000, 't')}, std::pair{"empty.mp3", QByteArray()},
                                      std::pair{"bad.mid", QByteArray("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\xFF", 22)}}) {
        SCOPED_TRACE(name);
        const DecodedSound bad = SoundDecoder::decodeFile(writeBytes(path(name), bytes));
        EXPECT_FALSE(bad.ok());
        EXPECT_FALSE(bad.error.isEmpty());
    }
    EXPECT_FALSE(SoundDecoder::decodeFile(path("missing.wav")).ok());
    EXPECT_FALSE(SoundDecoder::renderMidi(writeMidi(path("tune.mid"), 100), path("missing.sf2")).ok());
}

TEST(SampleSounds, EverySampleDecodesToAShortSound)
{
    const QStringList names = QDir(QStringLiteral(SAMPLE_SOUNDS_DIR)).entryList(QDir::Files);
    EXPECT_EQ(names.size(), 10);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const DecodedSound sound = SoundDecoder::decodeFile(QStringLiteral(SAMPLE_SOUNDS_DIR "/") + name);
        ASSERT_TRUE(sound.ok()) << sound.error.toStdString();
        EXPECT_GT(sound.pcm->frames(), 44100 / 50);
        EXPECT_LT(sound.pcm->frames(), 44100 * 3);
    }
}

} // namespace
