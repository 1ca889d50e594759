#include "board/Form1.h"

#include "DegitReader.h"
#include "Seam.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "platform/VbColor.h"
#include "settings/mdlIniIo_517.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QLabel>
#include <QMouseEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class Board : public testing::Test
{
protected:
    void SetUp() override { board.Form_Load(); }

    // Presses the left (or another) button at a point of the board, moves
    // the mouse by delta and releases it.
    void drag(QPoint at, QPoint delta, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* target = board.childAt(at) ? board.childAt(at) : &board;
        const QPoint local = target->mapFrom(&board, at);
        const QPoint global = board.mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, {});
        QApplication::sendEvent(target, &press);
        QMouseEvent move(QEvent::MouseMove, local + delta, global + delta, Qt::NoButton, button, {});
        QApplication::sendEvent(target, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, local + delta, global + delta, button, {}, {});
        QApplication::sendEvent(target, &release);
    }

    Form1 board;
};

struct Row
{
    int first;
    int top;
    int lefts[6];
    QSize size;
    int degitSize;
    std::int32_t back, unlit, lit;
};

TEST_F(Board, CellsSitOnTheLayoutGrid)
{
    const int large[6] = {129, 191, 254, 315, 378, 440};
    const int small[6] = {147, 209, 272, 333, 396, 458};
    const Row rows[6] = {
        {1, 49, {}, {57, 29}, 2, 0x808080, 0x969696, 0x72D2F8}, {13, 79, {}, {39, 20}, 0, 0x404040, 0x808080, 0x0080FF},
        {25, 100, {}, {39, 20}, 0, 0x404040, 0x808080, 0x0080FF}, {7, 143, {}, {57, 29}, 2, 0x808080, 0x969696, 0x72D2F8},
        {19, 173, {}, {39, 20}, 0, 0x404040, 0x808080, 0x0080FF}, {31, 193, {}, {39, 20}, 0, 0x404040, 0x808080, 0x0080FF},
    };
    for (const Row& row : rows) {
        for (int k = 0; k < 6; ++k) {
            const int i = row.first + k;
            const M_Degit* cell = board.Degit[i];
            const int top = (i >= 10 && i <= 12) ? 142 : row.top;
            const int left = row.size.width() == 57 ? large[k] : small[k];
            EXPECT_EQ(cell->geometry(), QRect(QPoint(left, top), row.size)) << "cell " << i;
            EXPECT_EQ(cell->Keta(), 3) << i;
            EXPECT_EQ(cell->DegitSize(), row.degitSize) << i;
            EXPECT_EQ(cell->BackColor(), row.back) << i;
            EXPECT_EQ(cell->BaseForeColor(), row.unlit) << i;
            EXPECT_EQ(cell->DegitForeColor(), row.lit) << i;
            EXPECT_FALSE(cell->isHidden()) << i;
        }
    }
    EXPECT_EQ(board.Degit[0]->geometry(), QRect(140, 2, 52, 20));
    EXPECT_TRUE(board.Degit[0]->isHidden());
    EXPECT_EQ(board.TimeDegit[0]->geometry(), QRect(363, 2, 26, 20));
    EXPECT_EQ(board.TimeDegit[1]->geometry(), QRect(390, 2, 26, 20));
    EXPECT_EQ(board.TimeDegit[1]->Keta(), 2);
    EXPECT_TRUE(board.TimeDegit[0]->isHidden());
}

TEST_F(Board, StartsBlankAtTheTopLeftWithTheWhiteFace)
{
    EXPECT_EQ(board.pos(), QPoint(0, 0));
    EXPECT_EQ(board.size(), QSize(567, 244));
    EXPECT_TRUE(board.windowFlags() & Qt::FramelessWindowHint);
    for (int i = 1; i <= 36; ++i) {
        EXPECT_TRUE(DegitReader::allUnlitEights(*board.Degit[i])) << "cell " << i;
        EXPECT_EQ(board.Degit[i]->Value(), QVariant(QString())) << i;
    }
    EXPECT_EQ(board.Picture().toImage(), board.imgRes[0].Picture.toImage());
    EXPECT_EQ(board.imgRes[2].Picture.toImage(), board.imgRes[1].Picture.toImage());
    EXPECT_NE(board.imgRes[0].Picture.toImage(), board.imgRes[1].Picture.toImage());
    EXPECT_EQ(board.imgRes[0].Picture.size(), QSize(567, 244));
    EXPECT_TRUE(board.option()->Check1->isChecked());
    EXPECT_EQ(board.option()->Command5[0]->BackColor(), 0x008000);
    EXPECT_EQ(board.option()->Command5[2]->BackColor(), 0x00C000) << "the preset replaces the dialog's design colour";
}

TEST_F(Board, ShowsThePanelAtTheLowerRightAndKeepsTheOptionsHidden)
{
    ASSERT_NE(board.ctl(), nullptr);
    EXPECT_TRUE(board.ctl()->isVisible());
    EXPECT_EQ(board.ctl()->windowTitle(), "集中操作盤");
    EXPECT_FALSE(board.option()->isVisible());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(board.ctl()->frameGeometry().bottomRight(), screen.bottomRight());
}

