#include "panel/frmCtl.h"

#include "DegitReader.h"
#include "RouteFixture.h"
#include "Seam.h"
#include "board/Form1.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "panel/Hy3Layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using RouteFixture::ticketFare;
using RouteFixture::ticketPerStop;

// The board with its panel on route 80, a thirty-six-ticket route of 45
// stops, and route 12 of the twelve-ticket board; the lamp test's wait is
// recorded instead of waited.
class Pages : public testing::Test
{
protected:
    void SetUp() override
    {
        RouteFixture::resetRouteState();
        board.Form_Load();
        ctl = board.ctl();
        options = board.option();
        options->Text2[0]->setText(dir.path());
        ApiLib::setSleeper([this](int) {
            turningDuringLampTest = ctl->tmrPage->isActive();
            lampDuringWait = DegitReader::litText(*board.Degit[1]) + DegitReader::litText(*board.Degit[36]);
        });
        writeRoute(QStringLiteral("80.hy3"), ticketPerStop(45), BoardLayout::Tickets36);
        writeRoute(QStringLiteral("12.hy3"), RouteFixture::route(5), BoardLayout::Tickets12);
    }
    void TearDown() override { ApiLib::setSleeper({}); }

    void writeRoute(const QString& name, const std::vector<Hy3File::Record>& records, BoardLayout layout)
    {
        RouteFixture::writeFile(dir, name, Hy3File::write(records) + Hy3Layout::trailer(layout));
    }
    void setRoute(const QString& route, const QString& section)
    {
        ctl->Label2[0]->setText(route);
        ctl->Label2[2]->setText(section);
        QTest::mouseClick(ctl->Command1[1], Qt::LeftButton);
    }
    void stepTo(int row)
    {
        while (DataIo::nCurIndex + 1 < row)
            QTest::mouseClick(ctl->Command2[1], Qt::LeftButton);
        while (DataIo::nCurIndex + 1 > row)
            QTest::mouseClick(ctl->Command2[0], Qt::LeftButton);
    }
    QVariant value(int cell) const { return board.Degit[cell]->Value(); }
    QString label(int i) const { return board.lblSeiriNum[i]->text(); }

    QTemporaryDir dir;
    Form1 board;
    frmCtl* ctl = nullptr;
    frmOption* options = nullptr;
    bool turningDuringLampTest = true;
    QString lampDuringWait;
};

TEST_F(Pages, RouteSettingTakesTheLayoutOfTheFileBothWays)
{
    // Distinct colours for the three groups of the options.
    for (int k = 0; k < 9; ++k)
        options->Command8[k]->setBackColor(0x010101 * (k + 1));

    setRoute(QStringLiteral("80"), QStringLiteral("1"));
    EXPECT_EQ(board.boardLayout(), BoardLayout::Tickets36);
    EXPECT_EQ(board.size(), QSize(860, 244));
    EXPECT_EQ(lampDuringWait, "888888") << "the lamp test lights the new board's cells";
    EXPECT_FALSE(turningDuringLampTest);
    EXPECT_EQ(board.Picture().size(), QSize(860, 244)) << "the built-in face of the layout";
    for (int i = 1; i <= 36; ++i) {
        ASSERT_EQ(board.Degit[i]->DegitSize(), 2) << i;
        ASSERT_EQ(board.Degit[i]->DegitForeColor(), 0x030303) << i << ": every cell an adult fare";
        ASSERT_EQ(board.Degit[i]->BackColor(), 0x010101) << i;
    }
    EXPECT_EQ(value(1), QVariant(ticketFare(1, 1)));
    EXPECT_EQ(board.ChimeiCtl->strChimei, "停留所1");

    setRoute(QStringLiteral("12"), QStringLiteral("1"));
    EXPECT_EQ(board.boardLayout(), BoardLayout::Tickets12);
    EXPECT_EQ(board.size(), QSize(567, 244));
    EXPECT_EQ(board.Picture().toImage(), board.imgRes[0].Picture.toImage());
    EXPECT_EQ(board.Degit[13]->DegitSize(), 0);
    EXPECT_EQ(board.Degit[13]->DegitForeColor(), 0x060606) << "地下鉄差額 colours again";
    EXPECT_EQ(board.Degit[36]->BackColor(), 0x070707);
    EXPECT_FALSE(ctl->tmrPage->isActive());
    EXPECT_EQ(value(1), QVariant(1011));
}

