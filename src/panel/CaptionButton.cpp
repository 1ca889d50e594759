#include "panel/CaptionButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

CaptionButton::CaptionButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent)
{
}

// The colours go into the button's own palette, not a style sheet, though a
// style sheet looks the same: it recolours a copy of the palette at every
// paint, and each copy is a palette of a new identity. The style caches the
// bevel it draws under a key made of the state, the size and the palette's
// identity, so every paint of a style-sheet button added a cache entry that
// no later paint would look for; the cache filled with them and its index of
// keys grew with every press. The window colour is the face colour too: the
// style draws the button's outline from it.
void CaptionButton::setColors(const QColor& face, const QColor& caption)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Button, face);
    colours.setColor(QPalette::Window, face);
    colours.setColor(QPalette::ButtonText, caption);
    setPalette(colours);
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
