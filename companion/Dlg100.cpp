#include "Dlg100.h"

#include "EntryGuard.h"
#include "MirvRes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char16_t* const kZeroModeTexts[] = {
    u"0 と空欄は何も表示しない",
    u"0 と空欄は「0」を表示する",
    u"-1 は「0」を表示し、0 は何も表示しない",
    u"-1、0、空欄はすべて「0」を表示する",
};

} // namespace

Dlg100::Dlg100(QWidget* parent, int keta, int zeroMode, int shift, int fillZero)
    : QDialog(parent)
    , m_originalZeroMode(zeroMode)
    , m_zeroModes(new QButtonGroup(this))
    , m_shift(new QSpinBox(this))
    , m_fillZero(new QSpinBox(this))
    , m_applyAll(new QCheckBox(QStringLiteral("すべてのコマに適用"), this))
{
    setWindowTitle(QStringLiteral("表示オプション"));
    const int positions = std::max(keta, 1);

    auto* zeroBox = new QGroupBox(QStringLiteral("0 の表示 (%1 桁)").arg(positions), this);
    auto* zeroLayout = new QVBoxLayout(zeroBox);
    for (int mode = 0; mode < 4; ++mode) {
        auto* button = new QRadioButton(QString::fromUtf16(kZeroModeTexts[mode]), zeroBox);
        button->setObjectName(QStringLiteral("zeroMode%1").arg(mode));
        button->setChecked(mode == zeroMode);
        m_zeroModes->addButton(button, mode);
        zeroLayout->addWidget(button);
    }

    m_shift->setObjectName(QStringLiteral("shift"));
    m_shift->setRange(0, positions - 1);
    m_shift->setValue(shift);
    m_shift->setSuffix(QStringLiteral(" 桁"));
    m_fillZero->setObjectName(QStringLiteral("fillZero"));
    m_fillZero->setRange(0, positions);
    m_fillZero->setValue(fillZero);
    m_fillZero->setSuffix(QStringLiteral(" 桁"));
    m_fillZero->setSpecialValueText(QStringLiteral("埋めない"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("右端を空ける桁数:"), m_shift);
    form->addRow(QStringLiteral("先頭を 0 で埋める桁数:"), m_fillZero);

    m_applyAll->setObjectName(QStringLiteral("applyAll"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(zeroBox);
    layout->addLayout(form);
    layout->addWidget(m_applyAll);
    layout->addWidget(buttons);
}

int Dlg100::zeroMode() const
{
    const int checked = m_zeroModes->checkedId();
    return checked >= 0 ? checked : m_originalZeroMode;
}

int Dlg100::shift() const
{
    return m_shift->value();
}

int Dlg100::fillZero() const
{
    return m_fillZero->value();
}

bool Dlg100::applyToAll() const
{
    return m_applyAll->isChecked();
}

extern "C" int32_t Call_dlg100(MrvWindow control, int16_t keta, int16_t* zeroMode, int16_t* shift,
                               int16_t* fillZero)
{
    return guardedEntry([&]() -> std::int32_t {
        if (!zeroMode || !shift || !fillZero)
            return 0;
        auto* owner = static_cast<QWidget*>(control);
        Dlg100 dialog(owner ? owner->window() : nullptr, keta, *zeroMode, *shift, *fillZero);
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        *zeroMode = static_cast<int16_t>(dialog.zeroMode());
        *shift = static_cast<int16_t>(dialog.shift());
        *fillZero = static_cast<int16_t>(dialog.fillZero());
        return dialog.applyToAll() ? 1 : 2;
    });
}
