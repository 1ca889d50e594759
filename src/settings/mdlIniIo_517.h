#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include "settings/SettingsLocation.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

// The settings records: the image of the settings file, filled from the
// windows just before saving and pushed back into them just after loading.
// While the program runs the live values sit in the controls, not here.
//
// Field order inside each record is the order of the settings file, and the
// field types are its field widths (Integer = 16 bit, Long = 32 bit).
//
// Every default below is the value a first run saves: the windows' design
// values after the board's start-up presets. Check boxes hold 0 or 1, option
// buttons -1 (selected) or 0, lists their ListIndex, colours 0x00BBGGRR.
namespace mdlIniIo_517 {

// The current date as the options dialog shows a fixed ticket date.
inline QString todayText()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
}

struct FolderInfoRecord
{
    QString strHy3Dir;
    QString strTpDir;
};

struct PanelInfoRecord
{
    std::int16_t nAutoSeiriNum = 1;
    std::int32_t lNumColorOff = 0x008000;
    std::int32_t lNumColorOn1 = 0x00C000;
    // The dialog's own design colour for ON2 is a pale green; the board's
    // start-up presets it to the ON1 green before anything can be saved.
    std::int32_t lNumColorOn2 = 0x00C000;
    std::int16_t nNumStyle = 0;
    std::int16_t nNumZeroPad = 0;
    std::int16_t nPanelAuto = -1;
    std::int16_t nPanelEach = 0;
    std::int16_t nOffBuiltIn = -1;
    std::int16_t nOffUser = 0;
    std::int16_t nOn1BuiltIn = -1;
    std::int16_t nOn1User = 0;
    std::int16_t nOn2BuiltIn = -1;
    std::int16_t nOn2User = 0;
    QString strOffImage;
    QString strOn1Image;
    QString strOn2Image;
};

struct DegitInfoRecord
{
    std::int32_t lAdultBackColor = 0x808080;
    std::int32_t lAdultBaseForeColor = 0x969696;
    std::int32_t lAdultDegitForeColor = 0x72D2F8;
    std::int32_t lSubwayBackColor = 0x404040;
    std::int32_t lSubwayBaseForeColor = 0x808080;
    std::int32_t lSubwayDegitForeColor = 0x0080FF;
    std::int32_t lPassBackColor = 0x404040;
    std::int32_t lPassBaseForeColor = 0x808080;
    std::int32_t lPassDegitForeColor = 0x0080FF;
    std::int16_t nShowOrder = 0;
    std::int16_t nOrderCell = 0;
    std::int16_t nCountFromZero = 0;
    std::int16_t nShowSeiriNum = 0;
    std::int16_t nSeiriNumCell = 0;
    std::int16_t nShowKeito = 0;
    std::int16_t nKeitoCell = 0;
    std::int16_t nShowColumn = 0;
    std::int16_t nColumnNo = 0;
    std::int16_t nColumnCell = 0;
};

struct ChimeiInfoRecord
{
    std::int32_t lChimeiBackColor = 0x808080;
    std::int32_t lChimeiForeColor = 0x00FFFF;
    // -1: no font option chosen, the scroller keeps its own default face.
    std::int16_t nFontMode = -1;
    std::int16_t nFontBold = 0;
};

struct SoundInfoRecord
{
    QString strKeitoSound;
    QString strResetSound;
    std::int16_t nStepAlways = -1;
    std::int16_t nStepByColumn = 0;
    std::int16_t nStepSync = 0;
    std::int16_t nStepAsync = -1;
    QString strStepSound;
    std::int16_t nStepColumn = 0;
    QString strStepSound1;
    QString strStepSound2;
    QString strStepSound3;
    std::int16_t nPreAlways = -1;
    std::int16_t nPreByFlag = 0;
    std::int16_t nPreSync = -1;
    std::int16_t nPreAsync = 0;
    QString strPreSound;
    QString strPreSound1;
    QString strPreSound2;
    QString strPreSound3;
};

