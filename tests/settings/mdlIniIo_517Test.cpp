#include "settings/mdlIniIo_517.h"

#include <QDate>

#include <gtest/gtest.h>

#include <type_traits>

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

} // namespace
