#include "options/frmOption.h"

#include "board/Form1.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "panel/frmCtl.h"
#include "platform/FontSubst.h"
#include "platform/VbColor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OptionsOnBoard : public testing::Test
{
protected:
    void SetUp() override
    {
        board.Form_Load();
        options = board.option();
    }
    Form1 board;
    frmOption* options = nullptr;
};

TEST_F(OptionsOnBoard, InformationDigitBoxesFollowTheirSwitches)
{
    options->Check3[0]->setChecked(true);
    EXPECT_TRUE(options->Combo4[0]->isEnabled());
    EXPECT_TRUE(options->Check3[4]->isEnabled());
    options->Check3[4]->setChecked(true);
    options->Check3[0]->setChecked(false);
    EXPECT_FALSE(options->Combo4[0]->isEnabled());
    EXPECT_FALSE(options->Check3[4]->isEnabled());
    EXPECT_TRUE(options->Check3[4]->isChecked()) << "keeps its tick while disabled";
    options->Check3[3]->setChecked(true);
    EXPECT_TRUE(options->Combo4[3]->isEnabled());
    EXPECT_TRUE(options->Combo4[4]->isEnabled());
    options->Check3[4]->setChecked(false);
    EXPECT_FALSE(options->Combo4[0]->isEnabled()) << "the count-from-zero box flips nothing";

    options->Check1->setChecked(false);
    EXPECT_FALSE(options->Frame3->isEnabled());
    options->Check1->setChecked(true);
    EXPECT_TRUE(options->Frame3->isEnabled());
}

TEST_F(OptionsOnBoard, ImageGroupsShowOnlyForImagesChosenOneByOne)
{
    auto shown = [this] {
        int n = 0;
        for (QGroupBox* g : options->Frame6)
            n += g->isEnabled() && !g->isHidden();
        return n;
    };
    EXPECT_EQ(shown(), 0);
    options->Option3[1]->setChecked(true);
    EXPECT_EQ(shown(), 3);
    options->Option3[6]->setChecked(true);
    EXPECT_EQ(shown(), 3) << "a button inside a group leaves the groups as they are";
    options->Option3[0]->setChecked(true);
    EXPECT_EQ(shown(), 0);
}

TEST_F(OptionsOnBoard, TicketPreviewSwitchShowsItsGroupsAndKeepsThePath)
{
    options->txtSeiriPlgDir->setText(QStringLiteral("/plugins/a.4SP"));
    options->chkUseSeiriPrev->setChecked(true);
    EXPECT_TRUE(options->Frame10->isEnabled() && !options->Frame10->isHidden());
    EXPECT_TRUE(options->Frame7->isEnabled() && !options->Frame7->isHidden());
    options->chkUseSeiriPrev->setChecked(false);
    EXPECT_TRUE(options->Frame10->isHidden());
    EXPECT_EQ(options->txtSeiriPlgDir->text(), "/plugins/a.4SP");

    options->List1->addItem(QStringLiteral("日付の印字 ---> 可能"));
    options->txtPlginComment->setPlainText(QStringLiteral("notes"));
    options->Command11_Click();
    EXPECT_TRUE(options->txtSeiriPlgDir->text().isEmpty());
    EXPECT_EQ(options->List1->count(), 0);
    EXPECT_TRUE(options->txtPlginComment->toPlainText().isEmpty());
}

TEST_F(OptionsOnBoard, OkAppliesTheDisplaySettingsToTheBoard)
{
    board.ctl()->Option4[2]->setChecked(true);
    options->Command5[2]->setBackColor(0x0000FF);
    options->Combo2->setCurrentIndex(4);
    options->Check2->setChecked(true);
    options->Command8[3]->setBackColor(0x010203);
    options->Command8[4]->setBackColor(0x040506);
    options->Command8[5]->setBackColor(0x070809);
    options->Command8[0]->setBackColor(0x111111);
    options->Command9[0]->setBackColor(0x000000);
    options->Command9[1]->setBackColor(0x00FF00);
    options->Combo3->setCurrentIndex(1);
    options->Check4->setChecked(true);
    EXPECT_NE(board.Degit[13]->BackColor(), 0x010203) << "nothing reaches the board before OK";

    QTest::mouseClick(options->Command4, Qt::LeftButton);
    EXPECT_TRUE(options->isHidden());
    EXPECT_EQ(board.lblSeiriNum[30]->palette().color(QPalette::WindowText), VbColor::toQColor(0x0000FF))
        << "the number colour of the selected backlight, ON2";
    EXPECT_EQ(board.lblSeiriNum[1]->text(), "無 券");
    EXPECT_EQ(board.lblSeiriNum[2]->text(), "０１");
    EXPECT_EQ(board.Degit[12]->BackColor(), 0x111111);
    EXPECT_EQ(board.TimeDegit[1]->BackColor(), 0x111111);
    EXPECT_EQ(board.Degit[13]->BackColor(), 0x010203);
    EXPECT_EQ(board.Degit[24]->BaseForeColor(), 0x040506);
    EXPECT_EQ(board.Degit[24]->DegitForeColor(), 0x070809);
    EXPECT_NE(board.Degit[25]->BackColor(), 0x010203);
    EXPECT_EQ(board.ChimeiCtl->BackColor(), 0x000000);
    EXPECT_EQ(board.ChimeiCtl->ForeColor(), 0x00FF00);
    EXPECT_EQ(board.ChimeiCtl->FontMode(), 1);
    EXPECT_TRUE(board.ChimeiCtl->FontBold());
    EXPECT_EQ(board.Picture().toImage(), board.imgRes[2].Picture.toImage()) << "the backlight is applied again";

    options->Check1->setChecked(false);
    options->SetProp();
    EXPECT_TRUE(board.lblSeiriNum[7]->isHidden());
}

} // namespace