TEST_F(Board, ShapeIsARectangleWithRoundedCorners)
{
    const QRegion shape = board.mask();
    ASSERT_FALSE(shape.isEmpty());
    for (QPoint corner : {QPoint(0, 0), QPoint(566, 0), QPoint(0, 243), QPoint(566, 243), QPoint(1, 1)})
        EXPECT_FALSE(shape.contains(corner)) << corner.x() << "," << corner.y();
    for (QPoint inside : {QPoint(6, 0), QPoint(0, 6), QPoint(560, 243), QPoint(566, 237), QPoint(3, 3), QPoint(283, 122)})
        EXPECT_TRUE(shape.contains(inside)) << inside.x() << "," << inside.y();
    EXPECT_EQ(shape.boundingRect(), QRect(0, 0, 567, 244));
    board.DeleteRgn();
    EXPECT_EQ(board.mask(), shape);
}

TEST_F(Board, NumberLabelsKeepTheirDesign)
{
    EXPECT_EQ(board.lblSeiriNum[1]->text(), QStringLiteral("１"));
    EXPECT_EQ(board.lblSeiriNum[36]->text(), QStringLiteral("３６"));
    EXPECT_EQ(board.lblSeiriNum[27]->geometry(), QRect(682, 126, 52, 16));
    EXPECT_EQ(board.lblSeiriNum[19]->geometry(), QRect(681, 87, 52, 16));
    EXPECT_EQ(board.lblSeiriNum[8]->geometry(), QRect(974, 20, 52, 16));
    EXPECT_EQ(board.lblSeiriNum[36]->geometry(), QRect(738, 165, 52, 16));
    EXPECT_EQ(board.lblSeiriNum[5]->palette().color(QPalette::WindowText), VbColor::toQColor(0x008000));
    EXPECT_TRUE(board.lblSeiriNum[5]->font().bold());
    EXPECT_TRUE(board.lblSeiriNum[0]->isHidden());
}

TEST_F(Board, OnlyALeftPressOnTheFaceDragsTheWindow)
{
    board.move(100, 100);
    drag({300, 10}, {40, 25}, Qt::RightButton);
    EXPECT_EQ(board.pos(), QPoint(100, 100)) << "right button";
    drag({150, 60}, {40, 25});
    EXPECT_EQ(board.pos(), QPoint(100, 100)) << "press on a fare cell";
    drag({300, 10}, {40, 25});
    EXPECT_EQ(board.pos(), QPoint(140, 125)) << "press on the face";
}

TEST_F(Board, PositionGoesToAndComesFromTheRecordInTwips)
{
    board.move(10, 20);
    board.GetFormInfo();
    EXPECT_EQ(mdlIniIo_517::FormInfo.lLeft, 150);
    EXPECT_EQ(mdlIniIo_517::FormInfo.lTop, 300);
    mdlIniIo_517::FormInfo = {1500, 757};
    board.SetFormInfo();
    EXPECT_EQ(board.pos(), QPoint(100, 50));
}

TEST_F(Board, ClockCellsFollowTheTime)
{
    QTime now(0, 0, 30);
    board.setTimeSource([&now] { return now; });
    board.TimeDegit[1]->setZeroMode(1);
    board.Timer1_Timer();
    EXPECT_EQ(board.TimeDegit[0]->Value(), QVariant(0.0));
    EXPECT_EQ(board.TimeDegit[1]->Value(), QVariant(0.0));
    EXPECT_EQ(DegitReader::litText(*board.TimeDegit[0]), "  ") << "zero mode 0 hides midnight";
    EXPECT_EQ(DegitReader::litText(*board.TimeDegit[1]), " 0");
    now = QTime(9, 5);
    board.Timer1_Timer();
    EXPECT_EQ(board.TimeDegit[0]->Value(), QVariant(9.0));
    EXPECT_EQ(DegitReader::litText(*board.TimeDegit[1]), " 5");
    now = QTime(23, 59, 59);
    board.Timer1_Timer();
    EXPECT_EQ(DegitReader::litText(*board.TimeDegit[0]), "23");
    EXPECT_EQ(DegitReader::litText(*board.TimeDegit[1]), "59");
    EXPECT_TRUE(board.Timer1->isActive());
    EXPECT_EQ(board.Timer1->interval(), 1000);
}

