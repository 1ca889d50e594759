#include "board/mdl517_000.h"

#include "board/Form1.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/frmOption.h"

#include <QCheckBox>

namespace mdl517_000 {

void ClearFareCells(Form1& board)
{
    for (int i = 1; i <= 36; ++i)
        board.Degit[i]->ResetDegit(0);
}

void InitPanelDefaults(Form1& board)
{
    frmOption& options = *board.option();
    options.Check1->setChecked(true);
    options.Command5[0]->setBackColor(0x008000);
    options.Command5[1]->setBackColor(0x00C000);
    options.Command5[2]->setBackColor(0x00C000);
    board.setPicture(board.imgRes[0].Picture);
    board.imgRes[2].Picture = board.imgRes[1].Picture;
}

} // namespace mdl517_000
