#include "controls/ChimeiCtl_A.h"
#include "controls/ChimeiStrip.h"

#include "controls/ChimeiText.h"
#include "platform/ApiLib.h"
#include "platform/Cp932.h"
#include "platform/VbColor.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

class Column : public testing::Test
{
protected:
    void SetUp() override
    {
        column.setClock([this] { return now; });
    }

    QRgb dot() const { return VbColor::toQColor(column.ForeColor()).rgb(); }

    // Rows and columns of the strip that hold at least one dot.
    QRect dotBounds() const
    {
        QRect bounds;
        const QImage& strip = column.strip();
        for (int y = 0; y < strip.height(); ++y)
            for (int x = 0; x < strip.width(); ++x)
                if (strip.pixel(x, y) == dot())
                    bounds |= QRect(x, y, 1, 1);
        return bounds;
    }
    int dotsIn(int top, int bottom) const
    {
        int n = 0;
        const QImage& strip = column.strip();
        for (int y = top; y < bottom && y < strip.height(); ++y)
            for (int x = 0; x < strip.width(); ++x)
                n += strip.pixel(x, y) == dot();
        return n;
    }
    void at(qint64 ms)
    {
        now = ms;
        column.ScrollTick();
    }

    qint64 now = 0;
    ChimeiCtl_A column;
};

TEST_F(Column, StartsWithItsDefaults)
{
    EXPECT_EQ(column.size(), QSize(37, 196));
    EXPECT_EQ(column.Speed(), 5);
    EXPECT_EQ(column.ScrollStartWait(), 1500);
    EXPECT_EQ(column.Mode(), 0);
    EXPECT_EQ(column.FontMode(), 0);
    EXPECT_FALSE(column.FontBold());
    EXPECT_EQ(column.BackColor(), 0x808080);
    EXPECT_EQ(column.ForeColor(), 0x00BEFF);
    EXPECT_EQ(column.strip().size(), QSize(37, 192));
}

TEST_F(Column, OneCharacterSitsInTheMiddle)
{
    column.SetChimei(QStringLiteral("駅"));
    const QRect b = dotBounds();
    EXPECT_GE(b.top(), 80);
    EXPECT_LT(b.bottom(), 112);
    EXPECT_GE(b.left(), 2);
    EXPECT_LT(b.right(), 34);
    EXPECT_FALSE(column.isScrolling());
}

TEST_F(Column, TwoCharactersFarApartOrCloseTogether)
{
    column.SetChimei(QStringLiteral("本町"));
    EXPECT_GT(dotsIn(32, 64), 0);
    EXPECT_GT(dotsIn(128, 160), 0);
    EXPECT_EQ(dotsIn(64, 128) + dotsIn(160, 192) + dotsIn(0, 32), 0);
    column.setMode(2);
    column.SetChimei(QStringLiteral("本町"));
    EXPECT_GT(dotsIn(48, 80), 0);
    EXPECT_GT(dotsIn(112, 144), 0);
    EXPECT_EQ(dotsIn(80, 112) + dotsIn(0, 48), 0);
}

TEST_F(Column, SixCharactersFitSevenScroll)
{
    column.SetChimei(QStringLiteral("市民病院前西"));
    EXPECT_EQ(column.strip().height(), 192);
    EXPECT_GT(dotsIn(160, 192), 0);
    EXPECT_FALSE(column.isScrolling());
    column.SetChimei(QStringLiteral("市民病院前西口"));
    EXPECT_EQ(column.strip().height(), 224);
    EXPECT_GT(dotsIn(192, 224), 0);
    EXPECT_TRUE(column.isScrolling());
}

TEST_F(Column, BracketsTurnAndMarksMove)
{
    column.SetChimei(QStringLiteral("（"));
    // Turned, the bracket is a bow over the line: its middle is its top row,
    // its ends point down.
    const QRect bow = dotBounds();
    ASSERT_GT(bow.width(), bow.height()) << "lies across the column";
    auto dotsOnRow = [&](int y, int from, int to) {
        int n = 0;
        for (int x = from; x <= to; ++x)
            n += column.strip().pixel(x, y) == dot();
        return n;
    };
    const int third = bow.width() / 3;
    EXPECT_GT(dotsOnRow(bow.top(), bow.left() + third, bow.right() - third), 0);
    EXPECT_EQ(dotsOnRow(bow.bottom(), bow.left() + third, bow.right() - third), 0);
    EXPECT_GT(dotsOnRow(bow.bottom(), bow.left(), bow.left() + third) + dotsOnRow(bow.bottom(), bow.right() - third, bow.right()), 0);

    column.SetChimei(QStringLiteral("ー"));
    const QRect bar = dotBounds();
    EXPECT_GT(bar.height(), 3 * bar.width()) << "the long-vowel mark stands upright";

    column.SetChimei(QStringLiteral("。"));
    const QRect mark = dotBounds();
    EXPECT_GE(mark.left(), 2 + 16) << "upper right of the cell";
    EXPECT_LT(mark.bottom(), 80 + 16);

    QString text = QStringLiteral("ー");
    column.DrawDot16(2, 0, text);
    EXPECT_EQ(text, QStringLiteral("丨")) << "the caller's text is changed";
}

