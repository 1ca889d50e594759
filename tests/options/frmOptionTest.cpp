#include "options/frmOption.h"

#include "DegitReader.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "platform/VbColor.h"
#include "settings/mdlIniIo_517.h"
#include "speech/mdlM_Tape.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Control values as the settings records hold them.
std::int32_t value(const QRadioButton* o) { return o->isChecked() ? -1 : 0; }
std::int32_t value(const QCheckBox* c) { return c->isChecked() ? 1 : 0; }
std::int32_t value(const QComboBox* c) { return c->currentIndex(); }
std::int32_t value(const ColorButton* b) { return b->BackColor(); }

class Options : public testing::Test
{
protected:
    void SetUp() override
    {
        dlg.show();
        // Taken once: raising a page reorders the children.
        allOptions = dlg.findChildren<QRadioButton*>();
    }

    // The page whose content is seen at the middle of the page area.
    template <std::size_t N>
    int frontOf(const std::array<QGroupBox*, N>& pages)
    {
        const QPoint middle = pages[0]->geometry().center();
        QWidget* seen = pages[0]->parentWidget()->childAt(middle);
        for (std::size_t i = 0; i < N; ++i) {
            if (seen == pages[i] || pages[i]->isAncestorOf(seen))
                return static_cast<int>(i);
        }
        return -1;
    }

    // Selection of every option button except the given ones.
    std::vector<bool> selectionExcept(const std::vector<QRadioButton*>& skip)
    {
        std::vector<bool> selected;
        for (const QRadioButton* o : allOptions) {
            if (std::find(skip.begin(), skip.end(), o) == skip.end())
                selected.push_back(o->isChecked());
        }
        return selected;
    }

    frmOption dlg;
    QList<QRadioButton*> allOptions;
};

TEST_F(Options, WindowHasItsCaptionAndDesignSize)
{
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("オプション"));
    EXPECT_EQ(dlg.size(), QSize(638, 374));
    // Every page lies wholly inside the client area.
    for (QGroupBox* page : dlg.Frame1)
        EXPECT_TRUE(dlg.rect().contains(page->geometry())) << page->title().toStdString();
}