TEST_F(Pages, AMalformedTrailerIsRefusedAndChangesNothing)
{
    setRoute(QStringLiteral("12"), QStringLiteral("1"));
    RouteFixture::writeFile(dir, QStringLiteral("81.hy3"),
                            Hy3File::write(ticketPerStop(3)) + Hy3Layout::trailer(BoardLayout::Tickets36).chopped(2));
    SeamRecorder seam;
    setRoute(QStringLiteral("81"), QStringLiteral("1"));
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_EQ(seam.calls[0].text, QStringLiteral("指定した系統のデータの末尾にある運賃表示器の指定が壊れています...\r\n"
                                                 "  解決法：運賃データを作り直して下さい."));
    EXPECT_EQ(seam.calls[0].style, ApiLib::vbOKOnly);
    EXPECT_EQ(board.boardLayout(), BoardLayout::Tickets12);
    EXPECT_EQ(DataIo::RouteLayout, BoardLayout::Tickets12);
    EXPECT_EQ(DataIo::FareTable[1].Chimei, "停留所1");
    EXPECT_EQ(DataIo::nStoredRows, 5);
}

TEST_F(Pages, RowsTurnTheirPagesSkippingThoseWithoutTickets)
{
    auto records = ticketPerStop(45);
    // Row 44: tickets 1 to 3 and 110 only; row 45: ticket 150 only.
    records[43].Fare.fill(0);
    records[43].Fare[0] = 1;
    records[43].Fare[2] = 3;
    records[43].Fare[109] = 110;
    records[44].Fare.fill(0);
    records[44].Fare[149] = -1;
    writeRoute(QStringLiteral("80.hy3"), records, BoardLayout::Tickets36);
    setRoute(QStringLiteral("80"), QStringLiteral("1"));

    stepTo(36);
    EXPECT_FALSE(ctl->tmrPage->isActive()) << "tickets 1 to 36 fit one page: no timer";
    EXPECT_EQ(value(36), QVariant(ticketFare(36, 36)));
    EXPECT_EQ(board.lblPage->text(), "1～36");
    EXPECT_TRUE(board.lblPage->isVisibleTo(&board));

    stepTo(40);
    ASSERT_TRUE(ctl->tmrPage->isActive());
    EXPECT_EQ(ctl->tmrPage->interval(), 5000);
    EXPECT_EQ(value(1), QVariant(ticketFare(40, 1)));
    EXPECT_EQ(label(1), "１");
    ctl->tmrPage_Timer();
    EXPECT_EQ(board.ticketPage(), 1);
    EXPECT_EQ(value(1), QVariant(ticketFare(40, 37)));
    EXPECT_EQ(value(4), QVariant(ticketFare(40, 40)));
    EXPECT_EQ(value(5), QVariant(0));
    EXPECT_EQ(label(1), "３７");
    EXPECT_EQ(label(36), "７２");
    EXPECT_EQ(board.lblPage->text(), "37～72");
    ctl->tmrPage_Timer();
    EXPECT_EQ(board.ticketPage(), 0) << "round to the first page";
    EXPECT_EQ(value(1), QVariant(ticketFare(40, 1)));
    EXPECT_EQ(label(1), "１");
    ctl->tmrPage_Timer();

    stepTo(44);
    EXPECT_EQ(board.ticketPage(), 0) << "a new row starts at its first page";
    EXPECT_EQ(value(3), QVariant(3));
    ctl->tmrPage_Timer();
    EXPECT_EQ(board.lblPage->text(), "109～144") << "pages 37～72 and 73～108 hold no ticket";
    EXPECT_EQ(value(2), QVariant(110));
    ctl->tmrPage_Timer();
    EXPECT_EQ(board.ticketPage(), 0);

    stepTo(45);
    EXPECT_FALSE(ctl->tmrPage->isActive()) << "only the last page holds a ticket";
    EXPECT_EQ(board.lblPage->text(), "145～150");
    EXPECT_EQ(value(6), QVariant(-1));
    EXPECT_EQ(label(6), "１５０");
    EXPECT_EQ(label(7), "");
    EXPECT_EQ(DegitReader::litText(*board.Degit[7]), "   ") << "no ticket 151";
    EXPECT_EQ(label(1), "１４５");

    stepTo(30);
    EXPECT_FALSE(ctl->tmrPage->isActive());
    EXPECT_EQ(label(1), "１");
    EXPECT_EQ(value(7), QVariant(ticketFare(30, 7)));
}

