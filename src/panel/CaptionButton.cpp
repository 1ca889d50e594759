#include "panel/CaptionButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

CaptionButton::CaptionButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent)
{
}

void CaptionButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);
    const QRect area = rect().adjusted(2, 2, -2, -2);
    style()->drawItemText(&p, area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), caption,
                          QPalette::ButtonText);
}
