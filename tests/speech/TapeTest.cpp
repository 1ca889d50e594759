#include "speech/mdlM_Tape.h"

#include "Seam.h"
#include "board/Form1.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "panel/frmCtl.h"
#include "platform/AppError.h"
#include "platform/Cp932.h"
#include "sound/AudioOutput.h"
#include "speech/TapeCsv.h"
#include "sound/mdlSndAPI.h"

#include "SoundFixture.h"

#include "../panel/RouteFixture.h"

#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

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

// A speech engine that writes down what it is asked.
class RecordingEngine : public SpeechEngine
{
public:
    explicit RecordingEngine(QStringList* log)
        : m_log(log)
    {
    }
    void Speak(const QString& text) override { m_log->append(text); }
    void Stop() override { m_log->append(QStringLiteral("<stop>")); }
    std::int32_t Status() const override { return 0; }
    void AdjustDialog(QWidget*, const QString& title) override { m_log->append(QStringLiteral("<dialog %1>").arg(title)); }

private:
    QStringList* m_log;
};

class Tape : public testing::Test
{
protected:
    void SetUp() override
    {
        mdlM_Tape::setEngineFactory([this] { return std::make_unique<RecordingEngine>(&log); });
        RouteFixture::resetRouteState();
        mdlM_Tape::Tape.clear();
        mdlM_Tape::nTapeCount = 0;
        mdlM_Tape::nTapePos = 0;
        board = std::make_unique<Form1>();
        board->Form_Load();
        ctl = board->ctl();
        board->option()->Text2[0]->setText(dir.path());
        board->option()->Text2[1]->setText(dir.path());
        ApiLib::setSleeper([](int) {});
    }
    void TearDown() override
    {
        ApiLib::setSleeper({});
        board.reset();
        mdlM_Tape::setEngineFactory([] { return createSpeechEngine(); });
    }

    void writeTape(const QString& name, const QString& lines)
    {
        RouteFixture::writeFile(dir, name, *Cp932::encode(lines));
    }
    void load(const QString& route) { mdlM_Tape::LoadTape(*ctl, dir.path() + QLatin1Char('/'), route); }
    QStringList spoken() const
    {
        QStringList texts = log;
        texts.removeAll(QStringLiteral("<stop>"));
        return texts;
    }
    void next() { QTest::mouseClick(ctl->cmdTapeNext, Qt::LeftButton); }
    void back() { QTest::mouseClick(ctl->cmdTapeBack, Qt::LeftButton); }

    QTemporaryDir dir;
    QStringList log;
    std::unique_ptr<Form1> board;
    frmCtl* ctl = nullptr;
};

TEST_F(Tape, StartsWithTheGroupReadyButItsButtonsOff)
{
    EXPECT_EQ(mdlM_Tape::bSpeechOK, -1);
    EXPECT_EQ(ctl->grpM_Tape->title(), "音合使用可");
    EXPECT_TRUE(ctl->grpM_Tape->isEnabled());
    EXPECT_FALSE(ctl->cmdTapeNext->isEnabled());
}

TEST_F(Tape, WalksForwardAndBackWithinItsRows)
{
    writeTape(QStringLiteral("3tp.csv"), QStringLiteral("一,0,0\r\n二,0,0\r\n三,0,0\r\n"));
    load(QStringLiteral("3"));
    EXPECT_TRUE(ctl->cmdTapeNext->isEnabled());
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
    load(QStringLiteral("8"));
    next();
    load(QStringLiteral("12"));
    EXPECT_EQ(mdlM_Tape::GetTapeCount(), 5) << "12Tp.csv is found whatever its case";
    EXPECT_EQ(mdlM_Tape::GetTapePos(), 0);
    next();
    next();

    for (const char* route : {"9", "404"}) { // empty, missing
        load(QString::fromLatin1(route));
        EXPECT_FALSE(ctl->grpM_Tape->isEnabled()) << route;
        EXPECT_EQ(mdlM_Tape::GetTapeCount(), 5) << route;
        EXPECT_EQ(mdlM_Tape::GetTapePos(), 2) << route;
    }
}

