#include "controls/M_Degit.h"

#include "DegitReader.h"
#include "controls/SevenSegment.h"
#include "Seam.h"
#include "platform/VbColor.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A large cell in colours far apart, so the picture reads unambiguously.
class DegitCell : public testing::Test
{
protected:
    void SetUp() override
    {
        cell.setBackColor(0x000000);
        cell.setBaseForeColor(0x00FF00);
        cell.setDegitForeColor(0x0000FF);
        cell.setDegitSize(2);
        cell.setKeta(3);
    }
    QString shown() const { return DegitReader::litText(cell); }

    M_Degit cell;
};

TEST(DegitNew, StartsWithTheSavedDefaults)
{
    M_Degit cell;
    EXPECT_EQ(cell.size(), QSize(52, 20));
    EXPECT_EQ(cell.Keta(), 4);
    EXPECT_EQ(cell.BaseForeColor(), 0x969696);
    EXPECT_EQ(cell.DegitForeColor(), 0x72D2F8);
    EXPECT_EQ(cell.BackColor(), 0x808080);
    EXPECT_EQ(cell.Value(), QVariant(0));
    EXPECT_TRUE(cell.UserSet());
    EXPECT_TRUE(cell.WriteProperties().isEmpty()) << "defaults are not stored";
    EXPECT_TRUE(DegitReader::allUnlitEights(cell)) << "the first drawing shows 0 in zero mode 0: nothing lit";
}

TEST(DegitNew, OlderSystemsGetSpacingAndThinDigits)
{
    EXPECT_EQ(M_Degit::textStyleFor(1, 4).lCharExtra, 1);
    EXPECT_FALSE(M_Degit::textStyleFor(1, 4).bBoldDigits);
    EXPECT_EQ(M_Degit::textStyleFor(2, 4).lCharExtra, 1);
    EXPECT_EQ(M_Degit::textStyleFor(1, 10).lCharExtra, 1);
    EXPECT_EQ(M_Degit::textStyleFor(2, 5).lCharExtra, 0);
    EXPECT_TRUE(M_Degit::textStyleFor(2, 10).bBoldDigits);
    M_Degit cell;
    EXPECT_EQ(cell.lCharExtra(), 0);
    EXPECT_TRUE(cell.bBoldDigits());
}

TEST_F(DegitCell, PropertyWritesClamp)
{
    cell.setFillZero(9);
    EXPECT_EQ(cell.FillZero(), 3);
    cell.setShift(3);
    EXPECT_EQ(cell.Shift(), 2);
    cell.setShift(-2);
    EXPECT_EQ(cell.Shift(), 0);
    cell.setZeroMode(7);
    EXPECT_EQ(cell.ZeroMode(), 0);
    cell.setZeroMode(-1);
    EXPECT_EQ(cell.ZeroMode(), -1) << "only 4 and above are refused";
    cell.setDegitSize(5);
    EXPECT_EQ(cell.DegitSize(), 0);
    EXPECT_EQ(cell.size(), QSize(39, 20));
    for (int keta : {0, 16}) {
        cell.setKeta(keta);
        EXPECT_EQ(cell.Keta(), 4);
        EXPECT_EQ(cell.size(), QSize(52, 20));
    }
}

TEST_F(DegitCell, SizesFollowTheSizeTable)
{
    const QSize expected[4] = {{39, 20}, {51, 26}, {57, 29}, {33, 15}};
    for (int size = 0; size < 4; ++size) {
        cell.setDegitSize(size);
        EXPECT_EQ(cell.size(), expected[size]) << size;
        EXPECT_EQ(cell.surface().size(), expected[size]) << size;
    }
}

TEST_F(DegitCell, ZeroModesAsDrawn)
{
    cell.setValue(0);
    EXPECT_EQ(shown(), "   ");
    EXPECT_TRUE(DegitReader::allUnlitEights(cell));
    cell.setZeroMode(1);
    cell.setValue(0);
    EXPECT_EQ(shown(), "  0");
    cell.setZeroMode(2);
    cell.setValue(-1);
    EXPECT_EQ(shown(), "  0");
    cell.setValue(0);
    EXPECT_EQ(shown(), "   ");
    cell.setZeroMode(3);
    for (const QVariant& v : {QVariant(-1), QVariant(0), QVariant(QString())}) {
        cell.setValue(v);
        EXPECT_EQ(shown(), "  0") << v.toString().toStdString();
    }
    cell.setValue(QStringLiteral(" "));
    EXPECT_EQ(shown(), "   ");
}

