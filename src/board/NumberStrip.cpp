#include "board/NumberStrip.h"

namespace NumberStrip {

QString caption(int n, bool zeroPad)
{
    const QString digits = zeroPad ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : QString::number(n);
    QString wide;
    for (const QChar c : digits)
        wide += c == QLatin1Char('-') ? QChar(0xFF0D) : QChar(c.unicode() - u'0' + 0xFF10);
    return wide;
}

Plan plan(int nStyle, int nZeroPad)
{
    static const char16_t* const kFirstWords[] = {u"な し", u"無 券", u"券なし", u"券無し", u""};
    Plan p;
    const bool pad = nZeroPad != 0;
    if (nStyle >= 2) {
        p.firstInDigitFace = false;
        if (nStyle <= 11)
            p.firstText = QString::fromUtf16(kFirstWords[(nStyle - 2) / 2]);
    }
    if (nStyle == 0) {
        for (int i = 1; i <= 36; ++i)
            p.captions.emplace_back(i, caption(i, pad));
    } else if (nStyle == 1) {
        for (int i = 0; i <= 35; ++i)
            p.captions.emplace_back(i + 1, caption(i, pad));
    } else if (nStyle >= 2 && nStyle <= 11) {
        const int first = nStyle % 2 == 0 ? 0 : 1;
        for (int i = 1; i <= 35; ++i)
            p.captions.emplace_back(i + 1, caption(i + first, pad));
    }
    return p;
}

} // namespace NumberStrip
