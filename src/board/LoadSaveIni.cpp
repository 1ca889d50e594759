#include "board/LoadSaveIni.h"

#include "board/Form1.h"
#include "controls/ChimeiCtl_A.h"
#include "controls/M_Degit.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "settings/mdlIniIo_517.h"

namespace mdlIniIo_517 {

// The order of the steps is the order the windows take their settings in.
void LoadIni(Form1& board, frmCtl& panel, frmOption& options)
{
    DegitCell = {};
    loadSettings([&] {
        for (int i = 1; i <= 36; ++i) {
            M_Degit* cell = board.Degit[static_cast<size_t>(i)];
            const DegitCellRecord& stored = DegitCell[static_cast<size_t>(i)];
            cell->setZeroMode(stored.nZeroMode);
            cell->setShift(stored.nShift);
            cell->setFillZero(stored.nFillZero);
            cell->setBackColor(DegitInfo.lAdultBackColor);
            cell->setBaseForeColor(DegitInfo.lAdultBaseForeColor);
            cell->setDegitForeColor(DegitInfo.lAdultDegitForeColor);
            cell->setValue(QStringLiteral(" "));
        }
        for (M_Degit* clock : board.TimeDegit) {
            clock->setBackColor(DegitInfo.lAdultBackColor);
            clock->setBaseForeColor(DegitInfo.lAdultBaseForeColor);
            clock->setDegitForeColor(DegitInfo.lAdultDegitForeColor);
        }
        board.ChimeiCtl->setBackColor(ChimeiInfo.lChimeiBackColor);
        board.ChimeiCtl->setForeColor(ChimeiInfo.lChimeiForeColor);
        options.SetOptionInfo();
        panel.SetCtrlDataInfo();
        board.SetFormInfo();
        options.SetProp();
    });
}

void SaveIni(Form1& board, frmCtl& panel, frmOption& options)
{
    saveSettings([&] {
        DegitCell = {};
        for (int i = 1; i <= 36; ++i) {
            const M_Degit* cell = board.Degit[static_cast<size_t>(i)];
            DegitCellRecord& stored = DegitCell[static_cast<size_t>(i)];
            stored.nZeroMode = static_cast<std::int16_t>(cell->ZeroMode());
            stored.nShift = static_cast<std::int16_t>(cell->Shift());
            stored.nFillZero = static_cast<std::int16_t>(cell->FillZero());
        }
        options.GetOptionInfo();
        panel.GetCtrlDataInfo();
        board.GetFormInfo();
    });
}

} // namespace mdlIniIo_517
