#include "settings/mdlIniIo_517.h"

#include "Seam.h"
#include "platform/AppError.h"
#include "settings/RecordsFixture.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <type_traits>
#include <variant>
#include <vector>

namespace {

using namespace mdlIniIo_517;

// The records without text are stored field after field; their sizes are
// their stored sizes only when every Integer is 16 and every Long 32 bits.
static_assert(sizeof(DegitInfoRecord) == 56);
static_assert(sizeof(ChimeiInfoRecord) == 12);
static_assert(sizeof(FormInfoRecord) == 8);
static_assert(sizeof(DegitCellRecord) == 6);
static_assert(sizeof(CustColors) == 68);
static_assert(DegitCell.size() == 37);
// The board assigns its position as a pair.
static_assert(std::is_aggregate_v<FormInfoRecord>);

#define FIELD_TYPE(record, field, type) static_assert(std::is_same_v<decltype(record::field), type>, #field)
FIELD_TYPE(PanelInfoRecord, nAutoSeiriNum, std::int16_t);
FIELD_TYPE(PanelInfoRecord, lNumColorOn2, std::int32_t);
FIELD_TYPE(PanelInfoRecord, nOn2User, std::int16_t);
FIELD_TYPE(SoundInfoRecord, nStepColumn, std::int16_t);
FIELD_TYPE(SoundInfoRecord, nPreAsync, std::int16_t);
FIELD_TYPE(SeiriPrevInfoRecord, nDateFixed, std::int16_t);
FIELD_TYPE(CtrlDataInfoRecord, nFrame1Back, std::int16_t);
FIELD_TYPE(CtrlDataInfoRecord, lScrollStartWait, std::int32_t);
FIELD_TYPE(CtrlDataInfoRecord, nSeiriPrevOpen, std::int16_t);
FIELD_TYPE(CtrlDataInfoRecord, lCtlTop, std::int32_t);
#undef FIELD_TYPE

struct Expected
{
    const char* field;
    std::int32_t actual;
    std::int32_t firstRun;
};

TEST(SettingsRecords, NumbersStartAtTheFirstRunValues)
{
    // Nothing in this program touches the records, so they are as a first run has them.
#define ROW(record, field, value) {#field, record.field, value}
    const Expected rows[] = {
        ROW(PanelInfo, nAutoSeiriNum, 1), ROW(PanelInfo, lNumColorOff, 0x00008000),
        ROW(PanelInfo, lNumColorOn1, 0x0000C000), ROW(PanelInfo, lNumColorOn2, 0x0000C000),
        ROW(PanelInfo, nNumStyle, 0), ROW(PanelInfo, nNumZeroPad, 0), ROW(PanelInfo, nPanelAuto, -1),
        ROW(PanelInfo, nPanelEach, 0), ROW(PanelInfo, nOffBuiltIn, -1), ROW(PanelInfo, nOffUser, 0),
        ROW(PanelInfo, nOn1BuiltIn, -1), ROW(PanelInfo, nOn1User, 0), ROW(PanelInfo, nOn2BuiltIn, -1),
        ROW(PanelInfo, nOn2User, 0), ROW(DegitInfo, lAdultBackColor, 0x00808080),
        ROW(DegitInfo, lAdultBaseForeColor, 0x00969696), ROW(DegitInfo, lAdultDegitForeColor, 0x0072D2F8),
        ROW(DegitInfo, lSubwayBackColor, 0x00404040), ROW(DegitInfo, lSubwayBaseForeColor, 0x00808080),
        ROW(DegitInfo, lSubwayDegitForeColor, 0x000080FF), ROW(DegitInfo, lPassBackColor, 0x00404040),
        ROW(DegitInfo, lPassBaseForeColor, 0x00808080), ROW(DegitInfo, lPassDegitForeColor, 0x000080FF),
        ROW(DegitInfo, nShowOrder, 0), ROW(DegitInfo, nOrderCell, 0), ROW(DegitInfo, nCountFromZero, 0),
        ROW(DegitInfo, nShowSeiriNum, 0), ROW(DegitInfo, nSeiriNumCell, 0), ROW(DegitInfo, nShowKeito, 0),
        ROW(DegitInfo, nKeitoCell, 0), ROW(DegitInfo, nShowColumn, 0), ROW(DegitInfo, nColumnNo, 0),
        ROW(DegitInfo, nColumnCell, 0), ROW(ChimeiInfo, lChimeiBackColor, 0x00808080),
        ROW(ChimeiInfo, lChimeiForeColor, 0x0000FFFF), ROW(ChimeiInfo, nFontMode, -1), ROW(ChimeiInfo, nFontBold, 0),
        ROW(SoundInfo, nStepAlways, -1), ROW(SoundInfo, nStepByColumn, 0), ROW(SoundInfo, nStepSync, 0),
        ROW(SoundInfo, nStepAsync, -1), ROW(SoundInfo, nStepColumn, 0), ROW(SoundInfo, nPreAlways, -1),
        ROW(SoundInfo, nPreByFlag, 0), ROW(SoundInfo, nPreSync, -1), ROW(SoundInfo, nPreAsync, 0),
        ROW(SeiriPrevInfo, nUseSeiriPrev, 0), ROW(SeiriPrevInfo, nDateEachPrint, -1),
        ROW(SeiriPrevInfo, nDateAtKeito, 0), ROW(SeiriPrevInfo, nDateFixed, 0), ROW(CtrlDataInfo, lScrollSpeed, 1),
        ROW(CtrlDataInfo, lScrollStartWait, 0), ROW(CtrlDataInfo, nFrame1Back, 0), ROW(CtrlDataInfo, nShinya, 0),
        ROW(CtrlDataInfo, nSeiriPrevOpen, 0),
    };
#undef ROW
    for (const Expected& row : rows)
        EXPECT_EQ(row.actual, row.firstRun) << row.field;
    for (std::int32_t c : CustColors)
        EXPECT_EQ(c, 0);
    for (const DegitCellRecord& cell : DegitCell)
        EXPECT_EQ(cell.nShift | cell.nZeroMode | cell.nFillZero, 0);
}

TEST(SettingsRecords, FileNamesStartEmptyAndTheFixedDateIsToday)
{
    const QString* const names[] = {
        &FolderInfo.strHy3Dir,      &FolderInfo.strTpDir,       &PanelInfo.strOffImage,     &PanelInfo.strOn1Image,
        &PanelInfo.strOn2Image,     &SoundInfo.strKeitoSound,   &SoundInfo.strResetSound,   &SoundInfo.strStepSound,
        &SoundInfo.strStepSound1,   &SoundInfo.strStepSound2,   &SoundInfo.strStepSound3,   &SoundInfo.strPreSound,
        &SoundInfo.strPreSound1,    &SoundInfo.strPreSound2,    &SoundInfo.strPreSound3,    &SeiriPrevInfo.strSeiriPlg,
    };
    for (const QString* name : names)
        EXPECT_TRUE(name->isEmpty()) << name->toStdString();

    const QDate before = QDate::currentDate();
    const QString fixed = SeiriPrevInfoRecord{}.strFixedDate;
    const QDate after = QDate::currentDate();
    // Ten characters with leading zeros: the settings file stores exactly these bytes.
    ASSERT_EQ(fixed.size(), 10);
    const QString dayFormat = QStringLiteral("yyyy/MM/dd");
    EXPECT_TRUE(fixed == before.toString(dayFormat) || fixed == after.toString(dayFormat)) << fixed.toStdString();
}

// Every number field with its offset in a file whose texts are all empty.
struct NumberField
{
    const char* name;
    int offset;
    std::variant<std::int16_t*, std::int32_t*> field;
};

std::vector<NumberField> numberFields()
{
    PanelInfoRecord& p = PanelInfo;
    DegitInfoRecord& d = DegitInfo;
    SoundInfoRecord& s = SoundInfo;
    SeiriPrevInfoRecord& t = SeiriPrevInfo;
    CtrlDataInfoRecord& c = CtrlDataInfo;
#define F(offset, field) {#field, offset, &field}
    std::vector<NumberField> rows = {
        F(4, p.nAutoSeiriNum), F(6, p.lNumColorOff), F(10, p.lNumColorOn1), F(14, p.lNumColorOn2),
        F(18, p.nNumStyle), F(20, p.nNumZeroPad), F(22, p.nPanelAuto), F(24, p.nPanelEach), F(26, p.nOffBuiltIn),
        F(28, p.nOffUser), F(30, p.nOn1BuiltIn), F(32, p.nOn1User), F(34, p.nOn2BuiltIn), F(36, p.nOn2User),
        F(44, d.lAdultBackColor), F(48, d.lAdultBaseForeColor), F(52, d.lAdultDegitForeColor),
        F(56, d.lSubwayBackColor), F(60, d.lSubwayBaseForeColor), F(64, d.lSubwayDegitForeColor),
        F(68, d.lPassBackColor), F(72, d.lPassBaseForeColor), F(76, d.lPassDegitForeColor), F(80, d.nShowOrder),
        F(82, d.nOrderCell), F(84, d.nCountFromZero), F(86, d.nShowSeiriNum), F(88, d.nSeiriNumCell),
        F(90, d.nShowKeito), F(92, d.nKeitoCell), F(94, d.nShowColumn), F(96, d.nColumnNo), F(98, d.nColumnCell),
        F(100, ChimeiInfo.lChimeiBackColor), F(104, ChimeiInfo.lChimeiForeColor), F(108, ChimeiInfo.nFontMode),
        F(110, ChimeiInfo.nFontBold), F(116, s.nStepAlways), F(118, s.nStepByColumn), F(120, s.nStepSync),
        F(122, s.nStepAsync), F(126, s.nStepColumn), F(134, s.nPreAlways), F(136, s.nPreByFlag),
        F(138, s.nPreSync), F(140, s.nPreAsync), F(150, t.nUseSeiriPrev), F(154, t.nDateEachPrint),
        F(156, t.nDateAtKeito), F(158, t.nDateFixed), F(162, c.nFrame1Back), F(164, c.lScrollSpeed),
        F(168, c.lScrollStartWait), F(172, c.nShinya), F(174, c.nSeiriPrevOpen), F(176, c.lCtlLeft),
        F(180, c.lCtlTop), F(184, FormInfo.lLeft), F(188, FormInfo.lTop),
    };
#undef F
    for (int i = 0; i < 17; ++i)
        rows.push_back({"CustColors", 192 + 4 * i, &CustColors[static_cast<size_t>(i)]});
    for (int i = 1; i <= 36; ++i) {
        DegitCellRecord& cell = DegitCell[static_cast<size_t>(i)];
        const int at = 262 + 6 * (i - 1);
        rows.push_back({"nShift", at, &cell.nShift});
        rows.push_back({"nZeroMode", at + 2, &cell.nZeroMode});
        rows.push_back({"nFillZero", at + 4, &cell.nFillZero});
    }
    return rows;
}

TEST(SettingsLayout, EveryNumberSitsAtItsOffsetWhenTextsAreEmpty)
{
    resetRecords();
    SeiriPrevInfo.strFixedDate.clear();
    const std::vector<NumberField> fields = numberFields();
    // Distinct low bytes find a misplaced field, the fixed high bytes a wrong byte order.
    for (size_t k = 0; k < fields.size(); ++k) {
        if (auto* n = std::get_if<std::int16_t*>(&fields[k].field))
            **n = static_cast<std::int16_t>(0x2100 + k);
        else
            *std::get<std::int32_t*>(fields[k].field) = static_cast<std::int32_t>(0x43420000 + k);
    }
    const QByteArray bytes = toFileBytes();
    ASSERT_EQ(bytes.size(), 478);
    for (size_t k = 0; k < fields.size(); ++k) {
        const bool is16 = std::holds_alternative<std::int16_t*>(fields[k].field);
        const std::int64_t expected = is16 ? 0x2100 + static_cast<std::int64_t>(k) : 0x43420000 + static_cast<std::int64_t>(k);
        EXPECT_EQ(readLE(bytes, fields[k].offset, is16 ? 2 : 4), expected) << fields[k].name << " at " << fields[k].offset;
    }
    EXPECT_EQ(readLE(bytes, 260, 2), 36) << "cell count";
    for (int offset : {0, 2, 38, 40, 42, 112, 114, 124, 128, 130, 132, 142, 144, 146, 148, 152, 160})
        EXPECT_EQ(readLE(bytes, offset, 2), 0) << "empty text at " << offset;
    resetRecords();
}

TEST(SettingsLayout, TextsAreStoredWithTheirCodePage932ByteCount)
{
    resetRecords();
    FolderInfo.strHy3Dir = QStringLiteral("系統");
    SeiriPrevInfo.strFixedDate = QStringLiteral("2030/01/02");
    const QByteArray bytes = toFileBytes();
    ASSERT_EQ(bytes.size(), 478 + 4 + 10);
    EXPECT_EQ(bytes.left(6), QByteArray::fromHex("04008c6e939d"));
    EXPECT_EQ(readLE(bytes, 8, 2), 1) << "nAutoSeiriNum follows the text";
    EXPECT_EQ(readLE(bytes, 160 + 4, 2), 10);
    EXPECT_EQ(bytes.mid(166, 10), QByteArray("2030/01/02"));
    EXPECT_EQ(readLE(bytes, 260 + 14, 2), 36);
}

// The file without the windows: what the load hands over and when, and that
// the failures of either side are shown, not thrown.
TEST(SettingsFileAlone, LoadAppliesOnlyAWholeFileAndSaveWritesWhatWasCollected)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("517.in4"));
    resetRecords();
    FolderInfo.strHy3Dir = QStringLiteral("運賃");
    const QByteArray whole = toFileBytes();
    resetRecords();
    auto write = [&](const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    struct Case
    {
        const char* what;
        std::function<void()> prepare;
        bool throwInApply;
        int applied;       // times apply ran
        QString hy3Dir;    // in the records afterwards
        QString shown;     // start of the message, empty for none
    };
    const Case cases[] = {
        {"no file", [&] { QFile::remove(path); }, false, 0, QString(), QString()},
        {"a whole file", [&] { write(whole); }, false, 1, QStringLiteral("運賃"), QString()},
        {"a short file", [&] { write(whole.left(whole.size() - 1)); }, false, 0, QString(), QStringLiteral("エラー Code:62")},
        {"apply fails", [&] { write(whole); }, true, 1, QStringLiteral("運賃"), QStringLiteral("エラー Code:380")},
    };
    for (const Case& c : cases) {
        resetRecords();
        c.prepare();
        setSettingsPath(path);
        int applied = 0;
        SeamRecorder seam;
        loadSettings([&] {
            ++applied;
            if (c.throwInApply)
                throw AppError(ErrNo::InvalidPropertyValue);
        });
        EXPECT_EQ(applied, c.applied) << c.what;
        EXPECT_EQ(FolderInfo.strHy3Dir, c.hy3Dir) << c.what;
        if (c.shown.isEmpty())
            EXPECT_TRUE(seam.calls.isEmpty()) << c.what;
        else
            EXPECT_TRUE(!seam.calls.isEmpty() && seam.calls[0].text.startsWith(c.shown)) << c.what;
    }

    // The save collects first, then writes; a failing collect writes nothing.
    write(QByteArrayLiteral("old"));
    {
        SeamRecorder seam;
        saveSettings([] { throw AppError(ErrNo::InvalidPropertyValue); });
        EXPECT_EQ(seam.calls.size(), 1);
    }
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArrayLiteral("old"));
    kept.close();
    saveSettings([] { FolderInfo.strHy3Dir = QStringLiteral("運賃"); });
    resetRecords();
    loadSettings([] {});
    EXPECT_EQ(FolderInfo.strHy3Dir, QStringLiteral("運賃"));

    setSettingsPath(QString());
    resetRecords();
}

} // namespace
