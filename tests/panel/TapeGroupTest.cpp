// The panel's tape group: what it offers, and the fare steps of linked rows.

#include "panel/frmCtl.h"

#include "RouteFixture.h"
#include "board/Form1.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "platform/ApiLib.h"
#include "platform/AppError.h"
#include "platform/Cp932.h"
#include "speech/mdlM_Tape.h"

#include "../speech/RecordingEngine.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class TapeGroup : public testing::Test
{
protected:
    void SetUp() override
    {
        mdlM_Tape::setEngineFactory([this] { return std::make_unique<RecordingEngine>(&log); });
        RouteFixture::resetRouteState();
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
    // Route 12 from section 1, with the keypad and "リセット".
    void setRoute12()
    {
        for (int key : {10, 0, 0, 1, 2, 11, 1})
            ctl->CommandButton1_Click(key);
        ctl->Command1_Click(1);
    }
    void next() { QTest::mouseClick(ctl->cmdTapeNext, Qt::LeftButton); }
    void back() { QTest::mouseClick(ctl->cmdTapeBack, Qt::LeftButton); }

    QTemporaryDir dir;
    QStringList log;
    std::unique_ptr<Form1> board;
    frmCtl* ctl = nullptr;
};

TEST_F(TapeGroup, OffersTheTapeOnceARouteHasOne)
{
    EXPECT_EQ(ctl->grpM_Tape->title(), "音合使用可");
    EXPECT_TRUE(ctl->grpM_Tape->isEnabled());
    EXPECT_FALSE(ctl->cmdTapeNext->isEnabled()) << "no tape yet";

    RouteFixture::writeFile(dir, QStringLiteral("12.hy3"), Hy3File::write(RouteFixture::route(5)));
    writeTape(QStringLiteral("12tp.csv"), QStringLiteral("一,0,0\r\n"));
    setRoute12();
    for (QPushButton* button : {ctl->cmdTapeNext, ctl->cmdTapeBack, ctl->cmdTapeStop, ctl->cmdTapeSet})
        EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
    QTest::mouseClick(ctl->cmdTapeSet, Qt::LeftButton);
    QTest::mouseClick(ctl->cmdTapeStop, Qt::LeftButton);
    EXPECT_EQ(log, (QStringList{"<dialog 音声の調節>", "<stop>"}));

    QFile::remove(dir.filePath(QStringLiteral("12tp.csv")));
    setRoute12();
    EXPECT_FALSE(ctl->grpM_Tape->isEnabled()) << "a route without its tape";
}

TEST_F(TapeGroup, LinkedRowsStepTheFares)
{
    RouteFixture::writeFile(dir, QStringLiteral("12.hy3"), Hy3File::write(RouteFixture::route(5)));
    writeTape(QStringLiteral("12tp.csv"), QStringLiteral("次は一,0,0\r\n次は二,1,0\r\n次は三,1,0\r\n"));
    setRoute12();
    ASSERT_EQ(mdlM_Tape::GetTapeCount(), 3) << "route 00012 loads 12tp.csv";
    next();
    EXPECT_EQ(DataIo::nCurIndex, 0) << "row 1 is not linked";
    next();
    EXPECT_EQ(DataIo::nCurIndex, 1);
    next();
    EXPECT_EQ(DataIo::nCurIndex, 2);
    back();
    EXPECT_EQ(DataIo::nCurIndex, 1) << "back onto a linked row steps back";
    EXPECT_EQ(log.filter(QStringLiteral("次は")), (QStringList{"次は一", "次は二", "次は三", "次は二"}));
}

TEST(TapeGroupWithoutSpeech, StaysOff)
{
    mdlM_Tape::setEngineFactory([]() -> std::unique_ptr<SpeechEngine> { throw AppError(ErrNo::FileNotFound); });
    QTemporaryDir dir;
    Form1 board;
    board.Form_Load();
    frmCtl* ctl = board.ctl();
    EXPECT_EQ(ctl->grpM_Tape->title(), "音合使用不可");
    EXPECT_FALSE(ctl->grpM_Tape->isEnabled());
    ApiLib::setSleeper([](int) {});
    board.option()->Text2[0]->setText(dir.path());
    board.option()->Text2[1]->setText(dir.path());
    RouteFixture::writeFile(dir, QStringLiteral("3.hy3"), Hy3File::write(RouteFixture::route(2)));
    RouteFixture::writeFile(dir, QStringLiteral("3tp.csv"), QByteArray("a,0,0\r\n"));
    for (int key : {10, 3, 11, 1})
        ctl->CommandButton1_Click(key);
    ctl->Command1_Click(1);
    ASSERT_EQ(mdlM_Tape::GetTapeCount(), 1);
    EXPECT_FALSE(ctl->grpM_Tape->isEnabled());
    EXPECT_FALSE(ctl->cmdTapeNext->isEnabled());
    ApiLib::setSleeper({});
    mdlM_Tape::setEngineFactory([] { return createSpeechEngine(); });
}

} // namespace
