#include "panel/DigitWheel.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

DigitWheel::DigitWheel(QWidget* parent)
    : QListWidget(parent)
{
    for (int d = 0; d <= 9; ++d)
        addItem(QString::number(d));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setCurrentRow(0);
}

QString DigitWheel::Text() const
{
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void DigitWheel::setListIndex(int index)
{
    setCurrentRow(index);
    if (currentItem())
        scrollToItem(currentItem(), QAbstractItemView::PositionAtTop);
}

void DigitWheel::turn(int steps)
{
    setListIndex(std::clamp(currentRow() + steps, 0, count() - 1));
}

void DigitWheel::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta != 0)
        turn(delta > 0 ? -1 : 1);
    event->accept();
}

void DigitWheel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QListWidget::mousePressEvent(event);
        return;
    }
    turn(event->position().y() < height() / 2.0 ? -1 : 1);
    event->accept();
}
