#pragma once

#include "speech/SpeechEngine.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class frmCtl;
class frmOption;
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

inline std::vector<TapeRow> Tape; // rows 1 to nTapeCount at 0 to nTapeCount - 1
inline std::int32_t nTapeCount = 0;
inline std::int32_t nTapePos = 0; // 0: before the first row
inline std::int16_t bSpeechOK = 0;
inline std::unique_ptr<SpeechEngine> objSpeech;

// What InitSpeech creates the engine with (tests give a recording engine).
void setEngineFactory(std::function<std::unique_ptr<SpeechEngine>()> factory);

void InitSpeech(frmCtl& panel);
void LoadTape(frmCtl& panel, const QString& strDir, const QString& strKeitoNum);
void TapeNext(const frmOption& options);
void SpeakRow(std::int32_t nPos);
std::int32_t GetTapePos();
std::int16_t GetRowStep(std::int32_t nPos);
std::int16_t GetRowFlag(std::int32_t nPos);
std::int32_t GetTapeCount();
void StopTape();
void TapeAdjust(QWidget* owner);

// The chime of row nPos in by-flag mode: sound 4, 5 or 6 of the options for
// flags 1 to 3, else none.
QString flagChime(const frmOption& options, std::int32_t nPos);

} // namespace mdlM_Tape
