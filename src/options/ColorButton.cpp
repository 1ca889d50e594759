#include "options/ColorButton.h"

#include "platform/VbColor.h"

#include <QStyleOptionButton>
#include <QStylePainter>

ColorButton::ColorButton(QWidget* parent)
    : QPushButton(parent)
{
}

void ColorButton::setBackColor(std::int32_t color)
{
    if (color == m_BackColor)
        return;
    m_BackColor = color;
    update();
}

void ColorButton::paintEvent(QPaintEvent*)
{
    // The style draws the bevel so the swatch still reads as a button; the
    // face inside it is the colour itself, never tinted by the style.
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    p.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect face = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    p.fillRect(face, VbColor::toQColor(m_BackColor));
    if (!option.text.isEmpty() || !option.icon.isNull())
        p.drawControl(QStyle::CE_PushButtonLabel, option);
}
