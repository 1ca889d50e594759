#include "controls/M_Degit.h"

#include "controls/DegitAccessible.h"
#include "controls/DegitText.h"
#include "controls/SevenSegment.h"
#include "platform/ApiLib.h"
#include "platform/VbColor.h"

#include <QAccessible>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kMaxKeta = 15;

// One character position rendered once per face, size, pattern and colour;
// a cell redraw is then a fill and a few blits.
const QImage& glyph(int style, bool bold, M_Degit::Metrics m, std::uint8_t segments, std::int32_t color)
{
    static QHash<quint64, QImage> cache;
    const int face = style == 1 ? 1 : style == 2 ? 2 : 0;
    const quint64 key = quint64(face) | quint64(bold) << 2 | quint64(m.digitWidth & 0xFF) << 3
        | quint64(m.digitHeight & 0xFF) << 11 | quint64(segments) << 19 | quint64(color & 0xFFFFFF) << 27;
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    if (cache.size() > 4096)
        cache.clear();

    QImage image(m.digitWidth, m.digitHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(VbColor::toQColor(color));
    p.scale(m.digitWidth / SevenSegment::CellWidth, m.digitHeight / SevenSegment::CellHeight);
    const auto& outlines = SevenSegment::outlines(style, bold);
    for (int i = 0; i < 8; ++i) {
        if (segments & (1u << i))
            p.drawPolygon(outlines[static_cast<size_t>(i)]);
    }
    p.end();
    return *cache.insert(key, image);
}

} // namespace

M_Degit::Metrics M_Degit::metricsFor(int degitSize)
{
    switch (degitSize) {
    case 1:
        return {17, 26};
    case 2:
        return {19, 29};
    case 3:
        return {11, 15};
    default:
        return {13, 20};
    }
}

M_Degit::TextStyle M_Degit::textStyleFor(std::uint32_t platformId, std::uint32_t majorVersion)
{
    if (platformId == ApiLib::VER_PLATFORM_WIN32_WINDOWS || majorVersion == 4)
        return {1, false};
    return {0, true};
}

M_Degit::M_Degit(QWidget* parent)
    : QWidget(parent)
{
    ApiLib::OSVERSIONINFO info;
    ApiLib::GetVersionExA(info);
    const TextStyle style = textStyleFor(info.dwPlatformId, info.dwMajorVersion);
    m_lCharExtra = style.lCharExtra;
    m_bBoldDigits = style.bBoldDigits;

    DegitAccessible::install();
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(52, 20);
    DrawDegit(QStringLiteral("0"), m_BaseForeColor, m_DegitForeColor);
}

std::int32_t M_Degit::ShowSetDlg()
{
    auto zeroMode = static_cast<std::int16_t>(m_ZeroMode);
    auto shift = static_cast<std::int16_t>(m_Shift);
    auto fillZero = static_cast<std::int16_t>(m_FillZero);
    const std::int32_t result = ApiLib::Call_dlg100(this, static_cast<std::int16_t>(m_Keta), zeroMode, shift, fillZero);
    // Whatever the dialog hands back is kept as it is, even out of range.
    m_ZeroMode = zeroMode;
    m_Shift = shift;
    m_FillZero = fillZero;
    redraw();
    return result;
}

void M_Degit::setBaseForeColor(std::int32_t color)
{
    m_BaseForeColor = color;
    redraw();
}

void M_Degit::setDegitForeColor(std::int32_t color)
{
    m_DegitForeColor = color;
    redraw();
}

// FillZero, ZeroMode and Shift take effect at the next drawing, so a caller
// can change all three and then assign the value once.
void M_Degit::setFillZero(int fillZero)
{
    m_FillZero = std::min(fillZero, m_Keta);
}

void M_Degit::setZeroMode(int zeroMode)
{
    m_ZeroMode = zeroMode < 4 ? zeroMode : 0;
}

void M_Degit::setShift(int shift)
{
    m_Shift = std::max(std::min(shift, m_Keta - 1), 0);
}

void M_Degit::setKeta(int keta)
{
    m_Keta = keta >= 1 && keta <= kMaxKeta ? keta : 4;
    resizeToDigits();
    redraw();
}

void M_Degit::setDegitSize(int degitSize)
{
    m_DegitSize = degitSize >= 1 && degitSize <= 3 ? degitSize : 0;
    resizeToDigits();
    redraw();
}

void M_Degit::setDegitStyle(int degitStyle)
{
    m_DegitStyle = degitStyle;
    redraw();
}

void M_Degit::setValue(const QVariant& value)
{
    m_Value = value;
    redraw();
}

void M_Degit::ResetDegit(int nMode)
{
    const int shift = m_Shift;
    const int zeroMode = m_ZeroMode;
    const int fillZero = m_FillZero;
    setShift(0);
    setZeroMode(0);
    setFillZero(0);
    if (nMode == -1)
        setValue(QString(std::max(m_Keta, 0), QLatin1Char('8')));
    else
        setValue(QString());
    setShift(shift);
    setZeroMode(zeroMode);
    setFillZero(fillZero);
}