TEST_F(Board, TheClockWakesOnlyWhileACellShowsIt)
{
    QTime now(8, 15);
    board.setTimeSource([&now] { return now; });
    QSignalSpy ticks(board.Timer1, &ClockTimer::timeout);
    board.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&board));
    EXPECT_TRUE(board.Timer1->isActive()) << "enabled, as from the start";
    EXPECT_FALSE(board.Timer1->isTicking()) << "the built-in face hides the clock";

    // A cell that comes into view shows the time at once, then every second.
    board.TimeDegit[1]->show();
    EXPECT_TRUE(board.Timer1->isTicking());
    EXPECT_EQ(ticks.size(), 1);
    EXPECT_EQ(DegitReader::litText(*board.TimeDegit[1]), "15");
    now = QTime(8, 16);
    EXPECT_TRUE(ticks.wait(1500));
    EXPECT_EQ(DegitReader::litText(*board.TimeDegit[1]), "16");

    // Hiding the board or the cell lets it sleep; a disabled clock stays
    // asleep whatever is shown.
    const struct
    {
        const char* what;
        std::function<void()> change;
        bool active, ticking;
    } steps[] = {
        {"board hidden", [&] { board.hide(); }, true, false},
        {"board shown", [&] { board.show(); }, true, true},
        {"stopped", [&] { board.Timer1->stop(); }, false, false},
        {"cell hidden and shown while stopped", [&] { board.TimeDegit[1]->hide(), board.TimeDegit[1]->show(); }, false, false},
        {"started", [&] { board.Timer1->start(); }, true, true},
        {"cell hidden", [&] { board.TimeDegit[1]->hide(); }, true, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const auto before = ticks.size();
        step.change();
        EXPECT_EQ(board.Timer1->isActive(), step.active);
        EXPECT_EQ(board.Timer1->isTicking(), step.ticking);
        EXPECT_EQ(ticks.size() - before, step.ticking ? 1 : 0) << "a tick as the clock comes into view";
    }
    EXPECT_EQ(board.Timer1->interval(), 1000);
}

class CellDialog : public Board
{
protected:
    void SetUp() override
    {
        Board::SetUp();
        board.setOperationPanel(&panel);
        for (int i = 1; i <= 36; ++i)
            board.Degit[i]->setValue(i == 36 ? QVariant(QStringLiteral(" ")) : QVariant(i * 10));
    }

    // Answers the cell dialog with zero mode 1, shift 1, padding 3 and the
    // given result, noting whether the panel was disabled meanwhile.
    SeamRecorder answer(std::int32_t result)
    {
        return SeamRecorder([this, result](ApiLib::SeamCall& call) {
            panelEnabledDuringDialog = panel.isEnabled();
            call.numbers[1] = 1;
            call.numbers[2] = 1;
            call.numbers[3] = 3;
            return result;
        });
    }

    QWidget panel;
    bool panelEnabledDuringDialog = true;
};

TEST_F(CellDialog, ResultOneAppliesTheOptionsToEveryCell)
{
    auto seam = answer(1);
    QTest::mouseDClick(board.Degit[5], Qt::LeftButton);
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_FALSE(panelEnabledDuringDialog);
    EXPECT_TRUE(panel.isEnabled());
    for (int i = 1; i <= 36; ++i) {
        EXPECT_EQ(board.Degit[i]->ZeroMode(), 1) << i;
        EXPECT_EQ(board.Degit[i]->Shift(), 1) << i;
        EXPECT_EQ(board.Degit[i]->FillZero(), 3) << i;
    }
    EXPECT_EQ(DegitReader::litText(*board.Degit[2]), "20 ") << "values are redrawn under the new options";
    EXPECT_EQ(board.Degit[2]->Value(), QVariant(20));
    EXPECT_EQ(DegitReader::litText(*board.Degit[36]), "   ") << "a blank cell stays blank";
}

TEST_F(CellDialog, OtherResultsChangeOnlyTheClickedCell)
{
    for (std::int32_t result : {0, 2}) {
        auto seam = answer(result);
        const QImage untouched = board.Degit[6]->surface();
        board.Degit_DblClick(5);
        EXPECT_EQ(seam.calls.size(), 1) << result;
        EXPECT_TRUE(panel.isEnabled()) << result;
        EXPECT_EQ(board.Degit[5]->Shift(), result == 2 ? 1 : 0) << "a cancelled dialog changes nothing";
        EXPECT_EQ(board.Degit[6]->Shift(), 0) << result;
        EXPECT_EQ(board.Degit[6]->FillZero(), 0) << result;
        EXPECT_EQ(board.Degit[6]->surface(), untouched) << "other cells are not redrawn";
        board.Degit[5]->setShift(0);
    }
}

TEST_F(CellDialog, CellsWithoutUserSetOpenNothing)
{
    auto seam = answer(1);
    board.Degit[7]->setUserSet(false);
    board.Degit_DblClick(7);
    EXPECT_TRUE(seam.calls.isEmpty());
    EXPECT_TRUE(panel.isEnabled());
    EXPECT_EQ(board.Degit[7]->ZeroMode(), 0);
}

// When Qt reports no primary screen there is nothing to show the board on:
// the program says so on stderr and ends with a failure status, without a
// crash. The run happens in a child process started afresh, whose Qt is
// given a platform without screens.
TEST(StartUp, WithoutAScreenTheProgramSaysSoAndEnds)
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("noscreen.json"));
    {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"screens": []})");
    }
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // A run that wrongly gets as far as its event loop ends there.
            QTimer::singleShot(5000, qApp, &QCoreApplication::quit);
            std::exit(Form1::runProgram());
        },
        testing::ExitedWithCode(1), "画面");
    qputenv("QT_QPA_PLATFORM", platform);
}

} // namespace
