#pragma once

#include "speech/SpeechEngine.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

// The announcement tape: the announcement texts of the route that is set,
// stepped through with "送り" and "戻し", each step chiming and then speaking.
namespace mdlM_Tape {

struct TapeRow
{
    QString strText;
    std::int16_t nStep = 0; // 1: stepping onto this row also steps the fares
    std::int16_t nFlag = 0; // 1 to 3: the chime in by-flag mode
};

// What a step needs of the options, read from the options dialog by the
// caller at the moment it steps: the chime that goes before the
// announcement, and whether the voice waits for it to end.
struct TapeChimes
{
    bool bPreAlways = false; // always strPreSound; else the row's flag chooses
    bool bPreSync = false;   // the voice starts once the chime has ended
    QString strPreSound;
    std::array<QString, 3> strPreSoundByFlag; // flags 1 to 3
};

inline std::vector<TapeRow> Tape; // rows 1 to nTapeCount at 0 to nTapeCount - 1
inline std::int32_t nTapeCount = 0;
inline std::int32_t nTapePos = 0; // 0: before the first row
inline std::int16_t bSpeechOK = 0;
inline std::unique_ptr<SpeechEngine> objSpeech;

// What InitSpeech creates the engine with (tests give a recording engine).
void setEngineFactory(std::function<std::unique_ptr<SpeechEngine>()> factory);

// Creates the speech engine: bSpeechOK tells the panel whether it can
// offer the tape.
void InitSpeech();
// Reads the route's announcement file (strDir ends in its separator, or is
// empty). False when the file cannot be read as a tape: the previous tape
// then stays as it was. The route's readings file applies from now on.
bool LoadTape(const QString& strDir, const QString& strKeitoNum);
// One row forward or back, its chime, then its text spoken. Past either end
// nothing is played; a failing chime or voice ends the step quietly.
void TapeNext(const TapeChimes& chimes);
void TapeBack(const TapeChimes& chimes);
void SpeakRow(std::int32_t nPos);
std::int32_t GetTapePos();
std::int16_t GetRowStep(std::int32_t nPos);
std::int16_t GetRowFlag(std::int32_t nPos);
std::int32_t GetTapeCount();
void StopTape();
void TapeAdjust(QWidget* owner);
// Drops the engine (at exit, before the sound output it writes into).
void ReleaseSpeech();

// The chime before row nPos, empty for none: forward in always mode
// strPreSound, else the one of the row's flag 1 to 3. Back, the always mode
// is not consulted.
QString PreChime(const TapeChimes& chimes, std::int32_t nPos, bool forward);

} // namespace mdlM_Tape
