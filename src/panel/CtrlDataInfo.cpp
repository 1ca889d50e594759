// The operation panel's part of the settings: its position, the scroller
// bars, the entry panel at the back and two switches.

#include "panel/frmCtl.h"

#include "platform/AppError.h"
#include "platform/ControlValue.h"
#include "platform/Twips.h"
#include "settings/mdlIniIo_517.h"

#include <QCheckBox>
#include <QFrame>
#include <QScrollBar>

namespace {
// The runtime error of a control array element that does not exist.
constexpr int kNoSuchControl = 340;
} // namespace

void frmCtl::GetCtrlDataInfo()
{
    mdlIniIo_517::CtrlDataInfoRecord& r = mdlIniIo_517::CtrlDataInfo;
    r.lCtlLeft = Twips::fromPixels(x());
    r.lCtlTop = Twips::fromPixels(y());
    r.lScrollSpeed = HScroll1[0]->value();
    r.lScrollStartWait = HScroll1[1]->value();
    r.nFrame1Back = nFrame1Back;
    r.nSeiriPrevOpen = ControlValue::checkValue(Check4);
    r.nShinya = ControlValue::checkValue(Check2);
}

void frmCtl::SetCtrlDataInfo()
{
    const mdlIniIo_517::CtrlDataInfoRecord& r = mdlIniIo_517::CtrlDataInfo;
    move(Twips::toPixels(r.lCtlLeft), y());
    move(x(), Twips::toPixels(r.lCtlTop));
    ControlValue::setScrollValue(HScroll1[0], r.lScrollSpeed);
    ControlValue::setScrollValue(HScroll1[1], r.lScrollStartWait);
    ControlValue::setCheckValue(Check4, r.nSeiriPrevOpen);
    ControlValue::setCheckValue(Check2, r.nShinya);
    // Only two entry panels exist: a stored index beyond them names a panel
    // that is not there. It is refused before the panel holds it, so the
    // exit save writes the panel's own valid value and the next start loads.
    if (r.nFrame1Back < 0 || r.nFrame1Back >= static_cast<int>(Frame1.size()))
        throw AppError(kNoSuchControl, QStringLiteral("コントロール配列の要素が存在しません。"));
    // The swap stores the index as it sends that panel to the back.
    Frame1_DblClick(r.nFrame1Back);
}
