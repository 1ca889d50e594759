#pragma once

#include <QListWidget>

// A one-line list of the digits 0 to 9 that works like a thumb wheel: the
// mouse wheel, the arrow keys, or a click on its upper or lower half turn it.
class DigitWheel : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(DigitWheel)

public:
    explicit DigitWheel(QWidget* parent = nullptr);

    // The selected digit as text; empty when nothing is selected.
    QString Text() const;
    int ListIndex() const { return currentRow(); }
    void setListIndex(int index);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void turn(int steps);
};
