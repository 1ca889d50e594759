#include "board/Form1.h"

#include "board/NumberStrip.h"
#include "board/mdl517_000.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "platform/FontSubst.h"
#include "platform/VbColor.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

class Board36 : public testing::Test
{
protected:
    void SetUp() override
    {
        board.Form_Load();
        board.option()->SetProp();
    }
    void switchTo(BoardLayout layout)
    {
        board.setBoardLayout(layout);
        board.option()->SetProp();
    }

    Form1 board;
};

TEST_F(Board36, ThreeRowsOfTwelveCellsEachUnderItsNumber)
{
    switchTo(BoardLayout::Tickets36);
    EXPECT_EQ(board.size(), QSize(860, 244));
    EXPECT_EQ(board.mask().boundingRect(), QRect(0, 0, 860, 244));
    EXPECT_FALSE(board.mask().contains(QPoint(859, 0)));
    EXPECT_TRUE(board.mask().contains(QPoint(853, 0)));
    const QRect face = board.rect().adjusted(5, 5, -5, -5);
    QRegion taken;
    for (int i = 1; i <= 36; ++i) {
        SCOPED_TRACE(i);
        const QRect cell = board.Degit[i]->geometry();
        const QRect label = board.lblSeiriNum[i]->geometry();
        EXPECT_EQ(cell.topLeft(), QPoint(84 + 62 * ((i - 1) % 12), 32 + 72 * ((i - 1) / 12)));
        EXPECT_EQ(cell.size(), QSize(57, 29));
        EXPECT_EQ(board.Degit[i]->DegitSize(), 2);
        EXPECT_EQ(board.Degit[i]->Keta(), 3);
        EXPECT_EQ(label.left(), cell.left());
        EXPECT_LT(label.bottom(), cell.top());
        EXPECT_GT(label.bottom(), cell.top() - 5) << "right above its cell";
        EXPECT_TRUE(face.contains(cell) && face.contains(label));
        EXPECT_TRUE(board.lblSeiriNum[i]->isVisibleTo(&board));
        EXPECT_FALSE(taken.intersects(cell) || taken.intersects(label));
        taken += cell;
        taken += label;
    }
    const QRect page = board.lblPage->geometry();
    EXPECT_TRUE(board.lblPage->isVisibleTo(&board));
    EXPECT_TRUE(face.contains(page));
    EXPECT_FALSE(taken.intersects(page));
    EXPECT_GT(page.left(), board.ChimeiCtl->geometry().right());
    EXPECT_EQ(board.Picture().toImage(), board.imgRes[0].Picture.toImage());
    EXPECT_EQ(board.imgRes[0].Picture.size(), QSize(860, 244));
    EXPECT_NE(board.imgRes[0].Picture.toImage(), board.imgRes[1].Picture.toImage());
}

// The twelve-ticket board after a round trip through the other layout is
// the board it was, to the pixel.
TEST_F(Board36, SwitchingBackLeavesTheTwelveTicketBoardAsItWas)
{
    for (int i = 1; i <= 36; ++i)
        board.Degit[i]->setValue(100 + i);
    std::array<QRect, 37> cells;
    std::array<QRect, 37> labels;
    for (int i = 1; i <= 36; ++i) {
        cells[i] = board.Degit[i]->geometry();
        labels[i] = board.lblSeiriNum[i]->geometry();
    }
    const QImage before = board.grab().toImage();
    const QRegion shape = board.mask();

    for (int state : {1, 0}) {
        board.ctl()->Option4[state]->setChecked(true);
        switchTo(BoardLayout::Tickets36);
        EXPECT_EQ(board.Picture().toImage(), board.imgRes[state].Picture.toImage()) << "the same state's face";
        switchTo(BoardLayout::Tickets12);
        EXPECT_EQ(board.Picture().toImage(), board.imgRes[state].Picture.toImage());
    }
    EXPECT_FALSE(board.lblPage->isVisibleTo(&board));
    EXPECT_EQ(board.size(), QSize(567, 244));
    EXPECT_EQ(board.mask(), shape);
    for (int i = 1; i <= 36; ++i) {
        EXPECT_EQ(board.Degit[i]->geometry(), cells[i]) << i;
        EXPECT_EQ(board.lblSeiriNum[i]->geometry(), labels[i]) << i;
    }
    EXPECT_EQ(board.grab().toImage(), before);
}