TEST_F(Column, TwoSingleByteCharactersShareACell)
{
    column.SetChimei(QStringLiteral("AB"));
    const QRect b = dotBounds();
    EXPECT_GE(b.top(), 80);
    EXPECT_LT(b.bottom(), 112);
    EXPECT_LT(b.left(), 2 + 16);
    EXPECT_GT(b.right(), 2 + 16) << "B stands right of A";
}

TEST_F(Column, OddByteNamesDrawWhatTheirPiecesGive)
{
    column.SetChimei(QStringLiteral("A中央駅前"));
    EXPECT_EQ(column.strChimei, QStringLiteral("A中央駅前"));
    EXPECT_GT(dotsIn(0, 192), 0);
}

// A name is encoded once and its cells are drawn from its bytes. Each cell
// must come out as its two bytes' text would through DrawDot16: the same
// marks turned and moved, and where a single-byte character shifts the
// pairs, the same pieces of characters (a pair that is no character
// included) in the same face.
TEST_F(Column, CellsDrawnFromTheNamesBytesMatchTheirText)
{
    const char* names[] = {
        "中央駅前",          // whole characters only
        "（仮）ー「駅」～。", // turned, upright and moved marks
        "A中央駅前",         // shifted by one byte: pieces across characters
        "3丁目ヨーカドー前", // shifted onto pairs that code page 932 leaves unassigned (88 81 ...)
        "AュA駅",            // an unassigned pair (85 41) whose second byte is a letter
        "ｱｲｳ申山ﾊﾞｽ",        // half-width kana among whole characters
    };
    ChimeiCtl_A byText;
    for (int fontMode = 0; fontMode <= 4; ++fontMode) {
        for (const char* utf8 : names) {
            const QString name = QString::fromUtf8(utf8);
            column.setFontMode(fontMode);
            column.SetChimei(name);

            byText.setFontMode(fontMode);
            byText.SetChimei(name); // for the strip's height
            byText.setBackColor(byText.BackColor());
            const QByteArray bytes = Cp932::encodeForDisplay(name, QByteArray("\x81\x40", 2));
            const int n = ApiLib::LenB_ASCII(bytes);
            const ChimeiText::Layout layout = ChimeiText::layoutFor(n / 2, byText.Mode());
            for (int i = 1; i <= n; ++i) {
                QString text = Cp932::decodeForDisplay(ApiLib::MidB_ASCII(bytes, 2 * i - 1, 2));
                byText.DrawDot16(2, layout.top + (i - 1) * layout.pitch, text);
            }
            EXPECT_EQ(column.strip(), byText.strip()) << utf8 << ", font mode " << fontMode;
        }
    }
}

TEST_F(Column, ScrollWaitsMovesWrapsAndWaitsAgain)
{
    column.setScrollStartWait(1000);
    column.setSpeed(2); // 60 pixels a second
    column.SetChimei(QStringLiteral("奥山温泉バスターミナル")); // 11 characters, 352 pixels
    ASSERT_TRUE(column.isScrolling());
    at(999);
    EXPECT_EQ(column.stripTop(), 0);
    at(1500);
    EXPECT_EQ(column.stripTop(), -30);
    at(2000);
    EXPECT_EQ(column.stripTop(), -60);

    // The wrap comes when the lower edge is a frame height above the frame:
    // 352 + 196 pixels, at 60 pixels a second from t = 1000.
    const qint64 wrap = 1000 + (352 + 196) * 1000 / 60;
    at(wrap - 20);
    EXPECT_LT(column.stripTop(), -352);
    at(wrap + 10);
    EXPECT_EQ(column.stripTop(), 0);
    at(wrap + 990);
    EXPECT_EQ(column.stripTop(), 0) << "waits again before the next pass";
    at(wrap + 1500);
    EXPECT_EQ(column.stripTop(), -29);
}

TEST_F(Column, SpeedZeroBecomesOneAndChangesTakeEffectAtOnce)
{
    column.setScrollStartWait(0);
    column.setSpeed(0);
    column.SetChimei(QStringLiteral("奥山温泉バスターミナル"));
    at(1000);
    EXPECT_EQ(column.Speed(), 1);
    EXPECT_EQ(column.stripTop(), -30);
    column.setSpeed(4);
    at(1500);
    EXPECT_EQ(column.stripTop(), -90);
}

