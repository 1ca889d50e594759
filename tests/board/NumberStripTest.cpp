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

TEST(NumberStrip, LaterPagesGoOnCountingUpToTicket150)
{
    // style: number under label 1 of page 1, and under the last label with
    // a ticket (label 6 of page 4, ticket 150).
    const struct
    {
        int style, page1First, lastNumber;
        const char* range0;
    } cases[] = {
        {0, 37, 150, "1～36"}, {1, 36, 149, "0～35"}, {2, 36, 149, "1～35"},  {3, 37, 150, "2～36"},
        {4, 36, 149, "1～35"}, {5, 37, 150, "2～36"}, {6, 36, 149, "1～35"},  {7, 37, 150, "2～36"},
        {8, 36, 149, "1～35"}, {9, 37, 150, "2～36"}, {10, 36, 149, "1～35"}, {11, 37, 150, "2～36"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        const NumberStrip::Plan page1 = NumberStrip::plan(c.style, 1, 1);
        EXPECT_TRUE(page1.firstInDigitFace) << "no word on a later page";
        ASSERT_EQ(page1.captions.size(), 36u);
        EXPECT_EQ(page1.captions.front(), std::make_pair(1, NumberStrip::caption(c.page1First, true)));
        EXPECT_EQ(page1.captions.back(), std::make_pair(36, NumberStrip::caption(c.page1First + 35, true)));

        const NumberStrip::Plan last = NumberStrip::plan(c.style, 0, 4);
        ASSERT_EQ(last.captions.size(), 36u);
        EXPECT_EQ(last.captions[5].second, NumberStrip::caption(c.lastNumber, false));
        EXPECT_EQ(last.captions[6].second, QString()) << "no ticket 151";
        EXPECT_EQ(last.captions[35].second, QString());

        EXPECT_EQ(NumberStrip::pageRange(c.style, 0), QString::fromUtf8(c.range0));
        EXPECT_EQ(NumberStrip::pageRange(c.style, 1), QStringLiteral("%1～%2").arg(c.page1First).arg(c.page1First + 35));
        EXPECT_EQ(NumberStrip::pageRange(c.style, 4), QStringLiteral("%1～%2").arg(c.lastNumber - 5).arg(c.lastNumber));
    }
    EXPECT_TRUE(NumberStrip::plan(12, 0, 1).captions.empty());
    EXPECT_EQ(NumberStrip::pageRange(-1, 2), QStringLiteral("73～108"));
    EXPECT_EQ(NumberStrip::caption(150, true), QStringLiteral("１５０"));
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