TEST_F(Options, FreshDialogHoldsTheValuesAFirstRunSaves)
{
    using namespace mdlIniIo_517;
    const PanelInfoRecord panel;
    const DegitInfoRecord degit;
    const ChimeiInfoRecord chimei;
    const SoundInfoRecord sound;
    const SeiriPrevInfoRecord seiri;
    struct Row
    {
        const char* control;
        std::int32_t actual;
        std::int32_t expected;
    };
#define ROW(control, expected) {#control, value(dlg.control), expected}
    const Row rows[] = {
        ROW(Check1, panel.nAutoSeiriNum), ROW(Command5[0], panel.lNumColorOff), ROW(Command5[1], panel.lNumColorOn1),
        // The board's start-up turns the design's pale green into the ON1 green.
        ROW(Command5[2], 0xC0FFC0), ROW(Combo2, panel.nNumStyle), ROW(Check2, panel.nNumZeroPad),
        ROW(Option3[0], panel.nPanelAuto), ROW(Option3[1], panel.nPanelEach), ROW(Option3[7], panel.nOffBuiltIn),
        ROW(Option3[6], panel.nOffUser), ROW(Option3[3], panel.nOn1BuiltIn), ROW(Option3[2], panel.nOn1User),
        ROW(Option3[4], panel.nOn2BuiltIn), ROW(Option3[5], panel.nOn2User), ROW(Command8[0], degit.lAdultBackColor),
        ROW(Command8[1], degit.lAdultBaseForeColor), ROW(Command8[2], degit.lAdultDegitForeColor),
        ROW(Command8[3], degit.lSubwayBackColor), ROW(Command8[4], degit.lSubwayBaseForeColor),
        ROW(Command8[5], degit.lSubwayDegitForeColor), ROW(Command8[6], degit.lPassBackColor),
        ROW(Command8[7], degit.lPassBaseForeColor), ROW(Command8[8], degit.lPassDegitForeColor),
        ROW(Check3[0], degit.nShowOrder), ROW(Combo4[0], degit.nOrderCell), ROW(Check3[4], degit.nCountFromZero),
        ROW(Check3[1], degit.nShowSeiriNum), ROW(Combo4[1], degit.nSeiriNumCell), ROW(Check3[2], degit.nShowKeito),
        ROW(Combo4[2], degit.nKeitoCell), ROW(Check3[3], degit.nShowColumn), ROW(Combo4[4], degit.nColumnNo),
        ROW(Combo4[3], degit.nColumnCell), ROW(Command9[0], chimei.lChimeiBackColor),
        ROW(Command9[1], chimei.lChimeiForeColor), ROW(Combo3, chimei.nFontMode), ROW(Check4, chimei.nFontBold),
        ROW(Option6[0], sound.nStepSync), ROW(Option6[1], sound.nStepAsync), ROW(Option2[0], sound.nStepAlways),
        ROW(Option2[1], sound.nStepByColumn), ROW(Combo1, sound.nStepColumn), ROW(Option7[0], sound.nPreSync),
        ROW(Option7[1], sound.nPreAsync), ROW(Option2[2], sound.nPreAlways), ROW(Option2[3], sound.nPreByFlag),
        ROW(chkUseSeiriPrev, seiri.nUseSeiriPrev), ROW(Option4[0], seiri.nDateEachPrint),
        ROW(Option4[1], seiri.nDateAtKeito), ROW(Option4[2], seiri.nDateFixed),
    };
#undef ROW
    for (const Row& row : rows)
        EXPECT_EQ(row.actual, row.expected) << row.control;

    std::vector<const QLineEdit*> paths = {dlg.Text2[0], dlg.Text2[1], dlg.txtSeiriPlgDir};
    paths.insert(paths.end(), dlg.txtSelectPanel.begin(), dlg.txtSelectPanel.end());
    for (int i : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10})
        paths.push_back(dlg.txtSelectSound[i]);
    for (std::size_t i = 0; i < paths.size(); ++i)
        EXPECT_TRUE(paths[i]->text().isEmpty()) << "path box " << i;
    EXPECT_EQ(dlg.txtSelectSound[2], nullptr);
    EXPECT_EQ(dlg.List1->count(), 0);
    EXPECT_TRUE(dlg.txtPlginComment->toPlainText().isEmpty());
}

TEST_F(Options, ListsAreFilledByTheLoad)
{
    struct Row
    {
        const char* name;
        const QComboBox* box;
        int count;
    };
    const Row numbered[] = {
        {"Combo4(0)", dlg.Combo4[0], 36}, {"Combo4(1)", dlg.Combo4[1], 36}, {"Combo4(2)", dlg.Combo4[2], 36},
        {"Combo4(3)", dlg.Combo4[3], 36}, {"Combo4(4)", dlg.Combo4[4], 150}, {"Combo1", dlg.Combo1, 150},
    };
    for (const Row& row : numbered) {
        ASSERT_EQ(row.box->count(), row.count) << row.name;
        for (int i = 0; i < row.count; ++i)
            ASSERT_EQ(row.box->itemText(i), QString::number(i + 1)) << row.name;
        EXPECT_FALSE(row.box->isEditable()) << row.name;
    }

    const QStringList styles = {
        QStringLiteral("1,2,3...36 （既定の表示）"), QStringLiteral("0,1,2...35"),
        QStringLiteral("「なし」、1,2...35"),        QStringLiteral("「なし」、2,3...36"),
        QStringLiteral("「無券」、1,2...35"),        QStringLiteral("「無券」、2,3...36"),
        QStringLiteral("「券なし」、1,2...35"),      QStringLiteral("「券なし」、2,3...36"),
        QStringLiteral("「券無し」、1,2...35"),      QStringLiteral("「券無し」、2,3...36"),
        QStringLiteral("(無地)、1,2...35"),          QStringLiteral("(無地)、2,3...36"),
    };
    const QStringList fonts = {
        QStringLiteral("ゴシック体"), QStringLiteral("明朝体"), QStringLiteral("漢字はゴシック、それ以外は明朝"),
        QStringLiteral("漢字は明朝、それ以外はゴシック"), QStringLiteral("英数字はゴシック、それ以外は明朝"),
    };
    const std::pair<const QComboBox*, const QStringList*> texts[] = {{dlg.Combo2, &styles}, {dlg.Combo3, &fonts}};
    for (const auto& [box, expected] : texts) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        EXPECT_EQ(items, *expected);
    }
    EXPECT_EQ(dlg.Combo3->currentText(), QString());
}

