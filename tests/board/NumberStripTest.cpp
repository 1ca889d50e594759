#include "board/NumberStrip.h"

#include "board/Form1.h"
#include "board/mdl517_000.h"
#include "platform/FontSubst.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

TEST(NumberStrip, CaptionsAreFullWidthAndPaddedOnRequest)
{
    EXPECT_EQ(NumberStrip::caption(1, false), "１");
    EXPECT_EQ(NumberStrip::caption(1, true), "０１");
    EXPECT_EQ(NumberStrip::caption(12, true), "１２");
    EXPECT_EQ(NumberStrip::caption(0, true), "００");
    EXPECT_EQ(NumberStrip::caption(36, false), "３６");
}

TEST(NumberStrip, EveryStyleNumbersItsLabels)
{
    struct Case
    {
        int style;
        bool digitFace;
        const char* firstText; // when not in the digit face
        int firstLabel, firstNumber, lastLabel, lastNumber;
    };
    const Case cases[] = {
        {0, true, "", 1, 1, 36, 36},        {1, true, "", 1, 0, 36, 35},       {2, false, "な し", 2, 1, 36, 35},
        {3, false, "な し", 2, 2, 36, 36},  {4, false, "無 券", 2, 1, 36, 35}, {5, false, "無 券", 2, 2, 36, 36},
        {6, false, "券なし", 2, 1, 36, 35}, {7, false, "券なし", 2, 2, 36, 36}, {8, false, "券無し", 2, 1, 36, 35},
        {9, false, "券無し", 2, 2, 36, 36}, {10, false, "", 2, 1, 36, 35},     {11, false, "", 2, 2, 36, 36},
    };
    for (const Case& c : cases) {
        for (int pad : {0, 1}) {
            const NumberStrip::Plan p = NumberStrip::plan(c.style, pad);
            EXPECT_EQ(p.firstInDigitFace, c.digitFace) << c.style;
            if (!c.digitFace) {
                EXPECT_EQ(p.firstText, QString::fromUtf8(c.firstText)) << c.style;
            }
            ASSERT_FALSE(p.captions.empty()) << c.style;
            EXPECT_EQ(p.captions.front(), std::make_pair(c.firstLabel, NumberStrip::caption(c.firstNumber, pad))) << c.style;
            EXPECT_EQ(p.captions.back(), std::make_pair(c.lastLabel, NumberStrip::caption(c.lastNumber, pad))) << c.style;
            EXPECT_EQ(p.captions.size(), static_cast<size_t>(c.lastLabel - c.firstLabel + 1)) << c.style;
        }
    }
    for (int style : {12, 40, -1}) {
        EXPECT_TRUE(NumberStrip::plan(style, 0).captions.empty()) << style;
        EXPECT_TRUE(NumberStrip::plan(style, 0).firstText.isEmpty()) << style;
    }
    EXPECT_TRUE(NumberStrip::plan(-1, 0).firstInDigitFace);
    EXPECT_FALSE(NumberStrip::plan(12, 0).firstInDigitFace);
}

TEST(NumberStrip, TheFirstLabelSwitchesFaceBackAndForth)
{
    Form1 board;
    mdl517_000::SeirikenNumSet(board, 3, 0);
    EXPECT_EQ(board.lblSeiriNum[1]->text(), "な し");
    EXPECT_EQ(board.lblSeiriNum[1]->font().family(), FontSubst::PGothic);
    EXPECT_EQ(board.lblSeiriNum[2]->text(), "２");
    EXPECT_EQ(board.lblSeiriNum[36]->text(), "３６");

    mdl517_000::SeirikenNumSet(board, 0, 1);
    EXPECT_EQ(board.lblSeiriNum[1]->text(), "０１");
    EXPECT_EQ(board.lblSeiriNum[1]->font().family(), FontSubst::DigitFace);
    EXPECT_TRUE(board.lblSeiriNum[1]->font().bold()) << "the face changes, the rest of the font stays";

    mdl517_000::SeirikenNumSet(board, 12, 0);
    EXPECT_EQ(board.lblSeiriNum[1]->text(), "");
    EXPECT_EQ(board.lblSeiriNum[1]->font().family(), FontSubst::PGothic);
    EXPECT_EQ(board.lblSeiriNum[2]->text(), "０２") << "style 12 leaves the other labels";
}

} // namespace
