#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QSpinBox;

// Edits the zero, shift and padding options of one digit cell.
class Dlg100 : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(Dlg100)

public:
    Dlg100(QWidget* parent, int keta, int zeroMode, int shift, int fillZero);

    int zeroMode() const;
    int shift() const;
    int fillZero() const;
    bool applyToAll() const;

private:
    int m_originalZeroMode;
    QButtonGroup* m_zeroModes;
    QSpinBox* m_shift;
    QSpinBox* m_fillZero;
    QCheckBox* m_applyAll;
};
