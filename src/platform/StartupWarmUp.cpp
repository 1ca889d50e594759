#include "platform/StartupWarmUp.h"

#include "platform/FontSubst.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QImage>

namespace {

void warmUp()
{
    // The faces the board and the panel draw their text in.
    for (const QString& family : {FontSubst::Gothic, FontSubst::DigitFace, FontSubst::PGothic}) {
        QFont font(family);
        font.setPixelSize(12);
        (void)QFontMetrics(font).horizontalAdvance(QStringLiteral("整理券1"));
    }
    // The first image Qt reads that no plug-in claims by name (the style's
    // frame of a group box, on the first paint) makes it load every
    // image-format plug-in to ask each one.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(1, 1, QImage::Format_RGB32).save(&buffer, "PNG");
    (void)QImage::fromData(png);
}

} // namespace

StartupWarmUp::StartupWarmUp()
    : m_thread(warmUp)
{
}

StartupWarmUp::~StartupWarmUp()
{
    m_thread.join();
}