TEST_F(Options, FixedDateIsTodayAndPreviewsShow123InTheirSwatchColours)
{
    const QString today = QDate::currentDate().toString(u"yyyy/MM/dd");
    const QString yesterday = QDate::currentDate().addDays(-1).toString(u"yyyy/MM/dd");
    EXPECT_TRUE(dlg.Label10->text() == today || dlg.Label10->text() == yesterday) << dlg.Label10->text().toStdString();

    const std::pair<const M_Degit*, int> previews[] = {{dlg.M_Degit1, 0}, {dlg.M_Degit2, 3}, {dlg.M_Degit3, 6}};
    for (const auto& [preview, first] : previews) {
        EXPECT_EQ(DegitReader::litText(*preview), QStringLiteral("123")) << first;
        EXPECT_EQ(preview->BackColor(), dlg.Command8[first]->BackColor()) << first;
        EXPECT_EQ(preview->BaseForeColor(), dlg.Command8[first + 1]->BackColor()) << first;
        EXPECT_EQ(preview->DegitForeColor(), dlg.Command8[first + 2]->BackColor()) << first;
    }
    EXPECT_EQ(dlg.M_Degit1->DegitSize(), 2);
    EXPECT_EQ(dlg.M_Degit2->DegitSize(), 0);
}

TEST_F(Options, GroupsThatWaitForTheirSwitchStartOffAndHidden)
{
    const QWidget* const hidden[] = {dlg.Frame6[0], dlg.Frame6[1], dlg.Frame6[2], dlg.Frame10, dlg.Frame7};
    const QWidget* const off[] = {dlg.Combo4[0], dlg.Combo4[1], dlg.Combo4[2], dlg.Combo4[3], dlg.Combo4[4],
                                  dlg.Check3[4], dlg.Option1[1]};
    const QWidget* const on[] = {dlg.Check3[0], dlg.Check3[1], dlg.Check3[2], dlg.Check3[3], dlg.Frame3};
    for (const QWidget* w : hidden)
        EXPECT_TRUE(w->isHidden() && !w->isEnabled()) << w->metaObject()->className();
    for (const QWidget* w : off)
        EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
    for (const QWidget* w : on)
        EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
}

TEST_F(Options, ListsSitInTheBlanksOfTheirCaptions)
{
    const std::pair<QWidget*, QComboBox*> placed[] = {
        {dlg.Check3[0], dlg.Combo4[0]}, {dlg.Check3[1], dlg.Combo4[1]}, {dlg.Check3[2], dlg.Combo4[2]},
        {dlg.Check3[3], dlg.Combo4[4]}, {dlg.Check3[3], dlg.Combo4[3]}, {dlg.Label1[2], dlg.Combo1},
    };
    for (const auto& [caption, box] : placed) {
        EXPECT_EQ(box->parentWidget(), caption->parentWidget());
        EXPECT_TRUE(caption->geometry().contains(box->geometry().center()));
        EXPECT_GE(box->width(), 44) << "too narrow to show 150";
        EXPECT_GT(box->x(), caption->x() + 40) << "covers the caption's first words";
    }
    // Column first, then cell, as the caption reads.
    EXPECT_LT(dlg.Combo4[4]->geometry().right(), dlg.Combo4[3]->x());
}

