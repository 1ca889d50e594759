#include "panel/frmCtl.h"

#include "DegitReader.h"
#include "RouteFixture.h"
#include "Seam.h"
#include "board/Form1.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "panel/DigitWheel.h"
#include "platform/Cp932.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace {

// The board with its panel and options, a folder of fare files, the lamp
// test's wait recorded instead of waited and every message answered.
class Panel : public testing::Test
{
protected:
    void SetUp() override
    {
        RouteFixture::resetRouteState();
        board.Form_Load();
        ctl = board.ctl();
        options = board.option();
        options->Text2[0]->setText(dir.path());
        ApiLib::setSleeper([this](int ms) {
            waits.append(ms);
            lampDuringWait = DegitReader::litText(*board.Degit[1]) + DegitReader::litText(*board.Degit[36]);
            nameDuringWait = board.ChimeiCtl->strChimei;
        });
        writeRoute(QStringLiteral("12.hy3"), RouteFixture::route(5));
    }
    void TearDown() override { ApiLib::setSleeper({}); }

    void writeRoute(const QString& name, const std::vector<Hy3File::Record>& records)
    {
        RouteFixture::writeFile(dir, name, Hy3File::write(records));
    }

    void press(int key) { QTest::mouseClick(ctl->CommandButton1[key], Qt::LeftButton); }
    void type(const char* keys)
    {
        for (const char* k = keys; *k; ++k)
            press(*k == 'K' ? 10 : *k == 'S' ? 11 : *k - '0');
    }
    // Route and section from the keypad, then "リセット".
    void setRoute(const char* route, const char* section)
    {
        type("K");
        type(route);
        type("S");
        type(section);
        QTest::mouseClick(ctl->Command1[1], Qt::LeftButton);
    }
    void step(int index) { QTest::mouseClick(ctl->Command2[index], Qt::LeftButton); }
    QString cell(int i) const { return DegitReader::litText(*board.Degit[i]); }

    QTemporaryDir dir;
    Form1 board;
    frmCtl* ctl = nullptr;
    frmOption* options = nullptr;
    QList<int> waits;
    QString lampDuringWait;
    QString nameDuringWait;
};

TEST_F(Panel, KeypadFillsTheDisplaysWithinTheirLimits)
{
    type("1234");
    EXPECT_EQ(ctl->Label2[2]->text(), "123") << "after start-up digits go to the section";
    EXPECT_EQ(ctl->Label2[0]->text(), "");
    type("K123456");
    EXPECT_EQ(ctl->Label2[0]->text(), "12345");
    type("K7");
    EXPECT_EQ(ctl->Label2[0]->text(), "7") << "系統 empties the route display";
    type("S9");
    EXPECT_EQ(ctl->Label2[2]->text(), "9");
    EXPECT_EQ(ctl->Label2[0]->text(), "7");
}