TEST_F(DegitCell, ValuesAlignRightAndLoseTheirLeft)
{
    cell.setValue(1234);
    EXPECT_EQ(shown(), "234");
    cell.setValue(-12);
    EXPECT_EQ(shown(), "-12");
    cell.setValue(7);
    EXPECT_EQ(shown(), "  7");
    cell.setFillZero(3);
    cell.setValue(5);
    EXPECT_EQ(shown(), "005");
    cell.setFillZero(0);
    cell.setShift(1);
    cell.setValue(12);
    EXPECT_EQ(shown(), "12 ");
    EXPECT_EQ(DegitReader::litMasks(cell)[2], 0) << "the shifted position stays unlit";
}

TEST_F(DegitCell, LettersLightTheirPatternAndUnknownsNothing)
{
    cell.setValue(QStringLiteral("E#"));
    const auto masks = DegitReader::litMasks(cell);
    EXPECT_EQ(masks[0], 0);
    EXPECT_EQ(masks[1], SevenSegment::segmentsFor(U'E'));
    EXPECT_EQ(masks[2], 0);
}

TEST_F(DegitCell, OptionWritesWaitForTheNextDrawing)
{
    cell.setValue(5);
    const QImage before = cell.surface();
    cell.setFillZero(3);
    cell.setShift(1);
    cell.setZeroMode(1);
    EXPECT_EQ(cell.surface(), before);
    cell.setValue(cell.Value());
    EXPECT_EQ(shown(), "05 ");
}

TEST_F(DegitCell, ResetLightsOrBlanksAndKeepsTheOptions)
{
    cell.setShift(1);
    cell.setZeroMode(3);
    cell.setFillZero(2);
    cell.ResetDegit(-1);
    EXPECT_EQ(shown(), "888");
    cell.ResetDegit(0);
    EXPECT_EQ(shown(), "   ");
    EXPECT_EQ(cell.Value(), QVariant(QString()));
    EXPECT_EQ(cell.Shift(), 1);
    EXPECT_EQ(cell.ZeroMode(), 3);
    EXPECT_EQ(cell.FillZero(), 2);
}

TEST_F(DegitCell, EveryFaceDrawsTheSameCharacters)
{
    cell.setValue(309);
    for (int style : {0, 1, 2, 9}) {
        cell.setDegitStyle(style);
        EXPECT_EQ(shown(), "309") << style;
    }
}

TEST_F(DegitCell, ColourWritesRedraw)
{
    cell.setValue(8);
    cell.setDegitForeColor(0xFF0000);
    const QPoint middle(2 * 19 + 9, 14);
    EXPECT_EQ(VbColor::fromQColor(cell.surface().pixelColor(middle)), 0xFF0000);
    cell.setBackColor(0x123456);
    EXPECT_EQ(VbColor::fromQColor(cell.surface().pixelColor(0, 0)), 0x123456);
}

TEST_F(DegitCell, DialogValuesAreStoredAsReturned)
{
    cell.setValue(5);
    SeamRecorder seam([](ApiLib::SeamCall& call) {
        EXPECT_EQ(call.numbers, (QList<std::int32_t>{3, 0, 0, 0}));
        call.numbers[1] = 9;
        call.numbers[2] = 7;
        call.numbers[3] = -2;
        return 2;
    });
    EXPECT_EQ(cell.ShowSetDlg(), 2);
    EXPECT_EQ(cell.ZeroMode(), 9);
    EXPECT_EQ(cell.Shift(), 7);
    EXPECT_EQ(cell.FillZero(), -2);
    EXPECT_EQ(shown(), "   ") << "a shift past the cell pushes the value out; nothing crashes";
}

TEST(DegitProperties, ReadingStoresRawValuesWithoutDrawing)
{
    M_Degit cell;
    cell.setValue(123);
    cell.ReadProperties({{QStringLiteral("Keta"), 0},
                         {QStringLiteral("Shift"), 9},
                         {QStringLiteral("BackColor"), 0x404040},
                         {QStringLiteral("Value"), 77}});
    EXPECT_EQ(cell.Keta(), 0);
    EXPECT_EQ(cell.Shift(), 9);
    EXPECT_EQ(cell.size(), QSize(52, 20)) << "no resize";
    EXPECT_EQ(cell.surface().pixelColor(26, 10), VbColor::toQColor(0x404040)) << "only the background shows";
    const QVariantMap saved = cell.WriteProperties();
    EXPECT_EQ(saved.value(QStringLiteral("Keta")), QVariant(0));
    EXPECT_EQ(saved.value(QStringLiteral("Value")), QVariant(77));
    EXPECT_FALSE(saved.contains(QStringLiteral("DegitSize")));
    cell.setValue(1);
    EXPECT_TRUE(cell.surface().size() == QSize(52, 20)) << "drawing with no positions must not fail";
}

TEST(DegitEvents, DoubleClickRaisesDblClick)
{
    M_Degit cell;
    QSignalSpy spy(&cell, &M_Degit::DblClick);
    QTest::mouseDClick(&cell, Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
}

} // namespace
