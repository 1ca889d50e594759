#include "controls/ChimeiText.h"

#include "platform/Cp932.h"

#include <QList>
#include <QStringList>

namespace ChimeiText {

namespace {

// The characters printed in a way of their own, as the column meets them:
// in code page 932, encoded once for the whole run.
struct SpecialCodes
{
    QByteArray longVowel;   // ー
    QByteArray verticalBar; // 丨, which stands for it
    QByteArray shin;        // 申
    QByteArray yama;        // 山
    QByteArray fullStop;    // 。
    QByteArray comma;       // 、
    // Horizontal forms that read wrongly when the line stands upright.
    QList<QByteArray> turned;
};

const SpecialCodes& specialCodes()
{
    static const SpecialCodes codes = [] {
        auto cp932 = [](const QString& text) { return Cp932::encodeForDisplay(text, {}); };
        SpecialCodes c{cp932(QStringLiteral("ー")), cp932(QStringLiteral("丨")), cp932(QStringLiteral("申")),
                       cp932(QStringLiteral("山")), cp932(QStringLiteral("。")), cp932(QStringLiteral("、")),
                       {}};
        const QStringList turnedForms = {
            QStringLiteral("（"), QStringLiteral("）"), QStringLiteral("『"), QStringLiteral("』"), QStringLiteral("〔"),
            QStringLiteral("〕"), QStringLiteral("「"), QStringLiteral("」"), QStringLiteral("［"), QStringLiteral("］"),
            QStringLiteral("＜"), QStringLiteral("＞"), QStringLiteral("｛"), QStringLiteral("｝"), QStringLiteral("〈"),
            QStringLiteral("〉"), QStringLiteral("《"), QStringLiteral("》"), QStringLiteral("【"), QStringLiteral("】"),
            QStringLiteral("～"), QStringLiteral("＝"), QStringLiteral("→"), QStringLiteral("←"), QStringLiteral("⇒"),
            QStringLiteral("⇔"), QStringLiteral("－"),
        };
        for (const QString& form : turnedForms)
            c.turned.append(cp932(form));
        return c;
    }();
    return codes;
}

} // namespace

Layout layoutFor(int d, int mode)
{
    switch (d) {
    case 0:
        return {0, 0, FrameHeight};
    case 1:
        return {80, 0, FrameHeight};
    case 2:
        return mode == 2 ? Layout{48, 64, FrameHeight} : Layout{32, 96, FrameHeight};
    case 3:
        return {16, 64, FrameHeight};
    case 4:
        return {8, 48, FrameHeight};
    case 5:
        return {4, 38, FrameHeight};
    case 6:
        return {0, CharPitch, FrameHeight};
    default:
        return {0, CharPitch, d * CharPitch};
    }
}

PrintRule classify(QByteArray& cp932, int fontMode)
{
    const SpecialCodes& c = specialCodes();
    if (cp932 == c.longVowel) {
        cp932 = c.verticalBar;
        return {{0, 0}, false};
    }
    if (cp932 == c.shin || cp932 == c.yama)
        return {{fontMode == 0 ? 1 : 0, 0}, false};
    if (c.turned.contains(cp932))
        return {{0, 0}, true};
    // In upright writing the small marks sit at the upper right of their cell.
    if (cp932 == c.fullStop || cp932 == c.comma)
        return {{10, -10}, false};
    return {{0, 0}, false};
}

std::int16_t firstCode(const QByteArray& cp932)
{
    if (cp932.isEmpty())
        return 0;
    const auto lead = static_cast<unsigned char>(cp932[0]);
    if (Cp932::isLeadByte(lead) && cp932.size() >= 2)
        return static_cast<std::int16_t>((lead << 8) | static_cast<unsigned char>(cp932[1]));
    return lead;
}

GlyphFace faceFor(int fontMode, std::int16_t code)
{
    const auto unsignedCode = static_cast<std::uint16_t>(code);
    const bool doubleByte = code < 0;
    const bool nonKanji = doubleByte && unsignedCode <= 0x889E;
    switch (fontMode) {
    case 1:
        return GlyphFace::Mincho;
    case 2:
        return nonKanji ? GlyphFace::Mincho : GlyphFace::Gothic;
    case 3:
        return nonKanji ? GlyphFace::Gothic : GlyphFace::Mincho;
    case 4:
        return doubleByte && unsignedCode >= 0x824F && unsignedCode <= 0x829A ? GlyphFace::Gothic : GlyphFace::Mincho;
    default:
        return GlyphFace::Gothic;
    }
}

void placeDots(QImage& strip, int x, int y, const GlyphCell& cell, bool turned, QRgb color)
{
    for (int c = 0; c < 16; ++c) {
        for (int r = 0; r < 16; ++r) {
            if (!cell.black(c, r))
                continue;
            const int px = turned ? x + 2 * r : x + 2 * c;
            const int py = turned ? y + 2 * c : y + 2 * r;
            if (px >= 0 && py >= 0 && px < strip.width() && py < strip.height())
                strip.setPixel(px, py, color);
        }
    }
}

} // namespace ChimeiText
