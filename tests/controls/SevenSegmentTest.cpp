#include "controls/SevenSegment.h"

#include <QPainterPath>
#include <QRectF>

#include <gtest/gtest.h>

#include <bit>
#include <set>

namespace {

using namespace SevenSegment;

TEST(SegmentTable, DigitsLightTheirClassicSegments)
{
    const int counts[10] = {6, 2, 5, 5, 4, 5, 6, 3, 7, 6};
    std::set<std::uint8_t> seen;
    for (int d = 0; d <= 9; ++d) {
        const std::uint8_t mask = segmentsFor(static_cast<char32_t>(U'0' + d));
        EXPECT_EQ(std::popcount(mask), counts[d]) << d;
        EXPECT_EQ(mask & Dp, 0) << d;
        seen.insert(mask);
    }
    EXPECT_EQ(seen.size(), 10u) << "two digits look alike";
    EXPECT_EQ(segmentsFor(U'8'), All);
    EXPECT_EQ(segmentsFor(U'1'), B | C);
    EXPECT_EQ(segmentsFor(U'7'), A | B | C);
}

TEST(SegmentTable, SignsLettersAndUnknownCharacters)
{
    EXPECT_EQ(segmentsFor(U' '), 0);
    EXPECT_EQ(segmentsFor(U'-'), G);
    EXPECT_EQ(segmentsFor(U'.'), Dp);
    EXPECT_EQ(segmentsFor(U'E'), A | D | E | F | G);
    EXPECT_EQ(segmentsFor(U'H'), B | C | E | F | G);
    EXPECT_EQ(segmentsFor(U'#'), 0);
    EXPECT_EQ(segmentsFor(U'あ'), 0);
    EXPECT_EQ(segmentsFor(U'W'), 0);
}

TEST(SegmentOutlines, EveryFaceStaysInsideItsCellWithoutOverlaps)
{
    const QRectF cell(0, 0, CellWidth, CellHeight);
    for (int style : {0, 1, 2}) {
        for (bool bold : {false, true}) {
            const auto& outlines = SevenSegment::outlines(style, bold);
            for (size_t i = 0; i < outlines.size(); ++i) {
                EXPECT_TRUE(cell.contains(outlines[i].boundingRect())) << style << bold << i;
                for (size_t j = i + 1; j < outlines.size(); ++j) {
                    QPainterPath a, b;
                    a.addPolygon(outlines[i]);
                    b.addPolygon(outlines[j]);
                    EXPECT_LT(a.intersected(b).boundingRect().width() * a.intersected(b).boundingRect().height(), 1.0)
                        << "style " << style << " segments " << i << " and " << j << " overlap";
                }
            }
        }
    }
}

double area(const QPolygonF& polygon)
{
    double twice = 0;
    for (qsizetype i = 0; i < polygon.size(); ++i) {
        const QPointF& a = polygon[i];
        const QPointF& b = polygon[(i + 1) % polygon.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return std::abs(twice) / 2;
}

TEST(SegmentOutlines, FacesDifferAndBoldIsThicker)
{
    EXPECT_NE(outlines(0, true)[0], outlines(1, true)[0]);
    EXPECT_NE(outlines(1, true)[0], outlines(2, true)[0]);
    EXPECT_EQ(outlines(7, true)[0], outlines(0, true)[0]) << "unknown styles use the default face";
    for (int style : {0, 1, 2})
        EXPECT_GT(area(outlines(style, true)[6]), area(outlines(style, false)[6]) * 1.2) << style;
}

} // namespace
