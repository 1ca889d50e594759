#include "controls/SevenSegment.h"

#include <QTransform>

#include <algorithm>

namespace SevenSegment {

namespace {

enum class Shape { Hexagon, Bar };

struct FaceParams
{
    Shape shape;
    double slant; // horizontal shift per unit of height, leaning right
    double thickness;
};

// A segment between two points on one axis, with pointed (hexagon) or flat
// (bar) ends.
QPolygonF horizontal(double x1, double x2, double y, double t, Shape shape)
{
    const double h = t / 2;
    if (shape == Shape::Bar)
        return QPolygonF({{x1, y - h}, {x2, y - h}, {x2, y + h}, {x1, y + h}});
    return QPolygonF({{x1, y}, {x1 + h, y - h}, {x2 - h, y - h}, {x2, y}, {x2 - h, y + h}, {x1 + h, y + h}});
}

QPolygonF vertical(double x, double y1, double y2, double t, Shape shape)
{
    const double h = t / 2;
    if (shape == Shape::Bar)
        return QPolygonF({{x - h, y1}, {x + h, y1}, {x + h, y2}, {x - h, y2}});
    return QPolygonF({{x, y1}, {x + h, y1 + h}, {x + h, y2 - h}, {x, y2}, {x - h, y2 - h}, {x - h, y1 + h}});
}

std::array<QPolygonF, 8> build(const FaceParams& p)
{
    const double t = p.thickness;
    const double left = 22, right = 78, top = 16, middle = 75, bottom = 134;
    const double gap = p.shape == Shape::Bar ? t * 0.45 : t * 0.18;
    std::array<QPolygonF, 8> s;
    s[0] = horizontal(left + gap, right - gap, top, t, p.shape);
    s[1] = vertical(right, top + gap, middle - gap, t, p.shape);
    s[2] = vertical(right, middle + gap, bottom - gap, t, p.shape);
    s[3] = horizontal(left + gap, right - gap, bottom, t, p.shape);
    s[4] = vertical(left, middle + gap, bottom - gap, t, p.shape);
    s[5] = vertical(left, top + gap, middle - gap, t, p.shape);
    s[6] = horizontal(left + gap, right - gap, middle, t, p.shape);
    // The point sits in the space right of the digit, inside the cell.
    const double dotLeft = right + t / 2 + 1.5;
    const double dot = std::min(t, CellWidth - 1 - dotLeft);
    s[7] = QPolygonF(QRectF(dotLeft, bottom + t / 2 - dot, dot, dot));

    // Lean the face about its middle line so it stays inside the cell.
    QTransform lean(1, 0, -p.slant, 1, p.slant * middle, 0);
    for (auto& poly : s)
        poly = lean.map(poly);
    return s;
}

} // namespace

const std::array<QPolygonF, 8>& outlines(int degitStyle, bool bold)
{
    static const std::array<std::array<QPolygonF, 8>, 6> faces = [] {
        std::array<std::array<QPolygonF, 8>, 6> f;
        for (int b = 0; b < 2; ++b) {
            const double boldness = b ? 1.0 : 0.72;
            f[0 + b] = build({Shape::Hexagon, 0.10, 17 * boldness});
            f[2 + b] = build({Shape::Hexagon, 0.0, 15 * boldness});
            f[4 + b] = build({Shape::Bar, 0.0, 13 * boldness});
        }
        return f;
    }();
    const int face = degitStyle == 1 ? 1 : degitStyle == 2 ? 2 : 0;
    return faces[face * 2 + (bold ? 1 : 0)];
}

} // namespace SevenSegment