TEST_F(Board36, LabelsInEveryNumberingStyle)
{
    const auto caption = [](int n) { return NumberStrip::caption(n, false); };
    switchTo(BoardLayout::Tickets36);
    const char* const words[] = {"な し", "無 券", "券なし", "券無し", ""};
    for (int style = 0; style <= 11; ++style) {
        SCOPED_TRACE(style);
        board.setTicketPage(0);
        mdl517_000::SeirikenNumSet(board, style, 0);
        const bool word = style >= 2;
        const int shift = style == 1 || (word && style % 2 == 0) ? 1 : 0;
        EXPECT_EQ(board.lblSeiriNum[1]->text(), word ? QString::fromUtf8(words[(style - 2) / 2]) : caption(1 - shift));
        EXPECT_EQ(board.lblSeiriNum[1]->font().family(), word ? FontSubst::PGothic : FontSubst::DigitFace);
        EXPECT_EQ(board.lblSeiriNum[36]->text(), caption(36 - shift));

        board.setTicketPage(1);
        EXPECT_EQ(board.lblSeiriNum[1]->text(), caption(37 - shift)) << "a number in place of the word";
        EXPECT_EQ(board.lblSeiriNum[1]->font().family(), FontSubst::DigitFace);
        EXPECT_EQ(board.lblPage->text(), QStringLiteral("%1～%2").arg(37 - shift).arg(72 - shift));
        board.setTicketPage(4);
        EXPECT_EQ(board.lblSeiriNum[6]->text(), caption(150 - shift));
        EXPECT_EQ(board.lblSeiriNum[7]->text(), QString());
    }
    board.setTicketPage(0);
    mdl517_000::SeirikenNumSet(board, 0, 1);
    EXPECT_EQ(board.lblSeiriNum[1]->text(), QStringLiteral("０１"));
    board.setTicketPage(2);
    EXPECT_EQ(board.lblSeiriNum[1]->text(), QStringLiteral("７３")) << "the padding survives the page turn";

    // 整理券番号自動表示機能を使用 shows and hides them; the backlight colours them.
    board.option()->Check1->setChecked(false);
    board.option()->SetProp();
    EXPECT_FALSE(board.lblSeiriNum[20]->isVisibleTo(&board));
    board.option()->Check1->setChecked(true);
    board.option()->SetProp();
    EXPECT_TRUE(board.lblSeiriNum[20]->isVisibleTo(&board));
    board.option()->Command5[2]->setBackColor(0x3366CC);
    board.ctl()->Option4[2]->setChecked(true);
    for (QLabel* label : {board.lblSeiriNum[20], board.lblPage})
        EXPECT_EQ(label->palette().color(QPalette::WindowText), VbColor::toQColor(0x3366CC));
}

TEST_F(Board36, CellsAndLabelsTellWhatTheyShow)
{
    for (BoardLayout layout : {BoardLayout::Tickets12, BoardLayout::Tickets36}) {
        switchTo(layout);
        for (int i : {1, 13, 36}) {
            SCOPED_TRACE(i);
            M_Degit* cell = board.Degit[i];
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(cell);
            ASSERT_NE(face, nullptr);
            cell->setValue(170);
            EXPECT_EQ(face->text(QAccessible::Value), "170");
            cell->setValue(5);
            cell->setFillZero(3);
            EXPECT_EQ(face->text(QAccessible::Value), "5") << "options show at the next drawing";
            cell->setValue(5);
            EXPECT_EQ(face->text(QAccessible::Value), "005");
            cell->setFillZero(0);
            cell->ResetDegit(-1);
            EXPECT_EQ(face->text(QAccessible::Value), "888");
            cell->ResetDegit(0);
            EXPECT_EQ(face->text(QAccessible::Value), "");

            QAccessibleInterface* number = QAccessible::queryAccessibleInterface(board.lblSeiriNum[i]);
            ASSERT_NE(number, nullptr);
            EXPECT_EQ(number->text(QAccessible::Name), board.lblSeiriNum[i]->text());
            EXPECT_FALSE(number->text(QAccessible::Name).isEmpty());
        }
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(board.lblPage)->text(QAccessible::Name), "1～36");
}

} // namespace
