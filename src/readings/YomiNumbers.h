#pragma once

#include <QString>
#include <QStringView>

// Numbers read aloud, alone and with the counters of bus announcements,
// where the number and the counter change each other's sound
// (一丁目 イッチョーメ, 3本 サンボン, 1分 イップン, 2人 フタリ).
namespace Yomi::Numbers {

// A number in kanji numerals (二十三, 八百, 二〇二三) as ASCII digits, or an
// empty text when it is no number or too large to read.
QString kanjiToDigits(QStringView kanji);

// True when the text is a number in kanji numerals only.
bool isKanjiNumber(QStringView text);

// The number in ASCII digits and the counter after it read together, or an
// empty text when counter is none of the counters that are read with the
// number. afterMonth: the number follows a month (5月1日 is ツイタチ, while
// 1日 alone is イチニチ).
QString counted(const QString& digits, QStringView counter, bool afterMonth = false);

// True for a counter that counted() reads.
bool isCounter(QStringView counter);

} // namespace Yomi::Numbers
