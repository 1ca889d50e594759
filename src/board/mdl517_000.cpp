#include "board/mdl517_000.h"

#include "board/Form1.h"
#include "board/NumberStrip.h"
#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "options/frmOption.h"

#include "platform/ApiLib.h"
#include "platform/DataPaths.h"
#include "platform/FontSubst.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace mdl517_000 {

namespace {

void showStripError(const AppError& error)
{
    ApiLib::MsgBox(QStringLiteral("エラーです！\r\n\r\nコード：%1\r\n\r\n内容：%2\r\n\r\nモジュール：IniIO-SeirikenNumSet( )")
                       .arg(error.number())
                       .arg(error.description()),
                   ApiLib::vbOKOnly | ApiLib::vbCritical, QStringLiteral("エラー！"));
}

} // namespace

void SeirikenNumSet(Form1& board, int nStyle, int nZeroPad)
{
    try {
        // A page turn of the thirty-six-ticket board writes its numbers in
        // the same style.
        board.numbering = {nStyle, nZeroPad};
        board.lblPage->setText(NumberStrip::pageRange(nStyle, board.ticketPage()));
        const NumberStrip::Plan plan = NumberStrip::plan(nStyle, nZeroPad, board.ticketPage());
        QLabel* first = board.lblSeiriNum[1];
        QFont font = first->font();
        if (plan.firstInDigitFace) {
            font.setFamily(FontSubst::DigitFace);
            first->setFont(font);
        } else {
            font.setFamily(FontSubst::PGothic);
            first->setFont(font);
            first->setText(plan.firstText);
        }
        for (const auto& [label, caption] : plan.captions)
            board.lblSeiriNum.at(static_cast<size_t>(label))->setText(caption);
    } catch (const AppError& e) {
        showStripError(e);
    } catch (const std::exception& e) {
        showStripError(AppError(ErrNo::InternalError, QString::fromLocal8Bit(e.what())));
    }
}

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
    // Until the settings name folders of their own, routes and announcements
    // come from the bundled samples, wherever the program is installed.
    for (QLineEdit* folder : options.Text2)
        folder->setText(DataPaths::samplesDir());
}

} // namespace mdl517_000
