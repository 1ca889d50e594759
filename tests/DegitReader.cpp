#include "DegitReader.h"

#include "controls/M_Degit.h"
#include "controls/SevenSegment.h"
#include "platform/VbColor.h"

#include <QTransform>

namespace DegitReader {

namespace {

int distance(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

enum class Shade { Lit, Unlit, Background };

// Samples each of the seven segments of every position and classifies the
// pixel by the colour it is nearest to.
QList<QList<Shade>> sample(const M_Degit& cell)
{
    const M_Degit::Metrics m = M_Degit::metricsFor(cell.DegitSize());
    const int advance = m.digitWidth + cell.lCharExtra();
    const auto& outlines = SevenSegment::outlines(cell.DegitStyle(), cell.bBoldDigits());
    const QColor lit = VbColor::toQColor(cell.DegitForeColor());
    const QColor unlit = VbColor::toQColor(cell.BaseForeColor());
    const QColor back = VbColor::toQColor(cell.BackColor());
    QList<QList<Shade>> positions;
    for (int pos = 0; pos < cell.Keta(); ++pos) {
        QTransform toCell;
        toCell.translate(pos * advance, 0);
        toCell.scale(m.digitWidth / SevenSegment::CellWidth, m.digitHeight / SevenSegment::CellHeight);
        QList<Shade> shades;
        for (int s = 0; s < 7; ++s) {
            const QPointF centre = toCell.map(outlines[static_cast<size_t>(s)].boundingRect().center());
            const QColor c = cell.surface().pixelColor(centre.toPoint());
            const int dl = distance(c, lit), du = distance(c, unlit), db = distance(c, back);
            shades.append(dl <= du && dl <= db ? Shade::Lit : du <= db ? Shade::Unlit : Shade::Background);
        }
        positions.append(shades);
    }
    return positions;
}

} // namespace

QList<std::uint8_t> litMasks(const M_Degit& cell)
{
    QList<std::uint8_t> masks;
    for (const auto& shades : sample(cell)) {
        std::uint8_t mask = 0;
        for (int s = 0; s < 7; ++s) {
            if (shades[s] == Shade::Lit)
                mask |= static_cast<std::uint8_t>(1u << s);
        }
        masks.append(mask);
    }
    return masks;
}

QString litText(const M_Degit& cell)
{
    QString text;
    for (const std::uint8_t mask : litMasks(cell)) {
        QChar found = QLatin1Char('?');
        for (const char c : {' ', '-', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}) {
            if (SevenSegment::segmentsFor(static_cast<char32_t>(c)) == mask) {
                found = QLatin1Char(c);
                break;
            }
        }
        text += found;
    }
    return text;
}

bool allUnlitEights(const M_Degit& cell)
{
    for (const auto& shades : sample(cell)) {
        for (const Shade s : shades) {
            if (s != Shade::Unlit)
                return false;
        }
    }
    return true;
}

} // namespace DegitReader
