#include "controls/DegitText.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char* name;
    QVariant value;
    int zeroMode;
    int fillZero;
    int shift;
    int keta;
    const char* shown;
};

const QVariant kEmpty;
const QVariant kBlank = QString();
const QVariant kSpace = QStringLiteral(" ");

class VisibleText : public testing::TestWithParam<Case>
{
};

TEST_P(VisibleText, ShowsTheRuleResult)
{
    const Case& c = GetParam();
    EXPECT_EQ(DegitText::visibleText(c.value, c.zeroMode, c.fillZero, c.shift, c.keta), QString::fromUtf8(c.shown));
}

INSTANTIATE_TEST_SUITE_P(
    ZeroModes, VisibleText,
    testing::Values(
        // Mode 0: zero and empty go blank; -1 and ordinary text stay.
        Case{"m0_zero", 0, 0, 0, 0, 3, ""}, Case{"m0_minus_one", -1, 0, 0, 0, 3, "-1"},
        Case{"m0_blank", kBlank, 0, 0, 0, 3, ""}, Case{"m0_empty", kEmpty, 0, 0, 0, 3, ""},
        Case{"m0_space", kSpace, 0, 0, 0, 3, " "}, Case{"m0_zero_text", QStringLiteral("00"), 0, 0, 0, 3, ""},
        Case{"m0_zero_double", 0.0, 0, 0, 0, 3, ""}, Case{"m0_fare", 230, 0, 0, 0, 3, "230"},
        // Mode 1: zero and empty show a real 0.
        Case{"m1_zero", 0, 1, 0, 0, 3, "0"}, Case{"m1_blank", kBlank, 1, 0, 0, 3, "0"},
        Case{"m1_empty", kEmpty, 1, 0, 0, 3, "0"}, Case{"m1_minus_one", -1, 1, 0, 0, 3, "-1"},
        Case{"m1_space", kSpace, 1, 0, 0, 3, " "},
        // Mode 2: -1 is the way to show 0; 0 itself goes blank.
        Case{"m2_minus_one", -1, 2, 0, 0, 3, "0"}, Case{"m2_minus_one_text", QStringLiteral(" -1"), 2, 0, 0, 3, "0"},
        Case{"m2_zero", 0, 2, 0, 0, 3, ""}, Case{"m2_blank", kBlank, 2, 0, 0, 3, ""},
        Case{"m2_space", kSpace, 2, 0, 0, 3, " "},
        // Mode 3: -1, 0 and empty all show 0.
        Case{"m3_minus_one", -1, 3, 0, 0, 3, "0"}, Case{"m3_zero", 0, 3, 0, 0, 3, "0"},
        Case{"m3_blank", kBlank, 3, 0, 0, 3, "0"}, Case{"m3_space", kSpace, 3, 0, 0, 3, " "},
        // A mode outside 0 to 3 substitutes nothing.
        Case{"other_zero", 0, -1, 0, 0, 3, "0"}, Case{"other_minus_one", -1, 9, 0, 0, 3, "-1"},
        Case{"other_blank", kBlank, 5, 0, 0, 3, ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    PaddingShiftAndWidth, VisibleText,
    testing::Values(
        Case{"long_value_loses_left", 1234, 0, 0, 0, 3, "234"},
        Case{"padded", 5, 0, 3, 0, 3, "005"}, Case{"padded_text_number", QStringLiteral("7"), 0, 2, 0, 3, "07"},
        Case{"padded_spaced_number", QStringLiteral(" 12 "), 0, 3, 0, 3, "012"},
        Case{"letters_not_padded", QStringLiteral("A"), 0, 3, 0, 3, "A"},
        Case{"negative_padded", -5, 0, 3, 0, 4, "-005"}, Case{"fraction_rounded", 1.5, 0, 3, 0, 3, "002"},
        Case{"zero_made_visible_is_padded", 0, 1, 3, 0, 3, "000"},
        Case{"blank_is_not_padded", 0, 0, 3, 0, 3, ""}, Case{"negative_fill_ignored", 5, 0, -2, 0, 3, "5"},
        Case{"shifted", 12, 0, 0, 1, 3, "12 "}, Case{"shifted_long", 1234, 0, 0, 1, 3, "34 "},
        Case{"shifted_blank", 0, 0, 0, 2, 3, "  "}, Case{"shift_after_padding", 5, 0, 2, 1, 3, "05 "},
        Case{"whole_double", 9.0, 0, 0, 0, 2, "9"}, Case{"fraction", 1.5, 0, 0, 0, 3, "1.5"},
        Case{"no_positions", 12, 0, 0, 0, 0, ""}, Case{"negative_positions", 12, 0, 0, 0, -3, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumericValue, ReadsNumbersAndNumberLikeTextOnly)
{
    EXPECT_EQ(DegitText::numericValue(120), 120.0);
    EXPECT_EQ(DegitText::numericValue(QStringLiteral(" 42 ")), 42.0);
    EXPECT_EQ(DegitText::numericValue(QStringLiteral("-1")), -1.0);
    EXPECT_EQ(DegitText::numericValue(QStringLiteral("1.25")), 1.25);
    EXPECT_FALSE(DegitText::numericValue(QString()));
    EXPECT_FALSE(DegitText::numericValue(QStringLiteral(" ")));
    EXPECT_FALSE(DegitText::numericValue(QStringLiteral("12a")));
    EXPECT_FALSE(DegitText::numericValue(QStringLiteral("inf")));
    EXPECT_FALSE(DegitText::numericValue(QVariant()));
}

} // namespace
