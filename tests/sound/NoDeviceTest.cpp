#include "Seam.h"
#include "SoundFixture.h"
#include "board/Form1.h"
#include "panel/frmCtl.h"
#include "settings/mdlIniIo_517.h"
#include "sound/AudioOutput.h"
#include "platform/BackgroundLoad.h"
#include "sound/Mci.h"
#include "sound/mdlSndAPI.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

// A machine without a sound card: SDL is asked for a driver that does not
// exist, before anything opens the output.
class NoDevice : public ::testing::Environment
{
public:
    void SetUp() override { qputenv("SDL_AUDIODRIVER", "no-such-driver"); }
};

const auto* const noDevice = ::testing::AddGlobalTestEnvironment(new NoDevice);

// First, so that nothing has opened the output yet.
TEST(NoSoundDevice, ASoundAskedForBeforeTheWindowsAreUpDoesNotWaitForThem)
{
    // As in the program: the loaders are held back, and a sound is asked
    // for before any window has painted.
    BackgroundLoad::holdUntilShown();
    EXPECT_FALSE(AudioOutput::instance().available());
    // Asking let every held loader go, not only the output's.
    auto other = std::async(std::launch::async, [] { BackgroundLoad::waitForTurn(); });
    EXPECT_EQ(other.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(NoSoundDevice, TheProgramRunsSilentlyAndSaysWhy)
{
    AudioOutput& out = AudioOutput::instance();
    EXPECT_FALSE(out.available());
    EXPECT_FALSE(out.reason().isEmpty());

    QTemporaryDir dir;
    const QString step = SoundFixture::writeWav(dir.filePath(QStringLiteral("step.wav")), SoundFixture::constant(1000, 500));
    QElapsedTimer clock;
    clock.start();
    mdlSndAPI::PlaySnd(step, QStringLiteral("S2"), -1, 0);
    EXPECT_LT(clock.elapsed(), 200) << "a waited play does not wait for a sound nobody hears";
    EXPECT_FALSE(out.isPlaying(1));

    // open still tells a playable file from one that is not.
    const QString corrupt = SoundFixture::writeBytes(dir.filePath(QStringLiteral("bad.wav")), QByteArray(100, 'x'));
    EXPECT_EQ(mciSendStringA(QStringLiteral("open \"%1\" type waveaudio alias xS1 wait").arg(step)), 0);
    EXPECT_EQ(mciSendStringA(QStringLiteral("open \"%1\" type waveaudio alias xS3 wait").arg(corrupt)),
              MciError::InvalidFile);
    EXPECT_EQ(mciSendStringA(QStringLiteral("play xS1 from 0 wait")), 0);

    const std::int16_t voice[100] = {};
    out.appendSpeech(voice, 100, 22050);
    EXPECT_FALSE(out.isSpeaking());
    EXPECT_TRUE(out.isPaused());
    mdlSndAPI::CloseAllSnd();
    EXPECT_EQ(mciSendStringA(QStringLiteral("close xS1")), 0);
}

TEST(NoSoundDevice, ThePanelSaysSoOnceWithoutHoldingUpTheStartUp)
{
    mdlIniIo_517::setSettingsPath(QString());
    Form1 board;
    board.Form_Load(); // returns: nothing modal waits for an answer
    // The device is tried on a thread of its own; the note follows.
    const auto notes = [&board] { return board.ctl()->findChildren<QMessageBox*>(QStringLiteral("noSoundNote")); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !notes().isEmpty(); }, 5000));
    QTest::qWait(50);
    ASSERT_EQ(notes().size(), 1);
    EXPECT_TRUE(notes()[0]->isVisible());
    EXPECT_FALSE(notes()[0]->isModal());
    EXPECT_TRUE(notes()[0]->text().contains(AudioOutput::instance().reason()));

    // Nor does it hold up the exit: the question comes, and the program ends.
    bool quit = false;
    board.ctl()->setQuitAction([&quit] { quit = true; });
    SeamRecorder seam([](ApiLib::SeamCall&) { return ApiLib::vbYes; });
    EXPECT_TRUE(board.ctl()->close());
    EXPECT_TRUE(quit);
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_EQ(seam.calls[0].text, QStringLiteral("ミラゼルアプリを終了しますか？"));
}

} // namespace
