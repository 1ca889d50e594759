#include "options/frmOption.h"

#include "../panel/RouteFixture.h"
#include "Seam.h"
#include "board/Form1.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "panel/DataIo.h"
#include "panel/frmCtl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kBarcodes = QStringLiteral(SAMPLE_PLUGINS "/midori-barcode.4SP");
const QString kPlain = QStringLiteral(SAMPLE_PLUGINS "/hibari-plain.4SP");

class PluginPage : public testing::Test
{
protected:
    void SetUp() override
    {
        RouteFixture::resetRouteState();
        board.Form_Load();
        options = board.option();
        ctl = board.ctl();
    }
    // Answers the file picker with path (empty: cancelled).
    SeamRecorder pick(const QString& path)
    {
        return SeamRecorder([path](ApiLib::SeamCall& call) -> std::int32_t {
            if (call.kind != QStringLiteral("KelFileDlg"))
                return ApiLib::vbOK;
            if (path.isEmpty())
                return 0;
            call.texts[0] = path;
            return 1;
        });
    }

    Form1 board;
    frmOption* options = nullptr;
    frmCtl* ctl = nullptr;
};

TEST_F(PluginPage, PropertyListHasTenLinesWithBarcodesAndSixWithout)
{
    EXPECT_EQ(options->SetPlgin(kBarcodes), 2);
    ASSERT_EQ(options->List1->count(), 10);
    EXPECT_TRUE(options->List1->item(0)->text().startsWith(QStringLiteral("日付の印字 ---> ")));
    EXPECT_TRUE(options->List1->item(5)->text().startsWith(QStringLiteral("バーコード本数 ---> ")));
    EXPECT_TRUE(options->List1->item(8)->text().startsWith(QStringLiteral("停留所認識範囲 ---> ")));
    EXPECT_EQ(options->List1->item(9)->text(), "社名切り替え:---> 可能");
    EXPECT_GT(ctl->Combo1->count(), 1) << "the companies go to the panel's list";
    EXPECT_FALSE(options->txtPlginComment->toPlainText().isEmpty());
    const QSize barcodeSize = ctl->picSeirikenPrev->size();

    EXPECT_EQ(options->SetPlgin(kPlain), 2);
    EXPECT_EQ(options->List1->count(), 6);
    EXPECT_EQ(options->List1->item(4)->text(), "バーコード印字 ---> 不可");
    EXPECT_NE(ctl->picSeirikenPrev->size(), barcodeSize) << "the preview takes the plug-in's size";

    EXPECT_EQ(options->SetPlgin(QString()), 0);
    EXPECT_EQ(options->SetPlgin(QStringLiteral(SAMPLE_PLUGINS)), 0) << "a folder is no plug-in";
    EXPECT_EQ(options->List1->count(), 6) << "a refused file changes nothing";
}

TEST_F(PluginPage, PickingAPlugin)
{
    options->chkUseSeiriPrev->setChecked(true); // the plug-in group is usable only then
    ctl->Combo1->addItem(QStringLiteral("前の会社"));
    {
        auto seam = pick(QString());
        QTest::mouseClick(options->Command1, Qt::LeftButton);
        EXPECT_EQ(ctl->Combo1->count(), 1) << "a cancelled picker leaves the company list";
    }
    {
        auto seam = pick(kBarcodes);
        QTest::mouseClick(options->Command1, Qt::LeftButton);
        EXPECT_EQ(options->txtSeiriPlgDir->text(), kBarcodes);
        EXPECT_EQ(ctl->Combo1->findText(QStringLiteral("前の会社")), -1) << "emptied first";
        EXPECT_GT(ctl->Combo1->count(), 1);
    }
    const int lines = options->List1->count();
    QTemporaryDir dir;
    const QString junk = RouteFixture::writeFile(dir, QStringLiteral("junk.4SP"), QByteArray("\x00\x01junk", 6));
    auto seam = pick(junk);
    QTest::mouseClick(options->Command1, Qt::LeftButton);
    ASSERT_EQ(seam.calls.size(), 2);
    EXPECT_EQ(seam.calls[1].title, "プラグインロードエラー");
    EXPECT_EQ(seam.calls[1].text, "指定したファイルはプラグインでないか、内容が不正です");
    EXPECT_EQ(seam.calls[1].style, ApiLib::vbOKOnly | ApiLib::vbCritical);
    EXPECT_EQ(options->txtSeiriPlgDir->text(), kBarcodes);
    EXPECT_EQ(options->List1->count(), lines);
    EXPECT_EQ(ctl->Combo1->count(), 0) << "the company list was emptied before the refusal";
}

