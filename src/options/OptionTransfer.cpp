// The transfer between the options dialog's controls and the settings
// records. One walk serves both directions so that the save and the load can
// never drift apart in order: the load's handlers run in exactly the order the
// fields are met.

#include "options/frmOption.h"

#include "controls/M_Degit.h"
#include "options/ColorButton.h"
#include "panel/frmCtl.h"
#include "platform/ControlValue.h"
#include "settings/mdlIniIo_517.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <cstdint>
#include <functional>

namespace {

using namespace mdlIniIo_517;

using namespace ControlValue;

// Both directions of the transfer, field by field.
class Transfer
{
public:
    explicit Transfer(bool toControls) : m_toControls(toControls) {}

    void operator()(QLineEdit* c, QString& f) const
    {
        if (m_toControls)
            c->setText(f);
        else
            f = c->text();
    }
    void operator()(QLabel* c, QString& f) const
    {
        if (m_toControls)
            c->setText(f);
        else
            f = c->text();
    }
    void operator()(ColorButton* c, std::int32_t& f) const
    {
        if (m_toControls)
            c->setBackColor(f);
        else
            f = c->BackColor();
    }
    void operator()(QCheckBox* c, std::int16_t& f) const
    {
        if (m_toControls)
            setCheckValue(c, f);
        else
            f = checkValue(c);
    }
    void operator()(QComboBox* c, std::int16_t& f) const
    {
        if (m_toControls)
            setListIndex(c, f);
        else
            f = static_cast<std::int16_t>(c->currentIndex());
    }
    void operator()(QRadioButton* c, std::int16_t& f) const
    {
        if (m_toControls)
            setOptionValue(c, f);
        else
            f = optionValue(c);
    }

private:
    bool m_toControls;
};

// The points of the walk where the load brings dependent displays up to date.
struct LoadExtras
{
    std::function<void()> afterPanelImages;
    std::function<void()> afterDigitOptions;
    std::function<void()> afterTicketDate;
};

void walk(frmOption& o, const Transfer& t, const LoadExtras* extras)
{
    FolderInfoRecord& fo = FolderInfo;
    PanelInfoRecord& pa = PanelInfo;
    DegitInfoRecord& dg = DegitInfo;
    ChimeiInfoRecord& ch = ChimeiInfo;
    SoundInfoRecord& so = SoundInfo;
    SeiriPrevInfoRecord& se = SeiriPrevInfo;

    t(o.Text2[0], fo.strHy3Dir);
    t(o.Text2[1], fo.strTpDir);
    t(o.Check1, pa.nAutoSeiriNum);
    t(o.Command5[0], pa.lNumColorOff);
    t(o.Command5[1], pa.lNumColorOn1);
    t(o.Command5[2], pa.lNumColorOn2);
    t(o.Combo2, pa.nNumStyle);
    t(o.Check2, pa.nNumZeroPad);
    t(o.Option3[0], pa.nPanelAuto);
    t(o.Option3[1], pa.nPanelEach);
    t(o.Option3[7], pa.nOffBuiltIn);
    t(o.Option3[6], pa.nOffUser);
    t(o.Option3[3], pa.nOn1BuiltIn);
    t(o.Option3[2], pa.nOn1User);
    t(o.Option3[4], pa.nOn2BuiltIn);
    t(o.Option3[5], pa.nOn2User);
    t(o.txtSelectPanel[0], pa.strOffImage);
    t(o.txtSelectPanel[1], pa.strOn1Image);
    t(o.txtSelectPanel[2], pa.strOn2Image);
    if (extras)
        extras->afterPanelImages();

    t(o.Command8[0], dg.lAdultBackColor);
    t(o.Command8[1], dg.lAdultBaseForeColor);
    t(o.Command8[2], dg.lAdultDegitForeColor);
    t(o.Command8[3], dg.lSubwayBackColor);
    t(o.Command8[4], dg.lSubwayBaseForeColor);
    t(o.Command8[5], dg.lSubwayDegitForeColor);
    t(o.Command8[6], dg.lPassBackColor);
    t(o.Command8[7], dg.lPassBaseForeColor);
    t(o.Command8[8], dg.lPassDegitForeColor);
    t(o.Check3[0], dg.nShowOrder);
    t(o.Combo4[0], dg.nOrderCell);
    t(o.Check3[4], dg.nCountFromZero);
    t(o.Check3[1], dg.nShowSeiriNum);
    t(o.Combo4[1], dg.nSeiriNumCell);
    t(o.Check3[2], dg.nShowKeito);
    t(o.Combo4[2], dg.nKeitoCell);
    t(o.Check3[3], dg.nShowColumn);
    t(o.Combo4[4], dg.nColumnNo);
    t(o.Combo4[3], dg.nColumnCell);
    if (extras)
        extras->afterDigitOptions();

    t(o.Command9[0], ch.lChimeiBackColor);
    t(o.Command9[1], ch.lChimeiForeColor);
    t(o.Combo3, ch.nFontMode);
    t(o.Check4, ch.nFontBold);

    t(o.txtSelectSound[0], so.strKeitoSound);
    t(o.txtSelectSound[1], so.strResetSound);
    t(o.Option6[0], so.nStepSync);
    t(o.Option6[1], so.nStepAsync);
    t(o.Option2[0], so.nStepAlways);
    t(o.Option2[1], so.nStepByColumn);
    t(o.txtSelectSound[7], so.strStepSound);
    t(o.Combo1, so.nStepColumn);
    t(o.txtSelectSound[8], so.strStepSound1);
    t(o.txtSelectSound[9], so.strStepSound2);
    t(o.txtSelectSound[10], so.strStepSound3);
    t(o.Option7[0], so.nPreSync);
    t(o.Option7[1], so.nPreAsync);
    t(o.Option2[2], so.nPreAlways);
    t(o.Option2[3], so.nPreByFlag);
    t(o.txtSelectSound[3], so.strPreSound);
    t(o.txtSelectSound[4], so.strPreSound1);
    t(o.txtSelectSound[5], so.strPreSound2);
    t(o.txtSelectSound[6], so.strPreSound3);

    t(o.chkUseSeiriPrev, se.nUseSeiriPrev);
    t(o.txtSeiriPlgDir, se.strSeiriPlg);
    t(o.Option4[0], se.nDateEachPrint);
    t(o.Option4[1], se.nDateAtKeito);
    t(o.Option4[2], se.nDateFixed);
    t(o.Label10, se.strFixedDate);
    if (extras)
        extras->afterTicketDate();
}

} // namespace

void frmOption::GetOptionInfo()
{
    walk(*this, Transfer(false), nullptr);
}

void frmOption::SetOptionInfo()
{
    const LoadExtras extras{
        // The panel keeps its backlight state; only its picture and number
        // colours follow the panel settings just loaded. A dialog not yet
        // attached to a panel has nothing to refresh.
        [this] {
            if (!m_panel)
                return;
            const int state = m_panel->Option4[0]->isChecked() ? 0 : m_panel->Option4[1]->isChecked() ? 1 : 2;
            m_panel->Option4_Click(state);
        },
        [this] {
            M_Degit* previews[] = {M_Degit1, M_Degit2, M_Degit3};
            for (int part = 0; part < 3; ++part) {
                previews[part]->setBackColor(Command8[static_cast<size_t>(3 * part)]->BackColor());
                previews[part]->setBaseForeColor(Command8[static_cast<size_t>(3 * part + 1)]->BackColor());
                previews[part]->setDegitForeColor(Command8[static_cast<size_t>(3 * part + 2)]->BackColor());
            }
        },
        // A plug-in that is gone or rejected just leaves the description empty.
        [this] { SetPlgin(txtSeiriPlgDir->text()); },
    };
    walk(*this, Transfer(true), &extras);
}
