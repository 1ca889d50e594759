#include "board/BoardFace.h"

#include "platform/FontSubst.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace BoardFace {

namespace {

// Where the cells sit on the face (the board window places its cells on the
// same grid): left edges of the large cells, and the tops of each block.
constexpr int kColumnLefts[6] = {129, 191, 254, 315, 378, 440};
constexpr int kLargeWidth = 57;
constexpr int kBlockTops[2] = {49, 143};

void drawCaption(QPainter& p, const QRect& box, const QString& text, int pixelSize)
{
    QFont font(FontSubst::Gothic);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    p.setFont(font);
    p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
}

// The body of a board, a dark panel inside a metal frame, with the grey strip
// behind the stop-name column; both boards share it.
QImage body(int width, int height)
{
    QImage face(width, height, QImage::Format_RGB32);
    face.fill(QColor(0x30, 0x30, 0x30));
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x9A, 0x9A, 0x9A), 3));
    p.setBrush(QColor(0x12, 0x12, 0x12));
    p.drawRoundedRect(QRectF(3.5, 3.5, width - 7, height - 7), 8, 8);
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
    p.setBrush(QColor(0x80, 0x80, 0x80));
    p.drawRect(QRectF(30.5, 23.5, 40, 199));
    return face;
}

} // namespace

QImage draw(const QColor& numberColor)
{
    QImage face = body(Width, Height);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // The two blocks: ticket numbers above the fare cells, row captions left.
    p.setPen(QColor(0x44, 0x44, 0x44));
    p.drawLine(QPointF(78, 125.5), QPointF(Width - 12, 125.5));
    QFont numbers(FontSubst::DigitFace);
    numbers.setPixelSize(17);
    numbers.setBold(true);
    for (int block = 0; block < 2; ++block) {
        const int top = kBlockTops[block];
        p.setPen(numberColor);
        p.setFont(numbers);
        for (int k = 0; k < 6; ++k) {
            const QRect box(kColumnLefts[k], top - 22, kLargeWidth, 20);
            p.drawText(box, Qt::AlignCenter, QString::number(block * 6 + k + 1));
        }
        p.setPen(QColor(0xE8, 0xE8, 0xE8));
        drawCaption(p, QRect(78, top - 22, 48, 20), QStringLiteral("整理券"), 11);
        drawCaption(p, QRect(78, top, 47, 29), QStringLiteral("大人"), 13);
        drawCaption(p, QRect(74, top + 30, 70, 20), QStringLiteral("地下鉄差額"), 11);
        drawCaption(p, QRect(74, top + 51, 70, 20), QStringLiteral("全線定期"), 11);
    }

    // Unit printed at the right of the fare cells.
    p.setPen(QColor(0xE8, 0xE8, 0xE8));
    for (int top : kBlockTops)
        drawCaption(p, QRect(500, top, 24, 29), QStringLiteral("円"), 13);
    return face;
}

namespace Tickets36 {

QImage draw(const QColor& numberColor)
{
    QImage face = body(Width, Height);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Printed plates under the number labels, rules between the rows, and
    // the unit at the right of each row; the numbers themselves are lit
    // labels, so the face carries none.
    for (int row = 0; row < 3; ++row) {
        const QRect first = labelRect(12 * row + 1);
        const QRect last = labelRect(12 * row + 12);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1E, 0x1E, 0x1E));
        p.drawRoundedRect(QRectF(first.left() - 3, first.top() - 1, last.right() - first.left() + 7, LabelHeight + 2), 3, 3);
        p.setPen(QPen(numberColor, 1));
        p.drawLine(QPointF(first.left(), last.bottom() + 1.5), QPointF(last.right() + 1, last.bottom() + 1.5));
        p.setPen(QColor(0xE8, 0xE8, 0xE8));
        drawCaption(p, QRect(last.right() + 4, cellRect(12 * row + 12).top(), 24, CellHeight), QStringLiteral("円"), 13);
        if (row > 0) {
            p.setPen(QColor(0x44, 0x44, 0x44));
            const double y = first.top() - 12.5;
            p.drawLine(QPointF(78, y), QPointF(Width - 12, y));
        }
    }
    return face;
}

} // namespace Tickets36

} // namespace BoardFace
