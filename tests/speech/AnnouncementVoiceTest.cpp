// The voice the announcements are spoken with: which voices can speak, the
// fallback to espeak-ng, the adjustment dialog and the user's voice file.

#include "Seam.h"

#include "platform/AppError.h"
#include "platform/DataPaths.h"
#include "speech/AnnouncementVoice.h"
#include "speech/SpeechAdjustDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class AnnouncementVoiceTest : public ::testing::Test
{
protected:
    QString choiceFile() const { return m_dir.filePath(QStringLiteral("config/voice.ini")); }

    // Everything where it is on a machine set up for the program.
    AnnouncementVoice::Setup complete() const
    {
        return {DataPaths::openJTalkProgram().path, DataPaths::openJTalkDictionary().path, QStringLiteral(VOICES_DIR),
                EspeakSpeech::Paths{}, choiceFile()};
    }

    QTemporaryDir m_dir;
};

QStringList ids(std::initializer_list<QString> list)
{
    return QStringList(list);
}

} // namespace

TEST_F(AnnouncementVoiceTest, ChoiceFileRoundTripsAndForgivesWhatItCannotUse)
{
    EXPECT_EQ(VoiceChoice::read(choiceFile()), VoiceChoice{}) << "no file: the defaults";
    EXPECT_EQ(VoiceChoice{}.voice, VoiceChoice::Mei);

    const VoiceChoice chosen{VoiceChoice::M001, {200, 70, 30}};
    ASSERT_TRUE(chosen.write(choiceFile())) << "the folder is made";
    EXPECT_EQ(VoiceChoice::read(choiceFile()), chosen);

    struct Case
    {
        const char* what;
        QByteArray content;
        VoiceChoice expected;
    };
    const Case cases[] = {
        {"values out of range are brought in", "[voice]\nname=espeak-ng\nrate=9999\npitch=-4\nvolume=201\n",
         {VoiceChoice::Espeak, {VoiceSettings::MaxRate, VoiceSettings::MinPitch, VoiceSettings::MaxVolume}}},
        {"an unknown voice and a word for a number", "[voice]\nname=robot\nrate=fast\nvolume=40\n",
         {VoiceChoice::Mei, {VoiceSettings::NaturalRate, VoiceSettings::NaturalPitch, 40}}},
        {"not a settings file at all", QByteArray("\x00\xff\x81\x40[[[=\n", 9), VoiceChoice{}},
    };
    for (const Case& c : cases) {
        QFile file(choiceFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.content);
        file.close();
        EXPECT_EQ(VoiceChoice::read(choiceFile()), c.expected) << c.what;
    }
    // A folder that cannot be made: the write says so.
    EXPECT_FALSE(chosen.write(choiceFile() + QStringLiteral("/under-a-file.ini")));
}

TEST_F(AnnouncementVoiceTest, OnlyVoicesThatCanSpeakAreOfferedAndTheFirstOfThemSpeaks)
{
    ASSERT_TRUE((VoiceChoice{VoiceChoice::M001, {120, 50, 100}}.write(choiceFile())));
    struct Case
    {
        const char* what;
        AnnouncementVoice::Setup setup;
        QStringList voices;
        QString speaking;
    };
    AnnouncementVoice::Setup noProgram = complete();
    noProgram.openJTalk = m_dir.filePath(QStringLiteral("no/open_jtalk"));
    AnnouncementVoice::Setup noDictionary = complete();
    noDictionary.openJTalkDictionary = m_dir.filePath(QStringLiteral("no-dic"));
    AnnouncementVoice::Setup noVoices = complete();
    noVoices.voicesDir.clear();
    AnnouncementVoice::Setup onlyMei = complete();
    const QString meiOnly = m_dir.filePath(QStringLiteral("voices"));
    ASSERT_TRUE(QDir().mkpath(meiOnly + QStringLiteral("/mei")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VOICES_DIR "/") + DataPaths::DefaultVoiceFile,
                            meiOnly + QLatin1Char('/') + DataPaths::DefaultVoiceFile));
    onlyMei.voicesDir = meiOnly;
    const Case cases[] = {
        {"everything there", complete(), ids({VoiceChoice::Mei, VoiceChoice::M001, VoiceChoice::Espeak}), VoiceChoice::M001},
        {"no open_jtalk", noProgram, ids({VoiceChoice::Espeak}), VoiceChoice::Espeak},
        {"no dictionary for it", noDictionary, ids({VoiceChoice::Espeak}), VoiceChoice::Espeak},
        {"no voices", noVoices, ids({VoiceChoice::Espeak}), VoiceChoice::Espeak},
        {"the chosen voice missing", onlyMei, ids({VoiceChoice::Mei, VoiceChoice::Espeak}), VoiceChoice::Mei},
    };
    for (const Case& c : cases) {
        AnnouncementVoice engine(c.setup);
        EXPECT_EQ(engine.voices(), c.voices) << c.what;
        EXPECT_EQ(engine.choice().voice, c.speaking) << c.what;
        EXPECT_EQ(engine.choice().values.rate, 120) << c.what;
        EXPECT_EQ(dynamic_cast<EspeakSpeech*>(&engine.voice()) != nullptr, c.speaking == VoiceChoice::Espeak) << c.what;
    }
    // The fallback did not overwrite the user's choice.
    EXPECT_EQ(VoiceChoice::read(choiceFile()).voice, VoiceChoice::M001);

    AnnouncementVoice::Setup nothing = noProgram;
    nothing.espeak.dictionary = m_dir.filePath(QStringLiteral("no-ipadic"));
    EXPECT_THROW(AnnouncementVoice{nothing}, AppError);
}