TEST_F(Tape, LinkedRowsStepTheFares)
{
    RouteFixture::writeFile(dir, QStringLiteral("12.hy3"), Hy3File::write(RouteFixture::route(5)));
    writeTape(QStringLiteral("12tp.csv"), QStringLiteral("次は一,0,0\r\n次は二,1,0\r\n次は三,1,0\r\n"));
    for (int key : {10, 0, 0, 1, 2, 11, 1})
        ctl->CommandButton1_Click(key);
    ctl->Command1_Click(1);
    ASSERT_EQ(mdlM_Tape::GetTapeCount(), 3) << "route 00012 loads 12tp.csv";
    next();
    EXPECT_EQ(DataIo::nCurIndex, 0) << "row 1 is not linked";
    next();
    EXPECT_EQ(DataIo::nCurIndex, 1);
    next();
    EXPECT_EQ(DataIo::nCurIndex, 2);
    back();
    EXPECT_EQ(DataIo::nCurIndex, 1) << "back onto a linked row steps back";
}

TEST_F(Tape, AdjustAndStopGoToTheEngine)
{
    writeTape(QStringLiteral("3tp.csv"), QStringLiteral("一,0,0\r\n"));
    load(QStringLiteral("3"));
    QTest::mouseClick(ctl->cmdTapeSet, Qt::LeftButton);
    QTest::mouseClick(ctl->cmdTapeStop, Qt::LeftButton);
    EXPECT_EQ(log, (QStringList{"<dialog 音声の調節>", "<stop>"}));
    ApiLib::ReleaseSpeech();
    EXPECT_EQ(mdlM_Tape::objSpeech, nullptr);
}

// Which chime a step plays, told by the channel left sounding: S3 is output
// channel 2, S2 channel 1.
TEST_F(Tape, ChimesByFlagOrAlways)
{
    frmOption& o = *board->option();
    const QString always = SoundFixture::writeWav(dir.filePath(QStringLiteral("always.wav")), SoundFixture::constant(9000, 2000));
    const QString flagTwo = SoundFixture::writeWav(dir.filePath(QStringLiteral("two.wav")), SoundFixture::constant(9000, 2000));
    o.txtSelectSound[3]->setText(always);
    o.txtSelectSound[5]->setText(flagTwo);
    o.Option7[1]->setChecked(true); // the announcement starts while the chime sounds
    writeTape(QStringLiteral("3tp.csv"), QStringLiteral("一,0,2\r\n二,0,0\r\n三,0,2\r\n"));
    load(QStringLiteral("3"));
    AudioOutput& out = AudioOutput::instance();
    ASSERT_TRUE(out.available()) << out.reason().toStdString();
    auto quiet = [] { mdlSndAPI::CloseAllSnd(); };

    o.Option2[3]->setChecked(true); // by flag
    next();
    EXPECT_TRUE(out.isPlaying(2)) << "flag 2 chimes on S3";
    quiet();
    next();
    EXPECT_FALSE(out.isPlaying(2)) << "flag 0: no chime";
    EXPECT_EQ(spoken().last(), "二") << "the row is spoken all the same";

    o.Option2[2]->setChecked(true); // always
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

TEST(TapeWithoutSpeech, KeepsTheGroupOff)
{
    mdlM_Tape::setEngineFactory([]() -> std::unique_ptr<SpeechEngine> { throw AppError(ErrNo::FileNotFound); });
    QTemporaryDir dir;
    Form1 board;
    board.Form_Load();
    frmCtl* ctl = board.ctl();
    EXPECT_EQ(mdlM_Tape::bSpeechOK, 0);
    EXPECT_EQ(ctl->grpM_Tape->title(), "音合使用不可");
    EXPECT_FALSE(ctl->grpM_Tape->isEnabled());
    RouteFixture::writeFile(dir, QStringLiteral("3tp.csv"), QByteArray("a,0,0\r\n"));
    mdlM_Tape::LoadTape(*ctl, dir.path() + QLatin1Char('/'), QStringLiteral("3"));
    EXPECT_FALSE(ctl->grpM_Tape->isEnabled());
    EXPECT_FALSE(ctl->cmdTapeNext->isEnabled());
    mdlM_Tape::setEngineFactory([] { return createSpeechEngine(); });
}

} // namespace