TEST_F(Panel, RouteSettingLampTestsThenShowsTheStartRow)
{
    EXPECT_FALSE(ctl->Command2[1]->isEnabled());
    EXPECT_FALSE(ctl->Check1->isEnabled());
    setRoute("12", "1");
    EXPECT_EQ(waits, QList<int>{3000});
    EXPECT_EQ(lampDuringWait, "888888");
    EXPECT_EQ(nameDuringWait, "系統設定");
    EXPECT_EQ(board.ChimeiCtl->strChimei, "停留所1");
    EXPECT_EQ(DataIo::strKeito, "12");
    EXPECT_EQ(DataIo::nCurIndex, 0);
    EXPECT_EQ(cell(1), "011") << "row 1, cell 1: 1011 on three positions";
    EXPECT_EQ(board.Degit[2]->Value(), QVariant(0));
    EXPECT_EQ(cell(2), "   ");
    EXPECT_TRUE(ctl->Command2[0]->isEnabled());
    EXPECT_TRUE(ctl->Command2[1]->isEnabled());
    EXPECT_TRUE(ctl->Check1->isEnabled());
    EXPECT_EQ(ctl->strKeitoDate, QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")));
}

TEST_F(Panel, WheelsKeepLeadingZerosAndOpenTheSameFile)
{
    const int route[5] = {0, 0, 0, 1, 2};
    for (int i = 0; i < 5; ++i)
        ctl->List2[i]->setListIndex(route[i]);
    ctl->List3[2]->setListIndex(4);
    QTest::mouseClick(ctl->Command1[0], Qt::LeftButton);
    EXPECT_EQ(DataIo::strKeito, "00012");
    EXPECT_EQ(DataIo::nKukan, 4);
    EXPECT_EQ(board.Degit[4]->Value(), QVariant(1044));
    EXPECT_EQ(board.Degit[3]->Value(), QVariant(0)) << "cells below the section keep the lamp test's 0";
}

TEST_F(Panel, SteppingStopsAtBothEnds)
{
    setRoute("12", "4");
    step(1);
    EXPECT_EQ(DataIo::nCurIndex, 4);
    EXPECT_EQ(board.Degit[5]->Value(), QVariant(1055));
    EXPECT_EQ(board.ChimeiCtl->strChimei, "停留所5");
    board.Degit[5]->setValue(7);
    step(1);
    EXPECT_EQ(DataIo::nCurIndex, 4) << "past the last row";
    EXPECT_EQ(board.Degit[5]->Value(), QVariant(7)) << "nothing redrawn";
    for (int i = 0; i < 6; ++i)
        step(0);
    EXPECT_EQ(DataIo::nCurIndex, 0);
    EXPECT_EQ(board.Degit[4]->Value(), QVariant(0)) << "row 1 has no fare for ticket 4";
    EXPECT_EQ(board.Degit[3]->Value(), QVariant(0)) << "cells below the section are never written";
}

TEST_F(Panel, SectionAboveTheCellsWritesNoFare)
{
    writeRoute(QStringLiteral("40.hy3"), RouteFixture::route(45));
    options->Check3[0]->setChecked(true);
    options->Combo4[0]->setCurrentIndex(0);
    setRoute("40", "37");
    for (int i = 2; i <= 36; ++i)
        ASSERT_EQ(board.Degit[i]->Value(), QVariant(0)) << i;
    EXPECT_EQ(board.Degit[1]->Value(), QVariant(37)) << "the stop order still shows";
}

TEST_F(Panel, LateNightDoublesRealFaresOnly)
{
    auto records = RouteFixture::route(3);
    records[1].Fare[0] = 180;
    records[1].Fare[1] = -1;
    records[1].Fare[2] = 20000;
    writeRoute(QStringLiteral("8.hy3"), records);
    setRoute("8", "1");
    ctl->Check2->setChecked(true);
    EXPECT_EQ(board.Degit[1]->Value(), QVariant(1011)) << "the switch alone changes nothing";
    step(1);
    EXPECT_EQ(board.Degit[1]->Value(), QVariant(360));
    EXPECT_EQ(board.Degit[2]->Value(), QVariant(-1));
    EXPECT_EQ(board.Degit[3]->Value(), QVariant(40000)) << "no overflow";
    EXPECT_EQ(board.Degit[4]->Value(), QVariant(0));
}

TEST_F(Panel, InformationDigitsCoverFaresInTheirOrder)
{
    auto records = RouteFixture::route(5);
    records[2].Fare[39] = 3; // data column 40
    writeRoute(QStringLiteral("12.hy3"), records);
    options->Check3[0]->setChecked(true); // stop order
    options->Check3[4]->setChecked(true); // counted from 0
    options->Combo4[0]->setCurrentIndex(0);
    options->Check3[1]->setChecked(true); // ticket number, same cell: wins
    options->Combo4[1]->setCurrentIndex(0);
    options->Check3[2]->setChecked(true); // route
    options->Combo4[2]->setCurrentIndex(1);
    options->Check3[3]->setChecked(true); // data column 40
    options->Combo4[4]->setCurrentIndex(39);
    options->Combo4[3]->setCurrentIndex(2);
    type("K00012S2");
    QTest::mouseClick(ctl->Command1[1], Qt::LeftButton);
    step(1);
    EXPECT_EQ(board.Degit[1]->Value(), QVariant(3)) << "ticket number over stop order";
    EXPECT_EQ(board.Degit[2]->Value(), QVariant(QStringLiteral("00012")));
    EXPECT_EQ(cell(2), "012");
    EXPECT_EQ(board.Degit[3]->Value(), QVariant(3));
    options->Check3[1]->setChecked(false);
    step(0);
    EXPECT_EQ(board.Degit[1]->Value(), QVariant(1)) << "row 2 counted from 0";
}

struct BadRoute
{
    const char* name;
    QByteArray bytes;
    const char* section;
    QString message;
};

TEST_F(Panel, BadFareFilesAreReportedAndChangeNothing)
{
    setRoute("12", "1");
    step(1);
    auto countOnly = [](std::int16_t n) { return QByteArray(reinterpret_cast<const char*>(&n), 2); };
    QByteArray shortFile = Hy3File::write(RouteFixture::route(4));
    shortFile.chop(1);
    const BadRoute cases[] = {
        {"none", {}, "1", QStringLiteral("指定した系統のデータがありません...")},
        {"zero", countOnly(0), "1", QStringLiteral("指定した系統はデータの数が0(未登録)の可能性があります...")},
        {"negative", countOnly(-1), "1",
         QStringLiteral("指定した区間はデータの数よりも多いです...\r\n  解決法：正しい区間を入力して下さい.")},
        {"sectionN", Hy3File::write(RouteFixture::route(4)), "4",
         QStringLiteral("指定した区間はデータの数よりも多いです...\r\n  解決法：正しい区間を入力して下さい.")},
        {"long", Hy3File::write(RouteFixture::route(302)), "1", QStringLiteral("インデックスが有効範囲にありません。")},
        {"short", shortFile, "1", QStringLiteral("ファイルにこれ以上データがありません。")},
    };
    int route = 100;
    for (const BadRoute& c : cases) {
        ++route;
        if (c.bytes.size())
            RouteFixture::writeFile(dir, QStringLiteral("%1.hy3").arg(route), c.bytes);
        SeamRecorder seam;
        waits.clear();
        setRoute(QByteArray::number(route).constData(), c.section);
        ASSERT_EQ(seam.calls.size(), 1) << c.name;
        EXPECT_EQ(seam.calls[0].text, c.message) << c.name;
        EXPECT_EQ(seam.calls[0].title, "ミラゼルアプリケーション") << c.name;
        EXPECT_EQ(seam.calls[0].style, ApiLib::vbOKOnly) << c.name;
        EXPECT_TRUE(waits.isEmpty()) << c.name << ": no lamp test";
        EXPECT_EQ(DataIo::FareTable[2].Chimei, "停留所2") << c.name;
        EXPECT_EQ(board.Degit[2]->Value(), QVariant(1022)) << c.name << ": the board keeps its row";
    }
    // The failed 302-row file left nDataCount at 302: stepping stays on the
    // five rows actually stored.
    DataIo::nDataCount = 302;
    DataIo::nCurIndex = 3;
    for (int i = 0; i < 3; ++i)
        step(1);
    EXPECT_EQ(DataIo::nCurIndex, 4);
}

// Anything that fails once the route setting has begun is told in its own
// plain box: the program's own errors, an allocation failure, a library's
// exception and anything else thrown.
TEST_F(Panel, EveryFailureOfARouteSettingGetsItsPlainBox)
{
    const struct
    {
        const char* name;
        std::function<void()> fail;
        QString message;
    } cases[] = {
        {"own", [] { throw AppError(ErrNo::DiskFull); }, AppError::standardDescription(ErrNo::DiskFull)},
        {"memory", [] { throw std::bad_alloc(); }, AppError::standardDescription(ErrNo::OutOfMemory)},
        {"library", [] { throw std::out_of_range("vector::at"); }, QStringLiteral("vector::at")},
        {"anything", [] { throw 42; }, AppError::standardDescription(ErrNo::InternalError)},
    };
    for (const auto& c : cases) {
        ApiLib::setSleeper([&c](int) { c.fail(); }); // during the lamp test
        SeamRecorder seam;
        setRoute("12", "1");
        ASSERT_EQ(seam.calls.size(), 1) << c.name;
        EXPECT_EQ(seam.calls[0].kind, "MsgBox") << c.name;
        EXPECT_EQ(seam.calls[0].text, c.message) << c.name;
        EXPECT_EQ(seam.calls[0].title, "ミラゼルアプリケーション") << c.name;
        EXPECT_EQ(seam.calls[0].style, ApiLib::vbOKOnly) << c.name;
        EXPECT_FALSE(ctl->Command2[1]->isEnabled()) << c.name << ": the steps after the failure do not run";
    }
}

// A stop name with a byte no character stands for costs that character
// only: the route is set, and a note that waits for nobody names the stop.
TEST_F(Panel, ABadByteInAStopNameIsNotedAndTheRouteIsSet)
{
    QByteArray bytes = Hy3File::write(RouteFixture::route(5));
    const QByteArray name2 = *Cp932::encode(QStringLiteral("停留所2"));
    const qsizetype at = bytes.indexOf(name2);
    bytes.replace(at + 4, 2, QByteArray("\x85\x40", 2)); // 所 becomes an unassigned pair
    RouteFixture::writeFile(dir, QStringLiteral("13.hy3"), bytes);
    SeamRecorder seam;
    setRoute("13", "1");
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_EQ(seam.calls[0].kind, "Note");
    EXPECT_EQ(seam.calls[0].title, "ミラゼルアプリケーション");
    EXPECT_EQ(seam.calls[0].style, ApiLib::vbOKOnly);
    EXPECT_TRUE(seam.calls[0].text.contains(QStringLiteral("2 件目「停留〓2」"))) << seam.calls[0].text.toStdString();
    EXPECT_EQ(waits, QList<int>{3000}) << "the route setting went on";
    EXPECT_EQ(board.ChimeiCtl->strChimei, "停留所1");
    step(1);
    EXPECT_EQ(board.ChimeiCtl->strChimei, "停留〓2");
    EXPECT_EQ(board.Degit[2]->Value(), QVariant(1022));
}

// Whatever a refused file says its count is, stepping goes on over the rows
// of the route that is set, and every row read is one of them: the step sound
// by data column and "設定..." read the row on show too.
TEST_F(Panel, RefusedFilesLeaveSteppingOnTheRouteThatIsSet)
{
    auto countOnly = [](std::int16_t n) { return QByteArray(reinterpret_cast<const char*>(&n), 2); };
    QByteArray shortFile = Hy3File::write(RouteFixture::route(4));
    shortFile.chop(1);
    const std::pair<const char*, QByteArray> cases[] = {
        {"zero", countOnly(0)},
        {"negative", countOnly(-1)},
        {"most negative", countOnly(-32768)},
        {"long", Hy3File::write(RouteFixture::route(302))},
        {"short", shortFile},
    };
    options->Option2[1]->setChecked(true); // step sound by data column 1
    options->Combo1->setCurrentIndex(0);
    int route = 200;
    for (const auto& [name, bytes] : cases) {
        RouteFixture::resetRouteState();
        setRoute("12", "3");
        ASSERT_EQ(DataIo::nCurIndex, 2) << name;
        RouteFixture::writeFile(dir, QStringLiteral("%1.hy3").arg(++route), bytes);
        {
            SeamRecorder refusal;
            setRoute(QByteArray::number(route).constData(), "1");
            EXPECT_EQ(refusal.calls.size(), 1) << name;
        }
        EXPECT_EQ(DataIo::nCurIndex, 2) << name << ": the refused file moved the row on show";

        SeamRecorder seam;
        step(0);
        EXPECT_EQ(DataIo::nCurIndex, 1) << name;
        EXPECT_EQ(board.ChimeiCtl->strChimei, "停留所2") << name;
        EXPECT_EQ(board.Degit[3]->Value(), QVariant(0)) << name;
        for (int i = 0; i < 3; ++i)
            step(0);
        EXPECT_EQ(DataIo::nCurIndex, 0) << name << ": back stops at the first row";
        for (int i = 0; i < 6; ++i)
            step(1);
        EXPECT_EQ(DataIo::nCurIndex, 4) << name << ": forward reaches the last stored row";
        EXPECT_EQ(board.Degit[5]->Value(), QVariant(1055)) << name;
        QTest::mouseClick(ctl->Command4, Qt::LeftButton);
        EXPECT_EQ(board.ChimeiCtl->strChimei, "停留所5") << name;
        for (const ApiLib::SeamCall& call : seam.calls) {
            if (call.kind != QStringLiteral("frmOption"))
                ADD_FAILURE() << name << ": " << call.text.toStdString();
        }
    }
}

// The display lets pending events run before it sends the stop name, and the
// column does again before it draws it; what runs there may show another row,
// or clear the board, before the name is on show.
TEST_F(Panel, NameAndFaresOnShowBelongToOneRow)
{
    auto clickLater = [](QAbstractButton* button) {
        QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
    };
    struct Case
    {
        const char* what;
        std::function<void()> queue;
        int row; // expected row on show; 0 for a cleared board, -1 cleared without a step of its own
    };
    const Case cases[] = {
        {"a step in the display's pass", [&] { clickLater(ctl->Command2[1]); }, 3},
        {"a step in the column's pass",
         [&] { QTimer::singleShot(0, ctl, [&] { clickLater(ctl->Command2[1]); }); }, 3},
        {"display clear in the display's pass", [&] { clickLater(ctl->Check1); }, 0},
        {"display clear in the column's pass", [&] { QTimer::singleShot(0, ctl, [&] { clickLater(ctl->Check1); }); }, 0},
        // Display clear blanks the column before the cells, letting events run.
        {"a step in display clear's pass",
         [&] {
             clickLater(ctl->Command2[1]);
             ctl->Check1->click();
         },
         -1},
    };
    for (const Case& c : cases) {
        ctl->Check1->setChecked(false);
        RouteFixture::resetRouteState();
        setRoute("12", "1");
        c.queue();
        if (c.row >= 0)
            step(1);
        const QImage strip = board.ChimeiCtl->strip();
        if (c.row <= 0) {
            EXPECT_TRUE(ctl->Check1->isChecked()) << c.what;
            EXPECT_EQ(cell(1), "   ") << c.what;
            int lit = 0;
            for (int y = 0; y < strip.height(); ++y)
                for (int x = 0; x < strip.width(); ++x)
                    lit += strip.pixel(x, y) != strip.pixel(0, 0);
            EXPECT_EQ(lit, 0) << c.what << ": a name stands on a cleared board";
            continue;
        }
        EXPECT_EQ(DataIo::nCurIndex + 1, c.row) << c.what;
        EXPECT_EQ(board.Degit[c.row]->Value(), QVariant(1000 + 11 * c.row)) << c.what;
        EXPECT_EQ(board.ChimeiCtl->strChimei, QStringLiteral("停留所%1").arg(c.row)) << c.what;
        board.ChimeiCtl->SetChimei(QStringLiteral("停留所%1").arg(c.row));
        EXPECT_EQ(board.ChimeiCtl->strip(), strip) << c.what << ": the column shows another name";
    }
}

TEST_F(Panel, EmptyRouteOpensRouteZeroAndFoldersMayEndInASeparator)
{
    writeRoute(QStringLiteral("0.hy3"), RouteFixture::route(2));
    options->Text2[0]->setText(dir.path() + QStringLiteral("/"));
    SeamRecorder seam;
    setRoute("", "1");
    EXPECT_TRUE(seam.calls.isEmpty());
    EXPECT_EQ(DataIo::nStoredRows, 2);
    EXPECT_EQ(board.Degit[1]->Value(), QVariant(1011));
}

TEST_F(Panel, FixedDateModeDatesTheTicketsWithTheFixedDate)
{
    options->Option4[2]->setChecked(true);
    options->Label10->setText(QStringLiteral("2024/04/01"));
    setRoute("12", "1");
    EXPECT_EQ(ctl->strKeitoDate, "2024/04/01");
    EXPECT_EQ(ctl->TicketDateText(), "2024/04/01");
    options->Option4[1]->setChecked(true);
    EXPECT_EQ(ctl->TicketDateText(), "2024/04/01") << "held from route setting";
    options->Option4[0]->setChecked(true);
    EXPECT_EQ(ctl->TicketDateText(), QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")));
}

} // namespace