TEST_F(Column, NamesGivenWhileScrolling)
{
    column.setScrollStartWait(500);
    column.SetChimei(QStringLiteral("奥山温泉バスターミナル"));
    at(2000);
    ASSERT_LT(column.stripTop(), 0);

    column.SetChimei(QString());
    EXPECT_EQ(dotsIn(0, column.strip().height()), 0) << "an empty name clears the strip";
    const int top = column.stripTop();
    at(2500);
    EXPECT_LT(column.stripTop(), top) << "but the strip goes on moving";

    now = 2500;
    column.SetChimei(QStringLiteral("ニュータウン中央公園前"));
    EXPECT_EQ(column.stripTop(), 0) << "a new long name starts again at the top";
    at(2900);
    EXPECT_EQ(column.stripTop(), 0) << "after the start wait";
    at(3100);
    EXPECT_LT(column.stripTop(), 0);

    column.SetChimei(QStringLiteral("中央駅"));
    EXPECT_FALSE(column.isScrolling());
    EXPECT_EQ(column.stripTop(), 0);
    at(9000);
    EXPECT_EQ(column.stripTop(), 0);
}

TEST_F(Column, AppearanceSetsTheFrame)
{
    column.SetChimei(QStringLiteral("駅"));
    column.setAppearance(0);
    EXPECT_EQ(column.frameHeight(), 185);
    EXPECT_EQ(dotsIn(0, 192), 0) << "the strip is reset to its background";
    column.setAppearance(1);
    EXPECT_EQ(column.frameHeight(), 195);
    column.setBackColor(0x000000);
    EXPECT_EQ(column.strip().pixel(10, 10), qRgb(0, 0, 0));
}

// Runs action during the event pass number pass (1 or 2) of the next
// SetChimei: its first pass comes before it draws, its second after.
void duringEventPass(int pass, std::function<void()> action)
{
    if (pass <= 1) {
        QTimer::singleShot(0, std::move(action));
        return;
    }
    // An event posted while posted events are being served waits for the
    // next pass.
    QTimer::singleShot(0, [pass, action = std::move(action)]() mutable { duringEventPass(pass - 1, std::move(action)); });
}

TEST_F(Column, TheLastNameGivenStandsWhateverAnEarlierCallIsDoing)
{
    const QString shortName = QStringLiteral("中央駅");
    const QString longName = QStringLiteral("奥山温泉バスターミナル"); // 11 characters
    const struct { const char* name; QString first; QString second; int pass; } cases[] = {
        {"long given while a short one clears", shortName, longName, 1},
        {"long given while a short one has drawn", shortName, longName, 2},
        {"short given while a long one clears", longName, shortName, 1},
        {"short given while a long one has drawn", longName, shortName, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        column.SetChimei(QStringLiteral("駅"));
        column.setScrollStartWait(500);
        now = 0;
        duringEventPass(c.pass, [&] { column.SetChimei(c.second); });
        column.SetChimei(c.first);

        const bool scrolls = c.second == longName;
        EXPECT_EQ(column.strChimei, c.second);
        EXPECT_EQ(column.isScrolling(), scrolls);
        EXPECT_EQ(column.strip().height(), scrolls ? 11 * 32 : 192);
        EXPECT_GT(dotsIn(scrolls ? 320 : 144, scrolls ? 352 : 176), 0) << "its last character is drawn";
        at(2000);
        if (scrolls)
            EXPECT_LT(column.stripTop(), 0) << "the long name scrolls";
        else
            EXPECT_EQ(column.stripTop(), 0);
    }
}

TEST_F(Column, AppearanceKeepsTheStripInsideTheFrame)
{
    auto* strip = column.findChild<ChimeiStrip*>();
    ASSERT_NE(strip, nullptr);
    column.SetChimei(QStringLiteral("駅"));
    // A raised frame is two pixels wide; a flat one has none.
    const struct { int appearance; QPoint at; int frameHeight; } steps[] = {
        {0, {0, 0}, 185}, {1, {2, 2}, 195}, {1, {2, 2}, 195}, {0, {0, 0}, 185}, {0, {0, 0}, 185}, {1, {2, 2}, 195},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.appearance);
        column.setAppearance(s.appearance);
        EXPECT_EQ(strip->mapTo(&column, QPoint(0, 0)), s.at);
        EXPECT_EQ(column.stripTop(), 0);
        EXPECT_EQ(column.frameHeight(), s.frameHeight);
    }

    // A scrolling strip keeps its place in the frame.
    column.setScrollStartWait(0);
    column.SetChimei(QStringLiteral("奥山温泉バスターミナル"));
    at(1000);
    const int top = column.stripTop();
    ASSERT_LT(top, 0);
    column.setAppearance(0);
    EXPECT_EQ(column.stripTop(), top);
    EXPECT_EQ(strip->mapTo(&column, QPoint(0, 0)), QPoint(0, top));
}

} // namespace