struct SeiriPrevInfoRecord
{
    std::int16_t nUseSeiriPrev = 0;
    QString strSeiriPlg;
    std::int16_t nDateEachPrint = -1;
    std::int16_t nDateAtKeito = 0;
    std::int16_t nDateFixed = 0;
    QString strFixedDate = todayText();
};

struct CtrlDataInfoRecord
{
    std::int16_t nFrame1Back = 0;
    std::int32_t lScrollSpeed = 1; // the speed bar's design value
    std::int32_t lScrollStartWait = 0;
    std::int16_t nShinya = 0;
    std::int16_t nSeiriPrevOpen = 0;
    // The panel is placed at start-up, so its position has no design value.
    std::int32_t lCtlLeft = 0; // twips
    std::int32_t lCtlTop = 0;  // twips
};

struct FormInfoRecord
{
    std::int32_t lLeft = 0; // twips
    std::int32_t lTop = 0;  // twips
};

struct DegitCellRecord
{
    std::int16_t nShift = 0;
    std::int16_t nZeroMode = 0;
    std::int16_t nFillZero = 0;
};

inline FolderInfoRecord FolderInfo;
inline PanelInfoRecord PanelInfo;
inline DegitInfoRecord DegitInfo;
inline ChimeiInfoRecord ChimeiInfo;
inline SoundInfoRecord SoundInfo;
inline SeiriPrevInfoRecord SeiriPrevInfo;
inline CtrlDataInfoRecord CtrlDataInfo;
inline FormInfoRecord FormInfo;

// The colour chooser's custom colours, index 0 to 16; the chooser edits them
// in place.
inline std::array<std::int32_t, 17> CustColors{};

// One element per board cell, indexed by the cell number 1 to 36 as the
// cells are; element 0 is never used. A fixed array rather than a resizable
// one: re-dimensioning to 1 To 36 is then a reset of every element to zero.
inline std::array<DegitCellRecord, 37> DegitCell{};

// --- the settings file ---------------------------------------------------------

// The settings files of this run, <executable name>.in4: decided once, at
// the first load or save, from the executable's folder and the user's
// configuration folder, so that the load and the save agree (the rule is
// SettingsLocation::locate's).
SettingsLocation::Files settingsFiles();
// One file for both the load and the save. An empty path means no settings
// file at all: nothing is read and nothing is written (the test programs run
// so). nullopt has the files decided again at the next use.
void setSettingsPath(std::optional<QString> path);
// The files as given, a load and a save apart.
void setSettingsFiles(const SettingsLocation::Files& files);

// Reads the settings file into the records and then has apply hand them to
// the windows (LoadIni, beside the board's start-up, does). A missing file
// is no error and applies nothing; any other failure, apply's included, is
// shown, and a file shorter than its layout changes nothing. Texts with
// bytes that are not code page 932 load with 〓 in their place, named in a
// note; the file as it was is then kept as <name>.bak by the next save.
void loadSettings(const std::function<void()>& apply);
// Has collect fill the records from the windows (SaveIni, beside the exit,
// does), then replaces the settings file with them. A failure is shown and
// leaves the previous file whole.
void saveSettings(const std::function<void()>& collect);

// The records as the file's bytes, and back. fromFileBytes raises 62 for a
// file shorter than its layout and then leaves the records untouched; a
// text with bytes that are not code page 932 reads with 〓 in their place,
// and *undecodable names it ("field: text").
// toFileBytes stores a text that code page 932 cannot hold with "?" in place
// of each such character, and names the settings concerned in *unstorable.
QByteArray toFileBytes(QStringList* unstorable = nullptr);
void fromFileBytes(const QByteArray& bytes, QStringList* undecodable = nullptr);

// Makes the next saves fail as a full disk would once the given number of
// bytes has been written; nullopt lets them write again.
void failWritesAfterForTesting(std::optional<qint64> bytes);

} // namespace mdlIniIo_517
