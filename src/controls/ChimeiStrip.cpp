#include "controls/ChimeiStrip.h"

#include <QPaintEvent>
#include <QPainter>

ChimeiStrip::ChimeiStrip(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Presses fall through to the column, which keeps them from the board.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ChimeiStrip::reset(int height, QRgb background)
{
    if (m_picture.width() != width() || m_picture.height() != height)
        m_picture = QImage(width(), height, QImage::Format_RGB32);
    m_picture.fill(background);
    resize(width(), height);
    update();
}

void ChimeiStrip::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.drawImage(event->rect(), m_picture, event->rect());
}
