#include "controls/ChimeiText.h"

#include "controls/GlyphSource.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace {

using ChimeiText::Layout;

TEST(ChimeiLayout, CentresUpToSixCharactersAndGrowsBeyond)
{
    struct Row
    {
        int d, mode, top, pitch, height;
    };
    const Row rows[] = {
        {0, 0, 0, 0, 192},   {1, 0, 80, 0, 192},  {1, 2, 80, 0, 192},   {2, 0, 32, 96, 192}, {2, 1, 32, 96, 192},
        {2, 2, 48, 64, 192}, {3, 2, 16, 64, 192}, {4, 0, 8, 48, 192},   {5, 0, 4, 38, 192},  {6, 2, 0, 32, 192},
        {7, 0, 0, 32, 224},  {7, 2, 0, 32, 224},  {8, 0, 0, 32, 256},
    };
    for (const Row& r : rows) {
        const Layout l = ChimeiText::layoutFor(r.d, r.mode);
        EXPECT_EQ(l.top, r.top) << r.d << " mode " << r.mode;
        EXPECT_EQ(l.pitch, r.pitch) << r.d << " mode " << r.mode;
        EXPECT_EQ(l.height, r.height) << r.d << " mode " << r.mode;
    }
}

TEST(ChimeiClassify, MarksTurnsAndNudges)
{
    struct Case
    {
        const char* text;
        int fontMode;
        QPoint offset;
        bool turned;
        const char* after;
    };
    const Case cases[] = {
        {"ー", 0, {0, 0}, false, "丨"}, {"（", 0, {0, 0}, true, "（"},   {"→", 3, {0, 0}, true, "→"},
        {"－", 0, {0, 0}, true, "－"},  {"～", 0, {0, 0}, true, "～"},   {"。", 0, {10, -10}, false, "。"},
        {"、", 1, {10, -10}, false, "、"}, {"申", 0, {1, 0}, false, "申"}, {"山", 2, {0, 0}, false, "山"},
        {"-", 0, {0, 0}, false, "-"},   {"（仮", 0, {0, 0}, false, "（仮"}, {"駅", 0, {0, 0}, false, "駅"},
    };
    for (const Case& c : cases) {
        QByteArray bytes = *Cp932::encode(QString::fromUtf8(c.text));
        const ChimeiText::PrintRule rule = ChimeiText::classify(bytes, c.fontMode);
        EXPECT_EQ(rule.offset, c.offset) << c.text;
        EXPECT_EQ(rule.turned, c.turned) << c.text;
        EXPECT_EQ(Cp932::decode(bytes).value_or(QString()), QString::fromUtf8(c.after)) << c.text;
    }
}

TEST(ChimeiFace, ChosenByTheFirstCharactersCode)
{
    auto code = [](const char* utf8) { return ChimeiText::firstCode(*Cp932::encode(QString::fromUtf8(utf8))); };
    EXPECT_EQ(code("A"), 0x41);
    EXPECT_EQ(code("ｱ"), 0xB1) << "half-width kana is single-byte";
    EXPECT_EQ(static_cast<std::uint16_t>(code("あ")), 0x82A0);
    EXPECT_LT(code("駅"), 0);

    using enum GlyphFace;
    struct Case
    {
        int mode;
        const char* text;
        GlyphFace face;
    };
    const Case cases[] = {
        {0, "あ", Gothic}, {0, "駅", Gothic}, {7, "あ", Gothic},  {1, "A", Mincho},   {1, "駅", Mincho},
        {2, "あ", Mincho}, {2, "亜", Gothic}, {2, "A", Gothic},   {2, "＠", Mincho},  {3, "あ", Gothic},
        {3, "亜", Mincho}, {3, "A", Mincho},  {4, "０", Gothic},  {4, "ｚ", Gothic},  {4, "あ", Mincho},
        {4, "A", Mincho},  {4, "駅", Mincho}, {2, "ー", Mincho},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChimeiText::faceFor(c.mode, code(c.text)), c.face) << c.mode << " " << c.text;
    // 亜 (0x889F) is the first kanji; the last non-kanji code sits just below.
    EXPECT_EQ(ChimeiText::faceFor(2, static_cast<std::int16_t>(0x889E)), Mincho);
    EXPECT_EQ(ChimeiText::faceFor(2, static_cast<std::int16_t>(0x889F)), Gothic);
}