// Page buttons raise their page and touch no option on any page.
TEST_F(Options, PageButtonsBringTheirPageToTheFront)
{
    std::vector<QRadioButton*> pageButtons(dlg.Option1.begin(), dlg.Option1.end());
    pageButtons.insert(pageButtons.end(), dlg.Option5.begin(), dlg.Option5.end());
    const std::vector<bool> onThePages = selectionExcept(pageButtons);
    EXPECT_TRUE(dlg.Option1[0]->isChecked());
    EXPECT_EQ(frontOf(dlg.Frame1), 0);
    for (int i : {3, 5, 2, 4, 0}) {
        QTest::mouseClick(dlg.Option1[i], Qt::LeftButton);
        EXPECT_TRUE(dlg.Option1[i]->isChecked()) << i;
        EXPECT_EQ(frontOf(dlg.Frame1), i);
    }
    // The disabled button cannot be clicked; code can still select it.
    QTest::mouseClick(dlg.Option1[1], Qt::LeftButton);
    EXPECT_FALSE(dlg.Option1[1]->isChecked());
    EXPECT_EQ(frontOf(dlg.Frame1), 0);
    dlg.Option1[1]->setChecked(true);
    EXPECT_EQ(frontOf(dlg.Frame1), 1);
    for (QGroupBox* page : dlg.Frame1)
        EXPECT_FALSE(page->isHidden());

    // The sound page's two sub-pages switch the same way.
    dlg.Option1[4]->setChecked(true);
    EXPECT_TRUE(dlg.Option5[1]->isChecked());
    EXPECT_EQ(frontOf(dlg.Frame2), 1);
    for (int i : {0, 1}) {
        QTest::mouseClick(dlg.Option5[i], Qt::LeftButton);
        EXPECT_EQ(frontOf(dlg.Frame2), i);
    }
    EXPECT_EQ(selectionExcept(pageButtons), onThePages);
}

TEST_F(Options, OptionButtonsAreExclusiveOnlyWithinTheirGroup)
{
    const std::vector<std::vector<QRadioButton*>> groups = {
        {dlg.Option1.begin(), dlg.Option1.end()}, {dlg.Option3[0], dlg.Option3[1]}, {dlg.Option3[6], dlg.Option3[7]},
        {dlg.Option3[2], dlg.Option3[3]}, {dlg.Option3[4], dlg.Option3[5]}, {dlg.Option5[0], dlg.Option5[1]},
        {dlg.Option2[0], dlg.Option2[1]}, {dlg.Option2[2], dlg.Option2[3]}, {dlg.Option6[0], dlg.Option6[1]},
        {dlg.Option7[0], dlg.Option7[1]}, {dlg.Option4.begin(), dlg.Option4.end()},
    };
    auto states = [&] {
        std::vector<std::vector<bool>> all;
        for (const auto& group : groups) {
            all.emplace_back();
            for (const QRadioButton* o : group)
                all.back().push_back(o->isChecked());
        }
        return all;
    };
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t k = 0; k < groups[g].size(); ++k) {
            auto expected = states();
            groups[g][k]->setChecked(true);
            expected[g].assign(groups[g].size(), false);
            expected[g][k] = true;
            EXPECT_EQ(states(), expected) << "group " << g << " button " << k;
        }
    }
}

TEST_F(Options, WrappedCaptionSelectsOnItsSecondLine)
{
    dlg.Option1[4]->setChecked(true);
    QRadioButton* byColumn = dlg.Option2[1];
    ASSERT_GT(byColumn->height(), 30);
    QTest::mouseClick(byColumn, Qt::LeftButton, {}, QPoint(byColumn->width() / 2, byColumn->height() - 4));
    EXPECT_TRUE(byColumn->isChecked());
    EXPECT_FALSE(dlg.Option2[0]->isChecked());
}

TEST_F(Options, SwatchesPaintTheirColour)
{
    ColorButton* swatches[] = {dlg.Command5[2], dlg.Command8[2], dlg.Command9[1]};
    for (ColorButton* swatch : swatches) {
        const QImage before = swatch->grab().toImage();
        EXPECT_EQ(before.pixelColor(before.rect().center()), VbColor::toQColor(swatch->BackColor()));
        swatch->setBackColor(0x123456);
        const QImage after = swatch->grab().toImage();
        EXPECT_EQ(after.pixelColor(after.rect().center()), QColor(0x56, 0x34, 0x12));
    }
}

TEST_F(Options, OkHidesTheDialogAndKeepsWhatWasEntered)
{
    dlg.Text2[0]->setText(QStringLiteral("/data/系統"));
    dlg.Option3[1]->setChecked(true);
    QTest::mouseClick(dlg.Command4, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.Text2[0]->text(), QStringLiteral("/data/系統"));
    EXPECT_TRUE(dlg.Option3[1]->isChecked());
}

