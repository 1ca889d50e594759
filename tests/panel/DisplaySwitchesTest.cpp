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
#include "platform/VbColor.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class Switches : public testing::Test
{
protected:
    void SetUp() override
    {
        RouteFixture::resetRouteState();
        board.Form_Load();
        ctl = board.ctl();
        options = board.option();
        ApiLib::setSleeper([](int) {});
    }
    void TearDown() override { ApiLib::setSleeper({}); }

    // A picture file of the given size and format, a red square in a blue field.
    QString picture(const QString& name, const char* format, QSize size)
    {
        const QString path = dir.filePath(name);
        if (QByteArray(format) == "GIF") {
            RouteFixture::writeFile(dir, name, redSquareGif(size));
            return path;
        }
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QPainter(&image).fillRect(0, 0, 10, 10, Qt::red);
        EXPECT_TRUE(image.save(path, format));
        return path;
    }

    // Qt reads GIF but cannot write it: the same picture as a two-colour GIF,
    // its LZW codes kept at three bits by a clear code before every pair of
    // pixels.
    static QByteArray redSquareGif(QSize size)
    {
        QByteArray gif("GIF89a");
        auto u16 = [&gif](int v) {
            gif.append(char(v & 0xFF));
            gif.append(char(v >> 8));
        };
        u16(size.width());
        u16(size.height());
        gif.append("\xF0\x00\x00", 3);
        gif.append("\xFF\x00\x00\x00\x00\xFF", 6); // red, blue
        gif.append(',');
        u16(0);
        u16(0);
        u16(size.width());
        u16(size.height());
        gif.append('\0');
        gif.append('\x02');
        QByteArray data;
        quint32 bits = 0;
        int count = 0;
        auto put = [&](int code) {
            bits |= quint32(code) << count;
            count += 3;
            while (count >= 8) {
                data.append(char(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        };
        const qint64 pixels = qint64(size.width()) * size.height();
        for (qint64 i = 0; i < pixels; ++i) {
            if (i % 2 == 0)
                put(4);
            const int x = int(i % size.width()), y = int(i / size.width());
            put(x < 10 && y < 10 ? 0 : 1);
        }
        put(5);
        if (count > 0)
            data.append(char(bits & 0xFF));
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            gif.append(char(block.size()));
            gif.append(block);
        }
        gif.append('\0');
        gif.append(';');
        return gif;
    }
    // User images per state on, with file for ON1.
    void userImageForOn1(const QString& file)
    {
        options->Option3[1]->setChecked(true);
        options->Option3[2]->setChecked(true);
        options->txtSelectPanel[1]->setText(file);
    }
    QColor labelColour() const { return board.lblSeiriNum[20]->palette().color(QPalette::WindowText); }

    QTemporaryDir dir;
    Form1 board;
    frmCtl* ctl = nullptr;
    frmOption* options = nullptr;
};

TEST_F(Switches, BacklightTakesTheBuiltInFacesAndTheNumberColours)
{
    options->Command5[2]->setBackColor(0x123456);
    ctl->Option4[2]->setChecked(true);
    EXPECT_EQ(board.Picture().toImage(), board.imgRes[2].Picture.toImage());
    EXPECT_EQ(labelColour(), VbColor::toQColor(0x123456));
    ctl->Option4[0]->setChecked(true);
    EXPECT_EQ(board.Picture().toImage(), board.imgRes[0].Picture.toImage());
    EXPECT_EQ(labelColour(), VbColor::toQColor(0x008000));
}

TEST_F(Switches, BacklightLoadsUserImagesOfEveryKind)
{
    for (const auto& [name, format] : {std::pair{"on1.bmp", "BMP"}, {"on1.gif", "GIF"}, {"on1.jpg", "JPG"}}) {
        ctl->Option4[0]->setChecked(true);
        userImageForOn1(picture(QString::fromLatin1(name), format, {600, 300}));
        SeamRecorder seam;
        ctl->Option4[1]->setChecked(true);
        EXPECT_TRUE(seam.calls.isEmpty()) << name;
        const QImage shown = board.Picture().toImage();
        EXPECT_EQ(shown.size(), QSize(600, 300)) << name << ": larger than the board, cut when painted";
        EXPECT_GT(qRed(shown.pixel(2, 2)), 200) << name;
    }
    const QImage painted = board.grab().toImage();
    EXPECT_GT(qBlue(painted.pixel(566, 243)), 200) << "the image reaches the last pixel";
}

TEST_F(Switches, ASmallUserImageSitsTopLeftOnGrey)
{
    userImageForOn1(picture(QStringLiteral("small.png"), "PNG", {100, 50}));
    ctl->Option4[1]->setChecked(true);
    const QImage painted = board.grab().toImage();
    EXPECT_GT(qBlue(painted.pixel(90, 30)), 200);
    const QColor outside = painted.pixelColor(300, 150);
    EXPECT_EQ(outside.red(), outside.blue()) << "grey around it";
}

TEST_F(Switches, BadUserImagesAreReportedButTheColoursStillChange)
{
    QFile text(dir.filePath(QStringLiteral("fake.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    options->Command5[1]->setBackColor(0x00FF00);
    const QImage before = board.Picture().toImage();

    userImageForOn1(text.fileName());
    {
        SeamRecorder seam;
        ctl->Option4[1]->setChecked(true);
        ASSERT_EQ(seam.calls.size(), 1);
        EXPECT_EQ(seam.calls[0].title, "エラー");
        EXPECT_EQ(seam.calls[0].style, ApiLib::vbOKOnly | ApiLib::vbCritical);
        EXPECT_EQ(seam.calls[0].text,
                  "エラーです。\r\n\r\nエラーコード：481　指定した画像の内容が不正です。この部分では扱えません。");
    }
    EXPECT_EQ(board.Picture().toImage(), before);
    EXPECT_EQ(labelColour(), VbColor::toQColor(0x00FF00));

    for (const QString& missing : {dir.filePath(QStringLiteral("none.bmp")), dir.path()}) {
        ctl->Option4[0]->setChecked(true);
        userImageForOn1(missing);
        SeamRecorder seam;
        const QImage shown = board.Picture().toImage();
        ctl->Option4[1]->setChecked(true);
        EXPECT_TRUE(seam.calls.isEmpty()) << "a missing file (or a folder) changes only the colours";
        EXPECT_EQ(board.Picture().toImage(), shown);
    }
}

TEST_F(Switches, DisplayClearBlanksAndRestoresTheBoard)
{
    RouteFixture::writeFile(dir, QStringLiteral("12.hy3"), Hy3File::write(RouteFixture::route(6)));
    options->Text2[0]->setText(dir.path());
    for (int key : {10, 1, 2, 11, 3})
        ctl->CommandButton1_Click(key);
    ctl->Command1_Click(1);
    ctl->Command2_Click(1);
    ASSERT_EQ(board.Degit[3]->Value(), QVariant(1043));

    QTest::mouseClick(ctl->Check1, Qt::LeftButton);
    for (int i : {1, 3, 36})
        EXPECT_EQ(DegitReader::litText(*board.Degit[i]), "   ") << i;
    EXPECT_FALSE(board.Timer1->isActive());
    EXPECT_EQ(board.TimeDegit[0]->Value(), QVariant(QString()));
    EXPECT_TRUE(board.ChimeiCtl->strip().pixel(10, 90) == VbColor::toQColor(board.ChimeiCtl->BackColor()).rgb());
    for (QWidget* w : std::initializer_list<QWidget*>{ctl->Frame1[0], ctl->Frame1[1], ctl->Command2[0], ctl->Command2[1],
                                                      ctl->grpM_Tape, ctl->Frame6})
        EXPECT_FALSE(w->isEnabled());

    QTest::mouseClick(ctl->Check1, Qt::LeftButton);
    EXPECT_EQ(board.Degit[3]->Value(), QVariant(1043)) << "the row is shown again";
    EXPECT_EQ(DegitReader::litText(*board.Degit[1]), "   ") << "cells below the section stay blank";
    EXPECT_FALSE(board.Timer1->isActive()) << "the clock is hidden on this face";
    EXPECT_TRUE(ctl->Command2[1]->isEnabled());
    EXPECT_TRUE(ctl->Frame6->isEnabled());
}

TEST_F(Switches, ScrollBarsPassBothValues)
{
    ctl->HScroll1[0]->setValue(40);
    EXPECT_EQ(ctl->Label1[0]->text(), "40");
    EXPECT_EQ(board.ChimeiCtl->Speed(), 40);
    EXPECT_EQ(board.ChimeiCtl->ScrollStartWait(), 0) << "the wait goes along with the speed";
    board.ChimeiCtl->setSpeed(3);
    ctl->HScroll1[1]->setValue(2500);
    EXPECT_EQ(ctl->Label1[1]->text(), "2500");
    EXPECT_EQ(board.ChimeiCtl->Speed(), 40) << "and the speed with the wait";
    EXPECT_EQ(board.ChimeiCtl->ScrollStartWait(), 2500);
    ctl->HScroll1[0]->setValue(5000);
    EXPECT_EQ(ctl->HScroll1[0]->value(), 2000);
}

TEST_F(Switches, DoubleClickSendsAnEntryPanelBehindTheOther)
{
    auto front = [this] {
        const QList<QObject*> children = ctl->children();
        return children.indexOf(ctl->Frame1[0]) > children.indexOf(ctl->Frame1[1]) ? 0 : 1;
    };
    EXPECT_EQ(front(), 1) << "the keypad starts in front";
    QTest::mouseDClick(ctl->Frame1[1], Qt::LeftButton, {}, QPoint(3, 150));
    EXPECT_EQ(ctl->nFrame1Back, 1);
    EXPECT_EQ(front(), 0);
    ctl->Frame1_DblClick(0);
    EXPECT_EQ(ctl->nFrame1Back, 0);
    EXPECT_EQ(front(), 1);
}

} // namespace
