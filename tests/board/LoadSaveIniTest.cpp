#include "board/LoadSaveIni.h"

#include "Seam.h"
#include "board/Form1.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/frmOption.h"
#include "panel/RouteFixture.h"
#include "panel/frmCtl.h"
#include "platform/AppError.h"
#include "platform/Cp932.h"
#include "settings/RecordsFixture.h"
#include "settings/mdlIniIo_517.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace mdlIniIo_517;

// A board with its panel and dialog, as the start-up leaves them.
class SettingsFile : public testing::Test
{
protected:
    void SetUp() override
    {
        resetRecords();
        RouteFixture::resetRouteState();
        setSettingsPath(QString());
        board.Form_Load();
        ctl = board.ctl();
        opt = board.option();
    }
    void TearDown() override
    {
        setSettingsPath(QString());
        failWritesAfterForTesting(std::nullopt);
        resetRecords();
    }

    QString path(const QString& name = QStringLiteral("517.in4")) const { return dir.filePath(name); }

    void load(const QString& file)
    {
        setSettingsPath(file);
        LoadIni(board, *ctl, *opt);
    }
    QByteArray save(const QString& file)
    {
        setSettingsPath(file);
        SaveIni(board, *ctl, *opt);
        return readAll(file);
    }
    static QByteArray readAll(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir dir;
    Form1 board;
    frmCtl* ctl = nullptr;
    frmOption* opt = nullptr;
};

// Every field differs from its first-run value and from the others, and every
// value is one the windows can hold, so a file made of them survives a load
// and a save.
QByteArray distinctFile()
{
    resetRecords();
    FolderInfo = {QStringLiteral("運賃/データ"), QStringLiteral("/tp")};
    PanelInfo = {0, 0x010203, 0x040506, 0x070809, 5, 1, 0, -1, 0, -1, -1, 0, 0, 0,
                 QStringLiteral("off.bmp"), QStringLiteral("オン1.gif"), QStringLiteral("on2.jpg")};
    DegitInfo = {0x111111, 0x121212, 0x131313, 0x141414, 0x151515, 0x161616, 0x171717, 0x181818, 0x191919,
                 1, 7, 1, 1, 8, 1, 9, 1, 140, 10};
    ChimeiInfo = {0x202020, 0x212121, 3, 2};
    SoundInfo = {QStringLiteral("k.wav"), QStringLiteral("r.mp3"), 0, -1, -1, 0, QStringLiteral("step.wav"), 120,
                 QStringLiteral("s1.wav"), QStringLiteral("s2.wav"), QStringLiteral("s3.mid"), 0, -1, 0, 0,
                 QStringLiteral("pre.wav"), QStringLiteral("p1.wav"), QStringLiteral("p2.wav"), QStringLiteral("次は.wav")};
    SeiriPrevInfo = {1, QStringLiteral("/nowhere/none.4SP"), 0, 0, 0, QStringLiteral("2031/02/03")};
    CtrlDataInfo = {1, 777, 1234, 1, 1, 300 * 15, 200 * 15};
    FormInfo = {45 * 15, 30 * 15};
    for (int i = 0; i < 17; ++i)
        CustColors[static_cast<size_t>(i)] = 0x300000 + i;
    for (int i = 1; i <= 36; ++i)
        DegitCell[static_cast<size_t>(i)] = {static_cast<std::int16_t>(i % 3), static_cast<std::int16_t>((i / 3) % 4),
                                              static_cast<std::int16_t>((i / 9) % 4)};
    QByteArray bytes = toFileBytes();
    resetRecords();
    return bytes;
}

TEST_F(SettingsFile, MissingFileShowsNothingAndAFirstRunSavesTheDesignValues)
{
    SeamRecorder seam;
    load(path());
    EXPECT_TRUE(seam.calls.isEmpty());
    const QByteArray bytes = save(path());
    EXPECT_TRUE(seam.calls.isEmpty());
    ASSERT_EQ(bytes.size(), 478 + 10);
    struct { int offset, size; std::int64_t value; } expected[] = {
        {4, 2, 1}, {6, 4, 0x8000}, {10, 4, 0xC000}, {14, 4, 0xC000}, {18, 2, 0}, {22, 2, -1}, {24, 2, 0},
        {26, 2, -1}, {28, 2, 0}, {30, 2, -1}, {34, 2, -1}, {36, 2, 0}, {44, 4, 0x808080}, {48, 4, 0x969696},
        {52, 4, 0x72D2F8}, {56, 4, 0x404040}, {64, 4, 0x0080FF}, {76, 4, 0x0080FF}, {80, 2, 0}, {100, 4, 0x808080},
        {104, 4, 0x00FFFF}, {108, 2, -1}, {110, 2, 0}, {116, 2, -1}, {118, 2, 0}, {120, 2, 0}, {122, 2, -1},
        {134, 2, -1}, {136, 2, 0}, {138, 2, -1}, {140, 2, 0}, {150, 2, 0}, {154, 2, -1}, {156, 2, 0}, {158, 2, 0},
        {160, 2, 10}, {172, 2, 0}, {174, 4, 1}, {178, 4, 0}, {182, 2, 0}, {184, 2, 0}, {270, 2, 36},
    };
    for (const auto& e : expected)
        EXPECT_EQ(readLE(bytes, e.offset, e.size), e.value) << "offset " << e.offset;
    EXPECT_EQ(bytes.mid(162, 10), todayText().toLatin1());
}

TEST_F(SettingsFile, AFileWithEveryFieldSetSurvivesALoadAndASave)
{
    const QByteArray original = distinctFile();
    write(path(), original);
    SeamRecorder seam;
    load(path());
    EXPECT_TRUE(seam.calls.isEmpty()) << seam.calls.value(0).text.toStdString();
    // The save must find every value in the windows; only the custom colours
    // live in the records themselves.
    const auto custom = CustColors;
    resetRecords();
    CustColors = custom;
    EXPECT_EQ(save(path(QStringLiteral("again.in4"))).toHex().toStdString(), original.toHex().toStdString());
    // Nothing but the new file is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(SettingsFile, ACellCountOtherThan36StillLoads36Cells)
{
    const QByteArray original = distinctFile();
    const int countAt = original.size() - 2 - 36 * 6;
    for (std::int16_t count : {0, 1, 35, 37, -1}) {
        QByteArray bytes = original;
        bytes[countAt] = static_cast<char>(count & 0xFF);
        bytes[countAt + 1] = static_cast<char>((count >> 8) & 0xFF);
        write(path(), bytes);
        SeamRecorder seam;
        load(path());
        EXPECT_TRUE(seam.calls.isEmpty()) << count;
        EXPECT_EQ(save(path(QStringLiteral("again.in4"))), original) << count;
    }
}

TEST_F(SettingsFile, AFileEndingInsideARecordChangesNothing)
{
    const QByteArray whole = distinctFile();
    const QByteArray before = toFileBytes();
    const std::int32_t cellColour = board.Degit[5]->BackColor();
    const QString folder = opt->Text2[0]->text();
    // Inside a text's length and its bytes, and inside each record after the texts.
    for (int cut : {0, 1, 3, 10, 21, 60, 120, 150, 170, 200, 210, 240, 260, 262, 280, 300, 330, 400, 430, 470,
                    static_cast<int>(whole.size()) - 1}) {
        write(path(), whole.left(cut));
        SeamRecorder seam;
        load(path());
        ASSERT_EQ(seam.calls.size(), 1) << cut;
        EXPECT_TRUE(seam.calls[0].text.startsWith(QStringLiteral("エラー Code:62\r\n内容:"))) << cut;
        EXPECT_EQ(seam.calls[0].style, ApiLib::vbOKOnly) << cut << ": OK and no icon";
        EXPECT_EQ(seam.calls[0].title, ApiLib::AppTitle) << cut;
        EXPECT_EQ(toFileBytes(), before) << cut;
        EXPECT_EQ(board.Degit[5]->BackColor(), cellColour) << cut;
        EXPECT_EQ(opt->Text2[0]->text(), folder) << cut;
    }
}

TEST_F(SettingsFile, AFailedSaveLeavesTheOldFileWhole)
{
    const QByteArray old = distinctFile();
    for (qint64 n : {0, 1, 100, 260, 487}) {
        write(path(), old);
        failWritesAfterForTesting(n);
        SeamRecorder seam;
        save(path());
        ASSERT_EQ(seam.calls.size(), 1) << n;
        EXPECT_TRUE(seam.calls[0].text.startsWith(QStringLiteral("エラー Code:61\r\n"))) << n;
        EXPECT_EQ(seam.calls[0].style, ApiLib::vbOKOnly) << n;
        EXPECT_EQ(readAll(path()), old) << n;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << n;
    }
    failWritesAfterForTesting(std::nullopt);
    EXPECT_EQ(save(path()).size(), 488);
}

TEST_F(SettingsFile, ASaveIntoAMissingFolderIsReported)
{
    SeamRecorder seam;
    save(dir.filePath(QStringLiteral("gone/517.in4")));
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_TRUE(seam.calls[0].text.startsWith(QStringLiteral("エラー Code:76\r\n内容:")));
}

TEST_F(SettingsFile, OnlyAFileThatFailedToLoadIsKeptAside)
{
    const QByteArray whole = distinctFile();
    struct { const char* what; QByteArray file; bool kept; } cases[] = {
        {"short", whole.left(300), true},
        // nNumStyle, behind the two folder texts of 11 and 3 bytes
        {"rejected value", [&] { QByteArray b = whole; b[18 + 11 + 3] = 99; return b; }(), true},
        // the "/" of strHy3Dir, 運賃/データ
        {"bad byte", [&] { QByteArray b = whole; b[2 + 4] = static_cast<char>(0xFF); return b; }(), true},
        {"good", whole, false},
    };
    for (const auto& c : cases) {
        const QString file = path(QString::fromLatin1(c.what) + QStringLiteral(".in4"));
        write(file, c.file);
        SeamRecorder seam;
        load(file);
        EXPECT_EQ(seam.calls.size(), c.kept ? 1 : 0) << c.what;
        EXPECT_GE(save(file).size(), 478) << c.what;
        EXPECT_EQ(QFile::exists(file + QStringLiteral(".bak")), c.kept) << c.what;
        if (c.kept) {
            EXPECT_EQ(readAll(file + QStringLiteral(".bak")), c.file) << c.what;
        }
    }
}

// A text with a byte no character stands for costs that character: every
// setting loads, a note names the setting, and the user's file goes aside
// before the save replaces it.
TEST_F(SettingsFile, ABadByteInATextLoadsEverySettingAndKeepsTheFile)
{
    QByteArray file = distinctFile();
    file[2 + 4] = static_cast<char>(0xFF); // the "/" of strHy3Dir, 運賃/データ
    write(path(), file);
    {
        SeamRecorder seam;
        load(path());
        ASSERT_EQ(seam.calls.size(), 1);
        EXPECT_EQ(seam.calls[0].kind, "Note");
        EXPECT_EQ(seam.calls[0].style, ApiLib::vbOKOnly);
        EXPECT_TRUE(seam.calls[0].text.contains(QStringLiteral("strHy3Dir: 運賃〓データ"))) << seam.calls[0].text.toStdString();
        EXPECT_FALSE(seam.calls[0].text.contains(QStringLiteral("strTpDir")));
    }
    EXPECT_EQ(opt->Text2[0]->text(), QStringLiteral("運賃〓データ"));
    EXPECT_EQ(opt->Text2[1]->text(), QStringLiteral("/tp")) << "the settings after it load too";
    EXPECT_EQ(ctl->HScroll1[0]->value(), 777);
    EXPECT_EQ(board.Degit[36]->ZeroMode(), DegitCell[36].nZeroMode);

    SeamRecorder seam;
    const QByteArray saved = save(path());
    EXPECT_TRUE(seam.calls.isEmpty());
    EXPECT_EQ(readAll(path() + QStringLiteral(".bak")), file) << "the user's bytes are kept";
    EXPECT_EQ(saved.left(2 + 12), QByteArray("\x0C\x00", 2) + *Cp932::encode(QStringLiteral("運賃〓データ")));
}

TEST_F(SettingsFile, AKeptCopyThatCannotBeMadeDoesNotStopTheSave)
{
    write(path(), distinctFile().left(300));
    {
        SeamRecorder seam;
        load(path());
        ASSERT_EQ(seam.calls.size(), 1);
    }
    // A folder where the copy would go: neither removed nor written over.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("517.in4.bak")));
    SeamRecorder seam;
    EXPECT_EQ(save(path()).size(), 478 + 10) << "the settings were saved all the same";
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_TRUE(seam.calls[0].text.contains(path() + QStringLiteral(".bak"))) << seam.calls[0].text.toStdString();
    EXPECT_FALSE(seam.calls[0].text.startsWith(QStringLiteral("エラー Code:")));
}

// The settings of a read-only program folder are read there and saved into
// the configuration folder, made by the save; the file read stays as it was.
TEST_F(SettingsFile, SettingsReadFromOneFileAreSavedToTheOther)
{
    const QString shipped = path(QStringLiteral("shipped.in4"));
    const QString own = dir.filePath(QStringLiteral("config/517/517.in4"));
    for (bool readable : {false, true}) {
        const QByteArray original = readable ? distinctFile() : distinctFile().left(100);
        write(shipped, original);
        QFile::remove(own);
        setSettingsFiles({shipped, own, true});
        SeamRecorder seam;
        LoadIni(board, *ctl, *opt);
        EXPECT_EQ(seam.calls.size(), readable ? 0 : 1) << readable;
        EXPECT_EQ(opt->Text2[0]->text(), readable ? QStringLiteral("運賃/データ") : QString()) << readable;
        SaveIni(board, *ctl, *opt);
        EXPECT_EQ(seam.calls.size(), readable ? 0 : 1) << readable << ": " << seam.calls.last().text.toStdString();
        EXPECT_EQ(readAll(shipped), original) << readable;
        EXPECT_FALSE(QFile::exists(shipped + QStringLiteral(".bak"))) << readable << ": the file read is not replaced";
        if (readable)
            EXPECT_EQ(readAll(own), original);
        else
            EXPECT_GE(readAll(own).size(), 478);
    }
}

TEST_F(SettingsFile, AFirstRunBeforeTheConfigurationFolderIsMadeIsQuiet)
{
    const QString own = dir.filePath(QStringLiteral("config/517/517.in4"));
    setSettingsFiles({own, own, true});
    SeamRecorder seam;
    LoadIni(board, *ctl, *opt);
    SaveIni(board, *ctl, *opt);
    EXPECT_TRUE(seam.calls.isEmpty()) << seam.calls.value(0).text.toStdString();
    EXPECT_EQ(readAll(own).size(), 478 + 10);
}

// A back panel the panel cannot have is refused at the load and never reaches
// the next save, so the start after it loads whole again.
TEST_F(SettingsFile, ARefusedBackPanelIsNotSavedBack)
{
    for (std::int16_t refused : {2, -1, 32767}) {
        resetRecords();
        CtrlDataInfo.nFrame1Back = refused;
        write(path(), toFileBytes());
        resetRecords();
        {
            SeamRecorder seam;
            load(path());
            ASSERT_EQ(seam.calls.size(), 1) << refused;
            EXPECT_TRUE(seam.calls[0].text.startsWith(QStringLiteral("エラー Code:340\r\n"))) << refused;
        }
        EXPECT_EQ(ctl->nFrame1Back, 0) << refused;
        save(path());
        SeamRecorder seam;
        load(path());
        EXPECT_TRUE(seam.calls.isEmpty()) << refused << ": " << seam.calls.value(0).text.toStdString();
        EXPECT_EQ(CtrlDataInfo.nFrame1Back, 0) << refused;
    }
}

TEST_F(SettingsFile, TextsCodePage932CannotHoldAreSavedReplacedAndNamed)
{
    opt->txtSelectSound[0]->setText(QStringLiteral("a\u00E9b.wav"));
    SeamRecorder seam;
    const QByteArray bytes = save(path());
    ASSERT_EQ(seam.calls.size(), 1);
    EXPECT_TRUE(seam.calls[0].text.contains(QStringLiteral("strKeitoSound")));
    EXPECT_EQ(bytes.mid(112, 2 + 7), QByteArray("\x07\x00" "a?b.wav", 9));
}

// --- options transfer ------------------------------------------------------------

class OptionTransfer : public SettingsFile
{
protected:
    // Records which boxes and buttons ran their handlers, in order.
    void watch()
    {
        for (QCheckBox* box : opt->findChildren<QCheckBox*>())
            QObject::connect(box, &QCheckBox::toggled, opt, [this, box] { fired.append(box); });
        for (QRadioButton* button : opt->findChildren<QRadioButton*>())
            QObject::connect(button, &QRadioButton::toggled, opt, [this, button](bool on) {
                if (on)
                    fired.append(button);
            });
    }
    QList<QObject*> fired;
};

TEST_F(OptionTransfer, HandlersRunOnlyForChangedValuesAndInWalkOrder)
{
    opt->GetOptionInfo();
    watch();
    opt->SetOptionInfo();
    EXPECT_TRUE(fired.isEmpty());

    const bool frame3 = opt->Frame3->isEnabled();
    PanelInfo.nAutoSeiriNum = 0;
    PanelInfo.nPanelAuto = 0;
    PanelInfo.nPanelEach = -1;
    DegitInfo.nShowOrder = 1;
    SeiriPrevInfo.nUseSeiriPrev = 1;
    ChimeiInfo.nFontBold = 2; // a greyed box is a change as well
    opt->SetOptionInfo();
    EXPECT_EQ(fired, (QList<QObject*>{opt->Check1, opt->Option3[1], opt->Check3[0], opt->Check4, opt->chkUseSeiriPrev}));
    EXPECT_NE(opt->Frame3->isEnabled(), frame3);
    EXPECT_FALSE(opt->Option3[0]->isChecked());

    fired.clear();
    ChimeiInfo.nFontBold = 1; // on after greyed: Qt sees no toggle, the value changed all the same
    opt->SetOptionInfo();
    EXPECT_EQ(fired, QList<QObject*>{opt->Check4});
    opt->GetOptionInfo();
    EXPECT_EQ(ChimeiInfo.nFontBold, 1);
}

TEST_F(OptionTransfer, OptionPairsTakeBothZeroAndTheLaterOfTwoSelected)
{
    SeiriPrevInfo.nDateEachPrint = 0;
    SoundInfo.nPreSync = -1;
    SoundInfo.nPreAsync = -1;
    opt->SetOptionInfo();
    EXPECT_FALSE(opt->Option4[0]->isChecked() || opt->Option4[1]->isChecked() || opt->Option4[2]->isChecked());
    EXPECT_FALSE(opt->Option7[0]->isChecked());
    EXPECT_TRUE(opt->Option7[1]->isChecked());
    // The group is exclusive again: selecting one clears the other.
    opt->Option6[0]->setChecked(true);
    EXPECT_FALSE(opt->Option6[1]->isChecked());
    opt->GetOptionInfo();
    EXPECT_EQ(SeiriPrevInfo.nDateEachPrint | SeiriPrevInfo.nDateAtKeito | SeiriPrevInfo.nDateFixed, 0);
}

TEST_F(OptionTransfer, TheFirstRejectedValueStopsTheWalk)
{
    struct { const char* what; std::function<void()> spoil; } cases[] = {
        {"Combo2 past its list", [] { PanelInfo.nNumStyle = 12; }},
        {"check box above 2", [] { PanelInfo.nNumZeroPad = 3; }},
        {"Combo4 below -1", [] { DegitInfo.nColumnCell = -2; }},
        {"Combo1 past its list", [] { SoundInfo.nStepColumn = 150; }},
        {"Combo3 past its list", [] { ChimeiInfo.nFontMode = 5; }},
    };
    for (const auto& c : cases) {
        resetRecords();
        opt->Label10->setText(QStringLiteral("1999/01/01"));
        FolderInfo.strHy3Dir = QString::fromLatin1(c.what);
        SeiriPrevInfo.strFixedDate = QStringLiteral("2040/04/04");
        c.spoil();
        try {
            opt->SetOptionInfo();
            ADD_FAILURE() << c.what << " was taken";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 380) << c.what;
        }
        EXPECT_EQ(opt->Text2[0]->text(), QString::fromLatin1(c.what));
        EXPECT_EQ(opt->Label10->text(), QStringLiteral("1999/01/01")) << c.what;
    }
}

TEST_F(OptionTransfer, TheLoadRefreshesThePreviewsFromTheColourButtons)
{
    DegitInfo.lPassBackColor = 0x010101;
    DegitInfo.lPassBaseForeColor = 0x020202;
    DegitInfo.lPassDegitForeColor = 0x030303;
    opt->SetOptionInfo();
    EXPECT_EQ(opt->M_Degit3->BackColor(), 0x010101);
    EXPECT_EQ(opt->M_Degit3->BaseForeColor(), 0x020202);
    EXPECT_EQ(opt->M_Degit3->DegitForeColor(), 0x030303);
}

// --- operation panel state --------------------------------------------------------

TEST_F(SettingsFile, PanelStateIsAppliedInOrderAndEndsWithTheBackPanel)
{
    CtrlDataInfo = {1, 55, 66, 1, 0, 15 * 40, 15 * 50};
    ctl->SetCtrlDataInfo();
    EXPECT_EQ(ctl->pos(), QPoint(40, 50));
    EXPECT_EQ(ctl->HScroll1[0]->value(), 55);
    EXPECT_EQ(ctl->HScroll1[1]->value(), 66);
    EXPECT_TRUE(ctl->Check2->isChecked());
    const QObjectList stack = ctl->Frame1[0]->parentWidget()->children();
    EXPECT_LT(stack.indexOf(ctl->Frame1[1]), stack.indexOf(ctl->Frame1[0])) << "panel 1 is behind";

    // A speed the bar cannot show stops before the switches.
    CtrlDataInfo = {0, 0, 66, 0, 0, 15 * 40, 15 * 50};
    EXPECT_THROW(ctl->SetCtrlDataInfo(), AppError);
    EXPECT_TRUE(ctl->Check2->isChecked());
    CtrlDataInfo = {2, 55, 66, 0, 0, 15 * 40, 15 * 50};
    EXPECT_THROW(ctl->SetCtrlDataInfo(), AppError);
    EXPECT_FALSE(ctl->Check2->isChecked()) << "the switches come before the replay";
}

} // namespace