TEST_F(PluginPage, DatePickerAndOtherPickers)
{
    options->chkUseSeiriPrev->setChecked(true);
    {
        SeamRecorder seam([](ApiLib::SeamCall& call) {
            call.numbers[0] = 2024;
            call.numbers[1] = 3;
            call.numbers[3] = 5;
            return 1;
        });
        QTest::mouseClick(options->Command7, Qt::LeftButton);
    }
    EXPECT_EQ(options->Label10->text(), "2024/03/05");
    {
        SeamRecorder cancel;
        QTest::mouseClick(options->Command7, Qt::LeftButton);
        QTest::mouseClick(options->Command3[1], Qt::LeftButton);
        QTest::mouseClick(options->Command8[4], Qt::LeftButton);
    }
    EXPECT_EQ(options->Label10->text(), "2024/03/05");
    EXPECT_TRUE(options->Text2[1]->text().isEmpty());

    SeamRecorder answer([](ApiLib::SeamCall& call) -> std::int32_t {
        if (call.kind == QStringLiteral("KelFolderDlg")) {
            EXPECT_EQ(call.title, "フォルダーを選択してください");
            call.texts = QStringList{QStringLiteral("/data/tapes")};
        } else if (call.kind == QStringLiteral("KelFileDlg")) {
            EXPECT_EQ(call.title, "サウンドの選択");
            call.texts[0] = QStringLiteral("/data/chime.wav");
        } else if (call.kind == QStringLiteral("KelChooseColor")) {
            call.numbers[0] = 0x0000FF;
            call.numbers[5] = 0x123456;
        }
        return 1;
    });
    QTest::mouseClick(options->Command3[1], Qt::LeftButton);
    EXPECT_EQ(options->Text2[1]->text(), "/data/tapes");
    QTest::mouseClick(options->cmdSelectSound[4], Qt::LeftButton);
    EXPECT_EQ(options->txtSelectSound[4]->text(), "/data/chime.wav");
    const std::int32_t board13 = board.Degit[13]->BaseForeColor();
    QTest::mouseClick(options->Command8[4], Qt::LeftButton);
    EXPECT_EQ(options->Command8[4]->BackColor(), 0x0000FF);
    EXPECT_EQ(options->M_Degit2->BaseForeColor(), 0x0000FF) << "the preview follows at once";
    EXPECT_EQ(board.Degit[13]->BaseForeColor(), board13) << "the board waits for OK";
}

TEST_F(PluginPage, EveryDisplayClearsThePreviewAndDrawsTheTicketWhenOn)
{
    QTemporaryDir dir;
    RouteFixture::writeFile(dir, QStringLiteral("12.hy3"), Hy3File::write(RouteFixture::route(4)));
    options->Text2[0]->setText(dir.path());
    ApiLib::setSleeper([](int) {});
    options->SetPlgin(kBarcodes);
    options->txtSeiriPlgDir->setText(kBarcodes);
    for (int key : {10, 1, 2, 11, 1})
        ctl->CommandButton1_Click(key);
    ctl->Command1_Click(1);
    auto inked = [this] {
        int n = 0;
        const QImage& image = ctl->preview();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += qGray(image.pixel(x, y)) < 128;
        return n;
    };
    EXPECT_EQ(inked(), 0) << "preview off: cleared only";
    options->chkUseSeiriPrev->setChecked(true);
    ctl->Command2_Click(1);
    EXPECT_GT(inked(), 50) << "the ticket is drawn";
    EXPECT_EQ(DataIo::FareTable[2].Chimei, "停留所2");
    options->chkUseSeiriPrev->setChecked(false);
    ctl->Command2_Click(0);
    EXPECT_EQ(inked(), 0);
    ApiLib::setSleeper({});
}

} // namespace