void M_Degit::setBackColor(std::int32_t color)
{
    m_BackColor = color;
    redraw();
}

void M_Degit::ReadProperties(const QVariantMap& bag)
{
    m_BaseForeColor = bag.value(QStringLiteral("BaseForeColor"), 0x969696).toInt();
    m_DegitForeColor = bag.value(QStringLiteral("DegitForeColor"), 0x72D2F8).toInt();
    m_FillZero = bag.value(QStringLiteral("FillZero"), 0).toInt();
    m_ZeroMode = bag.value(QStringLiteral("ZeroMode"), 0).toInt();
    m_Shift = bag.value(QStringLiteral("Shift"), 0).toInt();
    m_Keta = bag.value(QStringLiteral("Keta"), 4).toInt();
    m_DegitSize = bag.value(QStringLiteral("DegitSize"), 0).toInt();
    m_DegitStyle = bag.value(QStringLiteral("DegitStyle"), 0).toInt();
    m_Value = bag.value(QStringLiteral("Value"), 0);
    m_UserSet = bag.value(QStringLiteral("UserSet"), true).toBool();
    m_BackColor = bag.value(QStringLiteral("BackColor"), 0x808080).toInt();
    // A new background wipes the surface; the value appears at the next drawing.
    clearSurface();
    showText(QString());
    update();
}

QVariantMap M_Degit::WriteProperties() const
{
    QVariantMap bag;
    auto put = [&bag](const char* key, const QVariant& value, const QVariant& byDefault) {
        if (value != byDefault)
            bag.insert(QString::fromLatin1(key), value);
    };
    put("BaseForeColor", m_BaseForeColor, 0x969696);
    put("DegitForeColor", m_DegitForeColor, 0x72D2F8);
    put("FillZero", m_FillZero, 0);
    put("ZeroMode", m_ZeroMode, 0);
    put("Shift", m_Shift, 0);
    put("Keta", m_Keta, 4);
    put("DegitSize", m_DegitSize, 0);
    put("DegitStyle", m_DegitStyle, 0);
    put("Value", m_Value, QVariant(0));
    put("UserSet", m_UserSet, true);
    put("BackColor", m_BackColor, 0x808080);
    return bag;
}

void M_Degit::DrawDegit(const QVariant& value, std::int32_t unlitColor, std::int32_t litColor)
{
    const QString s = DegitText::visibleText(value, m_ZeroMode, m_FillZero, m_Shift, m_Keta);
    clearSurface();

    const Metrics m = metricsFor(m_DegitSize);
    const int advance = m.digitWidth + m_lCharExtra;
    const int w = static_cast<int>(s.size()) * advance;

    QPainter p(&m_surface);
    const QImage& dim = glyph(m_DegitStyle, m_bBoldDigits, m, SevenSegment::All, unlitColor);
    for (int i = 0; i < m_Keta; ++i)
        p.drawImage(i * advance, 0, dim);
    int x = m_surface.width() - w;
    for (const QChar ch : s) {
        if (const std::uint8_t lit = SevenSegment::segmentsFor(ch.unicode()))
            p.drawImage(x, 0, glyph(m_DegitStyle, m_bBoldDigits, m, lit, litColor));
        x += advance;
    }
    p.end();
    showText(s.trimmed());
    update();
}

void M_Degit::showText(const QString& text)
{
    if (text == m_shownText)
        return;
    m_shownText = text;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, text);
        QAccessible::updateAccessibility(&event);
    }
}

void M_Degit::resizeToDigits()
{
    const Metrics m = metricsFor(m_DegitSize);
    resize(m.digitWidth * m_Keta, m.digitHeight);
}

void M_Degit::redraw()
{
    DrawDegit(m_Value, m_BaseForeColor, m_DegitForeColor);
}

void M_Degit::clearSurface()
{
    if (m_surface.size() != size())
        m_surface = QImage(size(), QImage::Format_RGB32);
    m_surface.fill(VbColor::toQColor(m_BackColor));
}

void M_Degit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), VbColor::toQColor(m_BackColor));
    p.drawImage(0, 0, m_surface);
}

void M_Degit::resizeEvent(QResizeEvent* event)
{
    // The retained picture keeps what it holds; new area shows the background.
    if (m_surface.size() != size()) {
        QImage grown(size(), QImage::Format_RGB32);
        grown.fill(VbColor::toQColor(m_BackColor));
        QPainter p(&grown);
        p.drawImage(0, 0, m_surface);
        p.end();
        m_surface = grown;
    }
    QWidget::resizeEvent(event);
}

void M_Degit::mousePressEvent(QMouseEvent* event)
{
    // Presses on a cell belong to the cell, never to a drag of the window below.
    event->accept();
}

void M_Degit::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    emit DblClick();
}