TEST_F(Pages, TicketsBelowTheStartSectionAreNeverWritten)
{
    setRoute(QStringLiteral("80"), QStringLiteral("5"));
    stepTo(40);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(value(i), QVariant(0)) << "the lamp test's 0 stays, " << i;
    EXPECT_EQ(value(5), QVariant(ticketFare(40, 5)));
    ctl->tmrPage_Timer();
    EXPECT_EQ(value(1), QVariant(ticketFare(40, 37))) << "tickets 37 on are above the section";
    ctl->tmrPage_Timer();
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(value(i), QVariant(0)) << "back to the lamp test's 0, " << i;

    setRoute(QStringLiteral("80"), QStringLiteral("38"));
    EXPECT_FALSE(ctl->tmrPage->isActive());
    EXPECT_EQ(board.lblPage->text(), "37～72") << "the first page holds no ticket that is shown";
    EXPECT_EQ(value(1), QVariant(0));
    EXPECT_EQ(value(2), QVariant(ticketFare(38, 38)));
}

TEST_F(Pages, LateNightDoublesEveryPageOfTheDisplay)
{
    auto records = ticketPerStop(45);
    records[39].Fare[38] = -1; // ticket 39 at row 40
    writeRoute(QStringLiteral("80.hy3"), records, BoardLayout::Tickets36);
    setRoute(QStringLiteral("80"), QStringLiteral("1"));
    ctl->Check2->setChecked(true);
    stepTo(40);
    EXPECT_EQ(value(1), QVariant(2 * ticketFare(40, 1)));
    ctl->tmrPage_Timer();
    EXPECT_EQ(value(1), QVariant(2 * ticketFare(40, 37)));
    EXPECT_EQ(value(3), QVariant(-1));
    EXPECT_EQ(value(5), QVariant(0));
    ctl->Check2->setChecked(false);
    ctl->tmrPage_Timer();
    EXPECT_EQ(value(1), QVariant(2 * ticketFare(40, 1))) << "the switch waits for the next display";
    stepTo(41);
    EXPECT_EQ(value(1), QVariant(ticketFare(41, 1)));
}

TEST_F(Pages, DisplayClearStopsTheTurningUntilItIsOff)
{
    setRoute(QStringLiteral("80"), QStringLiteral("1"));
    stepTo(40);
    ctl->tmrPage_Timer();
    ctl->Check1->setChecked(true);
    EXPECT_FALSE(ctl->tmrPage->isActive());
    for (int i = 1; i <= 36; ++i)
        ASSERT_TRUE(DegitReader::allUnlitEights(*board.Degit[i])) << i;
    ctl->tmrPage_Timer();
    EXPECT_TRUE(DegitReader::allUnlitEights(*board.Degit[1])) << "nothing turns on a cleared board";
    EXPECT_EQ(label(1), "３７") << "the labels stay as they are";

    ctl->Check1->setChecked(false);
    EXPECT_TRUE(ctl->tmrPage->isActive());
    EXPECT_EQ(board.ticketPage(), 0);
    EXPECT_EQ(value(1), QVariant(ticketFare(40, 1)));
    EXPECT_EQ(label(1), "１");
}

TEST_F(Pages, InformationDigitsCoverEveryPage)
{
    options->Check3[1]->setChecked(true); // the ticket number
    options->Combo4[1]->setCurrentIndex(1); // in cell 2
    setRoute(QStringLiteral("80"), QStringLiteral("1"));
    stepTo(41);
    EXPECT_EQ(value(2), QVariant(41));
    ctl->tmrPage_Timer();
    EXPECT_EQ(value(1), QVariant(ticketFare(41, 37)));
    EXPECT_EQ(value(2), QVariant(41));
}

} // namespace
