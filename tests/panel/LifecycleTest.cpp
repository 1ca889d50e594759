#include "panel/frmCtl.h"

#include "RouteFixture.h"
#include "Seam.h"
#include "board/Form1.h"
#include "controls/ChimeiCtl_A.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "platform/Cp932.h"
#include "settings/mdlIniIo_517.h"
#include "speech/mdlM_Tape.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Lifecycle : public testing::Test
{
protected:
    void SetUp() override
    {
        RouteFixture::resetRouteState();
        board.Form_Load();
        ctl = board.ctl();
        ctl->setQuitAction([this] { steps.append(QStringLiteral("quit")); });
        ctl->setSaveAction([this] {
            steps.append(mdlM_Tape::objSpeech ? QStringLiteral("save with voice") : QStringLiteral("save"));
        });
    }

    Form1 board;
    frmCtl* ctl = nullptr;
    QStringList steps;
};

TEST_F(Lifecycle, StartUpNamesTheBoardAndShapesTheKeys)
{
    EXPECT_EQ(board.windowTitle(), QStringLiteral("ミラゼルアプリケーション - 型番:") + ApiLib::ExeName());
    for (int i = 0; i < 12; ++i) {
        const QRegion key = ctl->CommandButton1[static_cast<size_t>(i)]->mask();
        EXPECT_EQ(key, ctl->hKeyRgn[static_cast<size_t>(i)]) << i;
        EXPECT_FALSE(key.contains(QPoint(0, 0))) << i;
        EXPECT_FALSE(key.contains(QPoint(29, 12))) << i;
        EXPECT_TRUE(key.contains(QPoint(15, 12))) << i;
    }
}

TEST_F(Lifecycle, NoToTheExitQuestionChangesNothing)
{
    SeamRecorder seam([](ApiLib::SeamCall&) { return ApiLib::vbNo; });
    EXPECT_FALSE(ctl->close());
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_EQ(seam.calls[0].text, "ミラゼルアプリを終了しますか？");
    EXPECT_EQ(seam.calls[0].title, "ミラゼルアプリの終了確認");
    EXPECT_EQ(seam.calls[0].style, ApiLib::vbYesNo | ApiLib::vbQuestion);
    EXPECT_TRUE(steps.isEmpty());
    EXPECT_NE(mdlM_Tape::objSpeech, nullptr);
    EXPECT_FALSE(board.close()) << "the board cannot be closed on its own";
}

TEST_F(Lifecycle, YesShutsDownInOrder)
{
    board.ChimeiCtl->SetChimei(QStringLiteral("中央駅"));
    SeamRecorder seam([](ApiLib::SeamCall&) { return ApiLib::vbYes; });
    EXPECT_TRUE(ctl->close());
    EXPECT_EQ(steps, (QStringList{"save", "quit"})) << "the voice is released before the settings are saved";
    const QImage& strip = board.ChimeiCtl->strip();
    EXPECT_EQ(strip.pixel(18, 90), strip.pixel(1, 1)) << "the column was cleared";
}

TEST_F(Lifecycle, OptionsDialogDisablesBothWindowsAndRestartsTheColumn)
{
    DataIo::SetFareCell(1, 1, QStringLiteral("市役所前"));
    bool disabledMeanwhile = false;
    SeamRecorder seam([&](ApiLib::SeamCall& call) {
        disabledMeanwhile = call.kind == QStringLiteral("frmOption") && !board.isEnabled() && !ctl->isEnabled();
        return 1;
    });
    QTest::mouseClick(ctl->Command4, Qt::LeftButton);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(board.isEnabled());
    EXPECT_TRUE(ctl->isEnabled());
    EXPECT_EQ(board.ChimeiCtl->strChimei, "市役所前");
}

TEST_F(Lifecycle, VersionBoxNamesModelAndVersion)
{
    bool boardDisabled = false;
    SeamRecorder seam([&](ApiLib::SeamCall&) {
        boardDisabled = !board.isEnabled();
        return 0;
    });
    QTest::mouseClick(ctl->Command8, Qt::LeftButton);
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_EQ(seam.calls[0].kind, "Call_dlg110");
    EXPECT_TRUE(seam.calls[0].text.startsWith(QStringLiteral("型番：%1\r\nバージョン：%2\r\n\r\n")
                                                  .arg(ApiLib::ExeName(), QStringLiteral(APP_VERSION))));
    // The voices' licence asks for their credit; the companion library takes
    // code page 932 only.
    for (const char* credit : {"東雲フォント", "Open JTalk", "Mei", "NIT ATR503 M001", "Nagoya Institute of Technology",
                               "Tokyo Institute of Technology", "CC BY 3.0"})
        EXPECT_TRUE(seam.calls[0].text.contains(QString::fromUtf8(credit))) << credit;
    EXPECT_TRUE(seam.calls[0].text.endsWith(QStringLiteral("\r\n")));
    EXPECT_TRUE(Cp932::encode(seam.calls[0].text).has_value());
    EXPECT_TRUE(boardDisabled);
    EXPECT_TRUE(board.isEnabled());
}

TEST_F(Lifecycle, PreviewPaneOpensAndCopies)
{
    ctl->Check4->setChecked(true);
    EXPECT_EQ(ctl->width(), frmCtl::OpenWidth);
    EXPECT_EQ(ctl->Check4->text(), "<<");
    EXPECT_EQ(ctl->Check4->toolTip(), "整理券プレビューを隠します");
    ctl->Check4->setChecked(false);
    EXPECT_EQ(ctl->width(), frmCtl::ClosedWidth);
    EXPECT_EQ(ctl->Check4->text(), ">>");
    EXPECT_EQ(ctl->Check4->toolTip(), "整理券プレビューを開きます");

    ctl->MnuHideCopy_Click();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), ctl->picSeirikenPrev->size()) << "even an empty preview is copied";
}

TEST_F(Lifecycle, CopyBeforeAnyDisplayIsTheWhitePreview)
{
    QGuiApplication::clipboard()->setImage(QImage(3, 3, QImage::Format_RGB32));
    ctl->MnuHideCopy_Click();
    const QImage copied = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(copied.size(), ctl->picSeirikenPrev->size());
    int notWhite = 0;
    for (int y = 0; y < copied.height(); ++y)
        for (int x = 0; x < copied.width(); ++x)
            notWhite += copied.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_EQ(notWhite, 0);
}

} // namespace

namespace {

TEST(LifecycleExit, ConfirmedExitWritesTheSettingsFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("517.in4"));
    mdlIniIo_517::setSettingsPath(path);
    {
        Form1 board;
        board.Form_Load();
        bool quit = false;
        board.ctl()->setQuitAction([&quit] { quit = true; });
        board.option()->Text2[0]->setText(QStringLiteral("運賃"));
        SeamRecorder seam([](ApiLib::SeamCall&) { return ApiLib::vbYes; });
        ASSERT_TRUE(board.ctl()->close());
        EXPECT_TRUE(quit);
    }
    mdlIniIo_517::setSettingsPath(QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QByteArray("\x89\x5E\x92\xC0", 4))) << "the fare folder, in code page 932";
}

} // namespace
