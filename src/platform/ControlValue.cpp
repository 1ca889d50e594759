#include "platform/ControlValue.h"

#include "platform/AppError.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>

namespace ControlValue {

std::int16_t checkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    default:
        return 2;
    }
}

void setCheckValue(QCheckBox* box, std::int16_t value)
{
    if (value < 0 || value > 2)
        throw AppError(ErrNo::InvalidPropertyValue);
    if (value == checkValue(box))
        return;
    const bool wasChecked = box->isChecked();
    // Only a stored 2 may leave the box with a third state the operator could
    // then click into.
    box->setTristate(value == 2);
    box->setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
    // Between on and greyed Qt counts the box as checked both times and stays
    // silent, yet the value changed and the box's handler must run all the same.
    if (box->isChecked() == wasChecked)
        emit box->toggled(wasChecked);
}

void setListIndex(QComboBox* box, std::int32_t index)
{
    if (index < -1 || index >= box->count())
        throw AppError(ErrNo::InvalidPropertyValue);
    box->setCurrentIndex(index);
}

std::int16_t optionValue(const QRadioButton* button)
{
    return button->isChecked() ? -1 : 0;
}

void setOptionValue(QRadioButton* button, std::int32_t value)
{
    const bool selected = value != 0;
    if (selected == button->isChecked())
        return;
    if (selected) {
        button->setChecked(true);
        return;
    }
    // An exclusive group refuses to clear its selected button, yet a stored
    // pair may have neither selected: the group lets go for the moment of the
    // assignment. Clearing a button clicks nothing.
    QButtonGroup* group = button->group();
    const bool exclusive = group && group->exclusive();
    if (exclusive)
        group->setExclusive(false);
    button->setChecked(false);
    if (exclusive)
        group->setExclusive(true);
}

void setScrollValue(QScrollBar* bar, std::int32_t value)
{
    // Qt would clamp silently and the stored value would be lost unnoticed.
    if (value < bar->minimum() || value > bar->maximum())
        throw AppError(ErrNo::InvalidPropertyValue);
    bar->setValue(value);
}

} // namespace ControlValue
