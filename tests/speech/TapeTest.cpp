#include "speech/mdlM_Tape.h"

#include "RecordingEngine.h"
#include "Seam.h"
#include "SoundFixture.h"
#include "platform/ApiLib.h"
#include "platform/AppError.h"
#include "platform/Cp932.h"
#include "sound/AudioOutput.h"
#include "sound/mdlSndAPI.h"
#include "speech/TapeCsv.h"

#include "../panel/RouteFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(TapeCsv, ReadsTheFieldsOfEachLine)
{
    const auto rows = TapeCsv::parse(QStringLiteral("\"次は、中央駅です。\",1,2\r\n   市役所前,,3\r\n\"a,b\"  ,0,\r\n"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].strText, "次は、中央駅です。");
    EXPECT_EQ(rows[0].nStep, 1);
    EXPECT_EQ(rows[0].nFlag, 2);
    EXPECT_EQ(rows[1].strText, "市役所前") << "leading blanks dropped";
    EXPECT_EQ(rows[1].nStep, 0) << "an empty number reads as 0";
    EXPECT_EQ(rows[2].strText, "a,b");
    EXPECT_EQ(rows[2].nFlag, 0);
    EXPECT_EQ(TapeCsv::parse(QStringLiteral("x,1,1")).size(), 1u) << "no line end after the last line";
}