TEST(ChimeiDots, PlacedTwoPixelsApartOrMirroredWhenTurned)
{
    // An L: the left column and the bottom row, plus one stray pixel at (5, 1).
    GlyphCell cell;
    for (int r = 0; r < 16; ++r)
        cell.rows[static_cast<size_t>(r)] |= 1u;
    cell.rows[15] = 0xFFFF;
    cell.rows[1] |= 1u << 5;

    QImage plain(40, 40, QImage::Format_RGB32);
    plain.fill(Qt::black);
    QImage turned = plain;
    const QRgb dot = qRgb(255, 190, 0);
    ChimeiText::placeDots(plain, 2, 3, cell, false, dot);
    ChimeiText::placeDots(turned, 2, 3, cell, true, dot);

    EXPECT_EQ(plain.pixel(2 + 2 * 5, 3 + 2 * 1), dot);
    EXPECT_EQ(turned.pixel(2 + 2 * 1, 3 + 2 * 5), dot) << "mirrored about the main diagonal";
    EXPECT_NE(turned.pixel(2 + 2 * 5, 3 + 2 * 1), dot);
    EXPECT_EQ(plain.pixel(2 + 2 * 15, 3 + 2 * 15), dot);
    EXPECT_EQ(turned.pixel(2 + 2 * 15, 3), dot) << "the bottom row becomes the right column";
    EXPECT_NE(plain.pixel(3, 3), dot) << "dots have gaps between them";
    int dots = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            dots += plain.pixel(x, y) == dot;
    EXPECT_EQ(dots, 16 + 15 + 1);

    QImage small(10, 10, QImage::Format_RGB32);
    small.fill(Qt::black);
    ChimeiText::placeDots(small, 2, 3, cell, false, dot);
    EXPECT_EQ(small.pixel(2, 9), dot) << "dots inside are set, those beyond the image dropped";
}

TEST(GlyphSource, PrintsFromTheBitmapFacesAndFallsBack)
{
    GlyphSource& source = GlyphSource::instance();
    ASSERT_TRUE(source.available());
    auto print = [&](const char* utf8, QPoint offset = {}) {
        return source.print(*Cp932::encode(QString::fromUtf8(utf8)), GlyphFace::Gothic, false, offset);
    };
    EXPECT_FALSE(print("系").empty());
    EXPECT_FALSE(print("①").empty()) << "not in the bitmap face: the outline face draws it";
    EXPECT_FALSE(print("髙").empty());
    EXPECT_NE(print("系").rows, print("糸").rows);
    const GlyphCell bold = source.print(*Cp932::encode(QStringLiteral("系")), GlyphFace::Gothic, true, {});
    EXPECT_NE(bold.rows, print("系").rows);

    // Two half-width characters share the cell: "1" left, nothing right of 8.
    const GlyphCell one = print("1 ");
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(one.rows[static_cast<size_t>(r)] & 0xFF00, 0) << r;
    const GlyphCell pair = print("11");
    EXPECT_EQ(pair.rows[8] >> 8, pair.rows[8] & 0xFF) << "the second character is the first moved 8 right";

    // An offset moves the print and cuts what leaves the cell.
    const GlyphCell moved = print("系", {10, -10});
    const GlyphCell base = print("系");
    for (int r = 0; r < 6; ++r)
        EXPECT_EQ(moved.rows[static_cast<size_t>(r)], static_cast<std::uint16_t>(base.rows[static_cast<size_t>(r + 10)] << 10));
    EXPECT_EQ(moved.rows[6], 0);

    // Half a character and a space: nothing to print, and no failure.
    EXPECT_TRUE(source.print(QByteArray("\x8C\x20", 2), GlyphFace::Gothic, false, {}).empty());
}

} // namespace
