#include "options/WrappingRadioButton.h"

#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

WrappingRadioButton::WrappingRadioButton(const QString& text, QWidget* parent)
    : QRadioButton(text, parent)
{
}

void WrappingRadioButton::setPushLike(bool pushLike)
{
    m_pushLike = pushLike;
    update();
}

void WrappingRadioButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
    if (isDown())
        option.state |= QStyle::State_Sunken;

    QRect textRect;
    int flags = Qt::TextWordWrap | Qt::AlignVCenter;
    if (m_pushLike) {
        if (isChecked())
            option.state |= QStyle::State_Sunken;
        p.drawPrimitive(QStyle::PE_PanelButtonCommand, option);
        textRect = rect().adjusted(4, 2, -4, -2);
        flags |= Qt::AlignHCenter;
    } else {
        const int w = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &option, this);
        const int h = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, &option, this);
        const int spacing = style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, &option, this);
        QStyleOptionButton indicator = option;
        indicator.rect = QRect(0, (height() - h) / 2, w, h);
        p.drawPrimitive(QStyle::PE_IndicatorRadioButton, indicator);
        textRect = rect().adjusted(w + spacing, 0, 0, 0);
        flags |= Qt::AlignLeft;
    }
    style()->drawItemText(&p, textRect, flags, palette(), isEnabled(), text(), foregroundRole());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = p.boundingRect(textRect, flags, text()).adjusted(-1, 0, 1, 0) & rect();
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}
