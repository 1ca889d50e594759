#include "board/mdl517_000.h"

#include "board/Form1.h"
#include "controls/M_Degit.h"

namespace mdl517_000 {

void ClearFareCells(Form1& board)
{
    for (int i = 1; i <= 36; ++i)
        board.Degit[i]->ResetDegit(0);
}

void InitPanelDefaults(Form1& board)
{
    board.setPicture(board.imgRes[0].Picture);
    board.imgRes[2].Picture = board.imgRes[1].Picture;
}

} // namespace mdl517_000