// The tape reads its chimes through the dialog: the pre-announcement page's
// sounds, its mode and its wait, and none of the step sounds beside them.
TEST_F(Options, TheTapeChimesAreThePreAnnouncementSettings)
{
    for (int i : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10})
        dlg.txtSelectSound[static_cast<size_t>(i)]->setText(QStringLiteral("sound%1.wav").arg(i));
    for (const bool always : {false, true}) {
        for (const bool sync : {false, true}) {
            dlg.Option2[always ? 2 : 3]->setChecked(true);
            dlg.Option7[sync ? 0 : 1]->setChecked(true);
            const mdlM_Tape::TapeChimes chimes = dlg.tapeChimes();
            EXPECT_EQ(chimes.bPreAlways, always);
            EXPECT_EQ(chimes.bPreSync, sync);
            EXPECT_EQ(chimes.strPreSound, "sound3.wav");
            EXPECT_EQ(chimes.strPreSoundByFlag, (std::array<QString, 3>{"sound4.wav", "sound5.wav", "sound6.wav"}));
        }
    }
}

// Each number colour swatch stands under its caption, as on the classic
// page: caption, then swatch, then the note below the row.
TEST_F(Options, NumberColourCaptionsStandAboveTheirSwatches)
{
    QWidget* frame = dlg.Command5[0]->parentWidget();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QLabel* caption = dlg.Label4[static_cast<std::size_t>(2 + i)];
        const QRect c = caption->geometry();
        const QRect s = dlg.Command5[static_cast<std::size_t>(i)]->geometry();
        EXPECT_EQ(caption->parentWidget(), frame);
        EXPECT_LT(c.bottom(), s.top()) << "the caption is above its swatch";
        EXPECT_LE(std::abs(c.left() - s.left()), 2) << "and starts where it starts";
        EXPECT_GE(c.width(), caption->sizeHint().width()) << "the whole caption shows";
        EXPECT_LT(dlg.Label4[1]->geometry().bottom(), c.top()) << "under the row's heading";
        EXPECT_LT(s.bottom(), dlg.Label15->y()) << "over the note";
        EXPECT_TRUE(frame->rect().contains(s));
        if (i > 0) {
            EXPECT_LT(dlg.Command5[static_cast<std::size_t>(i - 1)]->geometry().right(), s.left());
        }
    }
    EXPECT_TRUE(frame->rect().contains(dlg.Label15->geometry()));
}

// The button that forgets the plug-in shows a cross, whatever fonts the
// system has: its dark pixels lie on the two diagonals of one square.
TEST_F(Options, ForgetPluginButtonShowsACross)
{
    QPushButton* forget = dlg.Command11;
    dlg.chkUseSeiriPrev->setChecked(true);
    ASSERT_TRUE(forget->isEnabled());
    const QImage image = forget->grab().toImage();
    const QRect inner = image.rect().adjusted(4, 4, -4, -4);
    QList<QPoint> dark;
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            if (image.pixelColor(x, y).lightness() < 110)
                dark.append({x, y});
    ASSERT_GE(dark.size(), 10) << "something is drawn";
    QRect box;
    for (const QPoint& p : dark)
        box |= QRect(p, QSize(1, 1));
    EXPECT_LE(std::abs(box.width() - box.height()), 1) << "in a square";
    EXPECT_GE(box.width(), 6);
    const double cx = box.left() + (box.width() - 1) / 2.0;
    const double cy = box.top() + (box.height() - 1) / 2.0;
    int falling = 0, rising = 0;
    for (const QPoint& p : dark) {
        const double dx = p.x() - cx;
        const double dy = p.y() - cy;
        EXPECT_LE(std::abs(std::abs(dx) - std::abs(dy)), 1.5) << "off the diagonals at " << p.x() << "," << p.y();
        falling += dx * dy > 0;
        rising += dx * dy < 0;
    }
    EXPECT_GE(falling, 4);
    EXPECT_GE(rising, 4);
}

} // namespace