TEST_F(AnnouncementVoiceTest, DialogThroughTheSeamKeepsOkInTheFileAndRestoresOnCancel)
{
    AnnouncementVoice engine(complete());
    EXPECT_EQ(engine.choice(), VoiceChoice{});
    {
        SeamRecorder seam([](ApiLib::SeamCall& call) {
            call.text = VoiceChoice::M001;
            call.numbers = {200, 70, 150};
            return 1;
        });
        engine.AdjustDialog(nullptr, QStringLiteral("音声の調節"));
        ASSERT_EQ(seam.calls.size(), 1);
        EXPECT_EQ(seam.calls[0].kind, QStringLiteral("SpeechDialog"));
        EXPECT_EQ(seam.calls[0].title, QStringLiteral("音声の調節"));
        EXPECT_EQ(seam.calls[0].texts, ids({VoiceChoice::Mei, VoiceChoice::M001, VoiceChoice::Espeak}));
    }
    const VoiceChoice confirmed{VoiceChoice::M001, {200, 70, 150}};
    EXPECT_EQ(engine.choice(), confirmed);
    EXPECT_EQ(VoiceChoice::read(choiceFile()), confirmed);
    {
        // The next opening shows the kept choice; cancelling drops the changes.
        ApiLib::SeamCall shown;
        SeamRecorder seam([&](ApiLib::SeamCall& call) {
            shown = call;
            call.text = VoiceChoice::Espeak;
            call.numbers = {80, 0, 0};
            return 0;
        });
        engine.AdjustDialog(nullptr, QStringLiteral("音声の調節"));
        EXPECT_EQ(shown.text, VoiceChoice::M001);
        EXPECT_EQ(shown.numbers, (QList<std::int32_t>{200, 70, 150}));
    }
    EXPECT_EQ(engine.choice(), confirmed);
    EXPECT_EQ(VoiceChoice::read(choiceFile()), confirmed);
}

TEST_F(AnnouncementVoiceTest, AChoiceThatCannotBeSavedIsSaid)
{
    AnnouncementVoice::Setup setup = complete();
    // A file where the folder should be.
    QFile blocker(m_dir.filePath(QStringLiteral("config")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AnnouncementVoice engine(setup);
    SeamRecorder seam([](ApiLib::SeamCall& call) {
        if (call.kind == QStringLiteral("SpeechDialog"))
            call.numbers = {100, 50, 100};
        return 1;
    });
    engine.AdjustDialog(nullptr, QStringLiteral("音声の調節"));
    ASSERT_EQ(seam.calls.size(), 2);
    EXPECT_EQ(seam.calls[1].kind, QStringLiteral("MsgBox"));
    EXPECT_TRUE(seam.calls[1].text.contains(QStringLiteral("保存できません"))) << seam.calls[1].text.toStdString();
    EXPECT_EQ(engine.choice().values.rate, 100) << "the choice holds for this run";
}

TEST_F(AnnouncementVoiceTest, RealDialogTestsTheVoiceAsChosenAndCancelRestores)
{
    for (const bool ok : {false, true}) {
        AnnouncementVoice engine(complete());
        const VoiceChoice start = engine.choice();
        QStringList offered;
        VoiceChoice duringTest;
        QString title;
        bool found = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<SpeechAdjustDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            found = true;
            title = dialog->windowTitle();
            for (int i = 0; i < dialog->voiceBox()->count(); ++i)
                offered << dialog->voiceBox()->itemData(i).toString();
            EXPECT_EQ(dialog->choice(), start);
            dialog->voiceBox()->setCurrentIndex(dialog->voiceBox()->findData(VoiceChoice::Espeak));
            dialog->rateSlider()->setValue(250);
            dialog->pitchSlider()->setValue(80);
            dialog->volumeSlider()->setValue(60);
            QTest::mouseClick(dialog->testButton(), Qt::LeftButton);
            duringTest = engine.choice();
            QTest::mouseClick(ok ? dialog->okButton() : dialog->cancelButton(), Qt::LeftButton);
        });
        engine.AdjustDialog(nullptr, QStringLiteral("音声の調節"));
        ASSERT_TRUE(found) << "no dialog was shown";
        EXPECT_EQ(title, QStringLiteral("音声の調節"));
        EXPECT_EQ(offered, ids({VoiceChoice::Mei, VoiceChoice::M001, VoiceChoice::Espeak}));
        const VoiceChoice tried{VoiceChoice::Espeak, {250, 80, 60}};
        EXPECT_EQ(duringTest, tried);
        EXPECT_EQ(engine.choice(), ok ? tried : start) << "ok=" << ok;
        EXPECT_EQ(dynamic_cast<EspeakSpeech*>(&engine.voice()) != nullptr, ok) << "ok=" << ok;
        EXPECT_EQ(VoiceChoice::read(choiceFile()), ok ? tried : VoiceChoice{}) << "ok=" << ok;
        engine.Stop();
    }
}
