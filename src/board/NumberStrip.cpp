#include "board/NumberStrip.h"

#include "board/TicketPages.h"

#include <algorithm>

namespace NumberStrip {

namespace {

bool knownStyle(int nStyle)
{
    return nStyle >= 0 && nStyle <= 11;
}

// The first position of the first page carries the word of styles 2 to 11.
bool isWord(int nStyle, int position)
{
    return position == 1 && nStyle >= 2;
}

// The number at a position (1 to 150) of the strip: styles 1 and the even
// word styles count from one less than the position.
int numberAt(int nStyle, int position)
{
    return nStyle == 1 || (nStyle >= 2 && nStyle % 2 == 0) ? position - 1 : position;
}

} // namespace

QString caption(int n, bool zeroPad)
{
    const QString digits = zeroPad ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : QString::number(n);
    QString wide;
    for (const QChar c : digits)
        wide += c == QLatin1Char('-') ? QChar(0xFF0D) : QChar(c.unicode() - u'0' + 0xFF10);
    return wide;
}

Plan plan(int nStyle, int nZeroPad, int page)
{
    static const char16_t* const kFirstWords[] = {u"な し", u"無 券", u"券なし", u"券無し", u""};
    Plan p;
    const bool pad = nZeroPad != 0;
    if (page == 0 && nStyle >= 2) {
        p.firstInDigitFace = false;
        if (nStyle <= 11)
            p.firstText = QString::fromUtf16(kFirstWords[(nStyle - 2) / 2]);
    }
    if (!knownStyle(nStyle))
        return p;
    for (int label = 1; label <= TicketPages::PerPage; ++label) {
        const int position = TicketPages::ticketAt(page, label);
        if (page == 0 && isWord(nStyle, position))
            continue;
        p.captions.emplace_back(label, position > TicketPages::LastTicket ? QString() : caption(numberAt(nStyle, position), pad));
    }
    return p;
}

QString pageRange(int nStyle, int page)
{
    const int style = knownStyle(nStyle) ? nStyle : 0;
    int first = TicketPages::ticketAt(page, 1);
    if (page == 0 && isWord(style, first))
        ++first;
    const int last = std::min(TicketPages::ticketAt(page, TicketPages::PerPage), TicketPages::LastTicket);
    return QStringLiteral("%1～%2").arg(numberAt(style, first)).arg(numberAt(style, last));
}

} // namespace NumberStrip
