#pragma once

#include <cstdint>

class QCheckBox;
class QComboBox;
class QRadioButton;
class QScrollBar;

// Control values as the settings store them, and assignments that behave as
// the stored values expect: a value the control cannot take raises 380, an
// unchanged value fires nothing, a changed one fires the control's handler
// through its usual signal.
namespace ControlValue {

// 0 off, 1 on, 2 greyed.
std::int16_t checkValue(const QCheckBox* box);
void setCheckValue(QCheckBox* box, std::int16_t value);

// -1 when nothing is selected.
void setListIndex(QComboBox* box, std::int32_t index);

// -1 selected, 0 not; any non-zero value selects.
std::int16_t optionValue(const QRadioButton* button);
void setOptionValue(QRadioButton* button, std::int32_t value);

// Within the bar's minimum and maximum.
void setScrollValue(QScrollBar* bar, std::int32_t value);

} // namespace ControlValue