TEST(TapeCsv, RefusesWhatCannotBeATape)
{
    const char* bad[] = {
        "",                   // no lines
        "a,1\r\n",            // the last row is short of fields
        "a,1,2,b,3,4\r\n",    // two rows of fields on one line
        "a,x,1\r\n",          // not a number
        "a,40000,1\r\n",      // out of range
    };
    for (const char* text : bad) {
        try {
            TapeCsv::parse(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted: " << text;
        } catch (const AppError&) {
        }
    }
}

// The tape alone, with an engine that writes down what it is asked.
class Tape : public testing::Test
{
protected:
    void SetUp() override
    {
        mdlM_Tape::setEngineFactory([this] { return std::make_unique<RecordingEngine>(&log, &prepared); });
        mdlM_Tape::Tape.clear();
        mdlM_Tape::nTapeCount = 0;
        mdlM_Tape::nTapePos = 0;
        mdlM_Tape::InitSpeech();
        ApiLib::setSleeper([](int) {});
    }
    void TearDown() override
    {
        ApiLib::setSleeper({});
        mdlM_Tape::ReleaseSpeech();
        mdlM_Tape::setEngineFactory([] { return createSpeechEngine(); });
    }

    void writeTape(const QString& name, const QString& lines)
    {
        RouteFixture::writeFile(dir, name, *Cp932::encode(lines));
    }
    bool load(const QString& route) { return mdlM_Tape::LoadTape(dir.path() + QLatin1Char('/'), route); }
    QStringList spoken() const
    {
        QStringList texts = log;
        texts.removeAll(QStringLiteral("<stop>"));
        return texts;
    }
    void next() { mdlM_Tape::TapeNext(chimes); }
    void back() { mdlM_Tape::TapeBack(chimes); }

    QTemporaryDir dir;
    QStringList log;
    QStringList prepared;
    mdlM_Tape::TapeChimes chimes;
};

// Each row is made ready before its turn: the first as the route is set,
// then the one after the row spoken.
TEST_F(Tape, TheRowAfterTheOneSpokenIsMadeReady)
{
    writeTape(QStringLiteral("3tp.csv"), QStringLiteral("一,0,0\r\n二,0,0\r\n三,0,0\r\n"));
    ASSERT_TRUE(load(QStringLiteral("3")));
    EXPECT_EQ(prepared, QStringList{"一"});
    struct Step
    {
        bool forward;
        QStringList prepared; // by the step
    };
    const Step steps[] = {
        {true, {"二"}}, {true, {"三"}},
        {true, {}}, // the last row has none after it
        {true, {}}, // past the end nothing is spoken
        {false, {"三"}}, {false, {"二"}},
        {false, {}}, // before the start neither
    };
    for (const Step& step : steps) {
        prepared.clear();
        step.forward ? next() : back();
        EXPECT_EQ(prepared, step.prepared) << "at " << mdlM_Tape::GetTapePos();
    }
    EXPECT_EQ(spoken(), (QStringList{"一", "二", "三", "二", "一"}));

    // A tape that fails to load makes nothing ready.
    prepared.clear();
    EXPECT_FALSE(load(QStringLiteral("9")));
    EXPECT_TRUE(prepared.isEmpty());
}

TEST_F(Tape, WalksForwardAndBackWithinItsRows)
{
    EXPECT_EQ(mdlM_Tape::bSpeechOK, -1);
    writeTape(QStringLiteral("3tp.csv"), QStringLiteral("一,0,0\r\n二,0,0\r\n三,0,0\r\n"));
    ASSERT_TRUE(load(QStringLiteral("3")));
    for (int i = 0; i < 4; ++i)
        next();
    EXPECT_EQ(spoken(), (QStringList{"一", "二", "三"}));
    EXPECT_EQ(mdlM_Tape::GetTapePos(), 3);
    log.clear();
    for (int i = 0; i < 3; ++i)
        back();
    EXPECT_EQ(spoken(), (QStringList{"二", "一"}));
    EXPECT_EQ(mdlM_Tape::GetTapePos(), 1);
    EXPECT_EQ(log.first(), "<stop>") << "each row cuts the one before it";
}

TEST_F(Tape, BackRightAfterALoadSpeaksNothing)
{
    writeTape(QStringLiteral("3tp.csv"), QStringLiteral("一,0,0\r\n二,0,0\r\n三,0,0\r\n"));
    load(QStringLiteral("3"));
    back();
    EXPECT_TRUE(spoken().isEmpty());
    EXPECT_EQ(mdlM_Tape::GetTapePos(), 1);
    next();
    EXPECT_EQ(spoken(), QStringList{"二"});
}

TEST_F(Tape, ALoadReplacesTheTapeAndAFailedOneKeepsIt)
{
    QString eight, five;
    for (int i = 1; i <= 8; ++i)
        eight += QStringLiteral("八の%1,0,0\r\n").arg(i);
    for (int i = 1; i <= 5; ++i)
        five += QStringLiteral("五の%1,0,0\r\n").arg(i);
    writeTape(QStringLiteral("8tp.csv"), eight);
    writeTape(QStringLiteral("12Tp.csv"), five);
    writeTape(QStringLiteral("9tp.csv"), QString());
    EXPECT_TRUE(load(QStringLiteral("8")));
    next();
    EXPECT_TRUE(load(QStringLiteral("12")));
    EXPECT_EQ(mdlM_Tape::GetTapeCount(), 5) << "12Tp.csv is found whatever its case";
    EXPECT_EQ(mdlM_Tape::GetTapePos(), 0);
    next();
    next();

    for (const char* route : {"9", "404"}) { // empty, missing
        EXPECT_FALSE(load(QString::fromLatin1(route))) << route;
        EXPECT_EQ(mdlM_Tape::GetTapeCount(), 5) << route;
        EXPECT_EQ(mdlM_Tape::GetTapePos(), 2) << route;
    }
}

// Rows with bytes no character stands for are spoken with the rest; a note
// names their lines once, and a file that is no tape is still refused.
TEST_F(Tape, BadBytesCostACharacterAndAreNotedByLine)
{
    const QByteArray good = *Cp932::encode(QStringLiteral("次は中央駅です。,1,1\r\n"));
    const QByteArray bad1 = *Cp932::encode(QStringLiteral("次は")) + QByteArray("\x85\x40", 2)
        + *Cp932::encode(QStringLiteral("です。,0,2\r\n"));
    const QByteArray bad2 = QByteArray("\"a\x81\",0,3\r\n"); // a lead byte before the closing quote
    RouteFixture::writeFile(dir, QStringLiteral("4tp.csv"), good + bad1 + good + bad2);
    SeamRecorder seam;
    ASSERT_TRUE(load(QStringLiteral("4")));
    EXPECT_EQ(mdlM_Tape::GetTapeCount(), 4);
    EXPECT_EQ(mdlM_Tape::GetRowFlag(4), 3) << "the fields after the bad byte are read as they are";
    for (int i = 0; i < 4; ++i)
        next();
    EXPECT_EQ(spoken(), (QStringList{"次は中央駅です。", "次は〓です。", "次は中央駅です。", "a〓"}));
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_EQ(seam.calls[0].kind, "Note");
    EXPECT_TRUE(seam.calls[0].text.contains(QStringLiteral("4tp.csv の 2 行目\r\n4tp.csv の 4 行目")))
        << seam.calls[0].text.toStdString();

    RouteFixture::writeFile(dir, QStringLiteral("5tp.csv"), bad1 + QByteArray("x,1\r\n"));
    seam.calls.clear();
    EXPECT_FALSE(load(QStringLiteral("5"))) << "a row short of fields is no tape, bad bytes or not";
    EXPECT_TRUE(seam.calls.isEmpty());
    EXPECT_EQ(mdlM_Tape::GetTapeCount(), 4);
}

TEST_F(Tape, AdjustStopAndReleaseGoToTheEngine)
{
    mdlM_Tape::TapeAdjust(nullptr);
    mdlM_Tape::StopTape();
    EXPECT_EQ(log, (QStringList{"<dialog 音声の調節>", "<stop>"}));
    // The exit drops the engine through the platform's name for it.
    ApiLib::ReleaseSpeech();
    EXPECT_EQ(mdlM_Tape::objSpeech, nullptr);
}

TEST_F(Tape, TheChimeBeforeARow)
{
    writeTape(QStringLiteral("5tp.csv"), QStringLiteral("a,0,0\r\nb,0,1\r\nc,0,2\r\nd,0,3\r\ne,0,4\r\n"));
    ASSERT_TRUE(load(QStringLiteral("5")));
    const mdlM_Tape::TapeChimes byFlag{false, false, QStringLiteral("always"), {QStringLiteral("f1"), QStringLiteral("f2"), QStringLiteral("f3")}};
    mdlM_Tape::TapeChimes always = byFlag;
    always.bPreAlways = true;
    struct Case
    {
        const mdlM_Tape::TapeChimes* chimes;
        bool forward;
        std::array<const char*, 7> rows; // rows 0 to 6: before, on and past the tape
    };
    const Case cases[] = {
        {&byFlag, true, {"", "", "f1", "f2", "f3", "", ""}},
        {&byFlag, false, {"", "", "f1", "f2", "f3", "", ""}},
        {&always, true, {"always", "always", "always", "always", "always", "always", "always"}},
        {&always, false, {"", "", "f1", "f2", "f3", "", ""}}, // back, only the flag counts
    };
    for (const Case& c : cases) {
        for (int row = 0; row < 7; ++row)
            EXPECT_EQ(mdlM_Tape::PreChime(*c.chimes, row, c.forward), QString::fromUtf8(c.rows[static_cast<size_t>(row)]))
                << "row " << row << (c.forward ? " forward" : " back") << (c.chimes->bPreAlways ? ", always" : ", by flag");
    }
}

// Which channel a step's chime sounds on: forward S3 (output channel 2),
// back S2 (channel 1), where a linked fare step's sound cuts it.
TEST_F(Tape, ChimesGoForwardOnS3AndBackOnS2)
{
    chimes.strPreSound = SoundFixture::writeWav(dir.filePath(QStringLiteral("always.wav")), SoundFixture::constant(9000, 2000));
    chimes.strPreSoundByFlag[1] = SoundFixture::writeWav(dir.filePath(QStringLiteral("two.wav")), SoundFixture::constant(9000, 2000));
    writeTape(QStringLiteral("3tp.csv"), QStringLiteral("一,0,2\r\n二,0,0\r\n三,0,2\r\n"));
    load(QStringLiteral("3"));
    AudioOutput& out = AudioOutput::instance();
    ASSERT_TRUE(out.available()) << out.reason().toStdString();
    auto quiet = [] { mdlSndAPI::CloseAllSnd(); };

    next();
    EXPECT_TRUE(out.isPlaying(2)) << "flag 2 chimes on S3";
    quiet();
    next();
    EXPECT_FALSE(out.isPlaying(2)) << "flag 0: no chime";
    EXPECT_EQ(spoken().last(), "二") << "the row is spoken all the same";

    chimes.bPreAlways = true;
    quiet();
    next();
    EXPECT_TRUE(out.isPlaying(2));
    quiet();
    back();
    EXPECT_FALSE(out.isPlaying(1)) << "on the way back only the flag counts: row 2 has none";
    EXPECT_FALSE(out.isPlaying(2));
    back();
    EXPECT_TRUE(out.isPlaying(1)) << "row 1's flag 2 chimes on S2";
    quiet();
}

TEST(TapeWithoutSpeech, LoadsButSpeaksNothing)
{
    mdlM_Tape::setEngineFactory([]() -> std::unique_ptr<SpeechEngine> { throw AppError(ErrNo::FileNotFound); });
    mdlM_Tape::InitSpeech();
    EXPECT_EQ(mdlM_Tape::bSpeechOK, 0);
    EXPECT_EQ(mdlM_Tape::objSpeech, nullptr);
    QTemporaryDir dir;
    RouteFixture::writeFile(dir, QStringLiteral("3tp.csv"), QByteArray("a,0,0\r\n"));
    EXPECT_TRUE(mdlM_Tape::LoadTape(dir.path() + QLatin1Char('/'), QStringLiteral("3")));
    mdlM_Tape::TapeNext({});
    EXPECT_EQ(mdlM_Tape::GetTapePos(), 1) << "the step moves, and its failing voice is quiet";
    ApiLib::ReleaseSpeech();
    mdlM_Tape::setEngineFactory([] { return createSpeechEngine(); });
}

} // namespace
