#include "readings/YomiNumbers.h"

#include "readings/Yomi.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace Yomi {

namespace {

QString qs(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

QString digitName(int d)
{
    static const char16_t* const names[] = {u"ゼロ", u"イチ", u"ニ", u"サン", u"ヨン", u"ゴ", u"ロク", u"ナナ", u"ハチ", u"キュー"};
    return QString::fromUtf16(names[d]);
}

QString digitByDigit(QStringView digits)
{
    QString out;
    for (QChar c : digits)
        out += digitName(c.digitValue());
    return out;
}

QString groupReading(int value)
{
    static const char16_t* const thousands[] = {u"", u"セン", u"ニセン", u"サンゼン", u"ヨンセン",
                                                u"ゴセン", u"ロクセン", u"ナナセン", u"ハッセン", u"キューセン"};
    static const char16_t* const hundreds[] = {u"", u"ヒャク", u"ニヒャク", u"サンビャク", u"ヨンヒャク",
                                               u"ゴヒャク", u"ロッピャク", u"ナナヒャク", u"ハッピャク", u"キューヒャク"};
    QString out = QString::fromUtf16(thousands[value / 1000]) + QString::fromUtf16(hundreds[value / 100 % 10]);
    const int tens = value / 10 % 10;
    if (tens > 0)
        out += (tens == 1 ? QString() : digitName(tens)) + QStringLiteral("ジュー");
    if (value % 10 > 0)
        out += digitName(value % 10);
    return out;
}

// How the end of the number's reading changes before a counter, and what
// the counter becomes after it.
struct Tail
{
    std::u16string_view from;
    std::u16string_view to;
    std::u16string_view counter; // empty: the counter's usual reading
};

QString withTail(const QString& reading, std::span<const Tail> tails, QString* counter = nullptr)
{
    for (const Tail& t : tails) {
        if (reading.endsWith(qs(t.from))) {
            if (counter && !t.counter.empty())
                *counter = qs(t.counter);
            return reading.left(reading.size() - static_cast<qsizetype>(t.from.size())) + qs(t.to);
        }
    }
    return reading;
}

// Before 兆 and 京 the last sound of the group doubles (イッチョー).
constexpr Tail kBeforeChou[] = {{u"イチ", u"イッ", {}}, {u"ハチ", u"ハッ", {}}, {u"ジュー", u"ジュッ", {}}};
constexpr Tail kBeforeKei[] = {{u"イチ", u"イッ", {}}, {u"ロク", u"ロッ", {}}, {u"ハチ", u"ハッ", {}},
                               {u"ジュー", u"ジュッ", {}}, {u"ヒャク", u"ヒャッ", {}}};

// Counters starting with k, s, t or h double the sound before them
// (イッカイ, ジュッコ); those starting with h also turn it into p
// (イッポン, ロップン) and after サン and ヨン often into b or p.
constexpr Tail kDoubling[] = {{u"イチ", u"イッ", {}}, {u"ロク", u"ロッ", {}}, {u"ハチ", u"ハッ", {}},
                              {u"ジュー", u"ジュッ", {}}, {u"ヒャク", u"ヒャッ", {}}};
constexpr Tail kChoume[] = {{u"イチ", u"イッ", {}}, {u"ハチ", u"ハッ", {}}, {u"ジュー", u"ジュッ", {}},
                            {u"ヒャク", u"ヒャッ", {}}};
constexpr Tail kHon[] = {{u"イチ", u"イッ", u"ポン"},   {u"サン", u"サン", u"ボン"},     {u"ロク", u"ロッ", u"ポン"},
                         {u"ハチ", u"ハッ", u"ポン"},   {u"ジュー", u"ジュッ", u"ポン"}, {u"ヒャク", u"ヒャッ", u"ポン"},
                         {u"セン", u"セン", u"ボン"}, {u"マン", u"マン", u"ボン"}};
constexpr Tail kFun[] = {{u"イチ", u"イッ", u"プン"},   {u"サン", u"サン", u"プン"},     {u"ヨン", u"ヨン", u"プン"},
                         {u"ロク", u"ロッ", u"プン"},   {u"ハチ", u"ハッ", u"プン"},     {u"ジュー", u"ジュッ", u"プン"},
                         {u"ヒャク", u"ヒャッ", u"プン"}, {u"セン", u"セン", u"プン"}};
constexpr Tail kKai[] = {{u"イチ", u"イッ", {}},     {u"サン", u"サン", u"ガイ"}, {u"ロク", u"ロッ", {}},
                         {u"ハチ", u"ハッ", {}},     {u"ジュー", u"ジュッ", {}}, {u"ヒャク", u"ヒャッ", {}},
                         {u"セン", u"セン", u"ガイ"}};
constexpr Tail kNin[] = {{u"ヨン", u"ヨ", {}}};
constexpr Tail kJi[] = {{u"ヨン", u"ヨ", {}}, {u"ナナ", u"シチ", {}}, {u"キュー", u"ク", {}}};
constexpr Tail kJikan[] = {{u"ヨン", u"ヨ", {}}, {u"キュー", u"ク", {}}};
constexpr Tail kGatsu[] = {{u"ヨン", u"シ", {}}, {u"ナナ", u"シチ", {}}, {u"キュー", u"ク", {}}};
constexpr Tail kEn[] = {{u"ヨン", u"ヨ", {}}};
constexpr Tail kNone[] = {{u"", u"", {}}};

// Whole numbers with a reading of their own before the counter.
struct Whole
{
    int value;
    std::u16string_view reading;
};

constexpr Whole kNinWhole[] = {{1, u"ヒトリ"}, {2, u"フタリ"}};
constexpr Whole kTsuWhole[] = {{1, u"ヒトツ"}, {2, u"フタツ"}, {3, u"ミッツ"}, {4, u"ヨッツ"}, {5, u"イツツ"},
                               {6, u"ムッツ"}, {7, u"ナナツ"}, {8, u"ヤッツ"}, {9, u"ココノツ"}, {10, u"トー"}};
// The days of the month; 1 only after a month (see below).
constexpr Whole kNichiWhole[] = {{2, u"フツカ"},  {3, u"ミッカ"},   {4, u"ヨッカ"},  {5, u"イツカ"},
                                 {6, u"ムイカ"},  {7, u"ナノカ"},   {8, u"ヨーカ"},  {9, u"ココノカ"},
                                 {10, u"トーカ"}, {14, u"ジューヨッカ"}, {20, u"ハツカ"}, {24, u"ニジューヨッカ"}};

struct Counter
{
    std::u16string_view surface;
    std::u16string_view reading;
    std::span<const Tail> tails;
    std::span<const Whole> whole = {};
};

constexpr Counter kCounters[] = {
    {u"丁目", u"チョーメ", kChoume},
    {u"番地", u"バンチ", kNone},
    {u"番線", u"バンセン", kNone},
    {u"番", u"バン", kNone},
    {u"号", u"ゴー", kNone},
    {u"号線", u"ゴーセン", kNone},
    {u"条", u"ジョー", kNone},
    {u"本", u"ホン", kHon},
    {u"分", u"フン", kFun},
    {u"人", u"ニン", kNin, kNinWhole},
    {u"つ", u"ツ", kNone, kTsuWhole},
    {u"階", u"カイ", kKai},
    {u"回", u"カイ", kDoubling},
    {u"個", u"コ", kDoubling},
    {u"円", u"エン", kEn},
    {u"時", u"ジ", kJi},
    {u"時間", u"ジカン", kJikan},
    {u"日", u"ニチ", kNone, kNichiWhole},
    {u"月", u"ガツ", kGatsu},
    {u"系統", u"ケートー", kNone},
};

const Counter* counterFor(QStringView surface)
{
    for (const Counter& c : kCounters) {
        if (surface == qs(c.surface))
            return &c;
    }
    return nullptr;
}

int kanjiDigit(QChar c)
{
    static const QString digits = QStringLiteral("〇一二三四五六七八九");
    const qsizetype i = digits.indexOf(c);
    if (i >= 0)
        return static_cast<int>(i);
    return c == QChar(0x96F6) ? 0 : -1; // 零
}

} // namespace

QString numberReading(QStringView digits)
{
    if (digits.isEmpty())
        return {};
    if ((digits.size() > 1 && digits.front() == QLatin1Char('0')) || digits.size() > 20)
        return digitByDigit(digits);
    static const char16_t* const units[] = {u"", u"マン", u"オク", u"チョー", u"ケー"};
    qsizetype end = digits.size();
    QStringList groups; // lowest first
    for (int unit = 0; end > 0; ++unit) {
        const qsizetype start = std::max<qsizetype>(0, end - 4);
        const int value = digits.mid(start, end - start).toInt();
        QString group;
        if (value > 0) {
            group = groupReading(value);
            if (unit == 3)
                group = withTail(group, kBeforeChou);
            else if (unit == 4)
                group = withTail(group, kBeforeKei);
            group += QString::fromUtf16(units[unit]);
        }
        groups.prepend(group);
        end = start;
    }
    const QString out = groups.join(QString());
    return out.isEmpty() ? digitName(0) : out;
}

namespace Numbers {

bool isKanjiNumber(QStringView text)
{
    static const QString numerals = QStringLiteral("〇一二三四五六七八九十百千万億零");
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (!numerals.contains(c))
            return false;
    }
    return true;
}

QString kanjiToDigits(QStringView kanji)
{
    if (!isKanjiNumber(kanji) || kanji.size() > 16)
        return {};
    // Written digit by digit (二〇二三): no unit characters at all.
    bool positional = kanji.size() > 1;
    for (QChar c : kanji)
        positional = positional && kanjiDigit(c) >= 0;
    if (positional) {
        QString out;
        for (QChar c : kanji)
            out += QChar(u'0' + kanjiDigit(c));
        return out;
    }
    std::uint64_t total = 0;
    std::uint64_t section = 0; // below 万
    int current = -1;          // a digit waiting for its unit
    std::uint64_t lastSmall = 10000; // units within a group only decrease (二千三百)
    for (QChar c : kanji) {
        const int d = kanjiDigit(c);
        if (d >= 0) {
            if (current >= 0)
                return {}; // two digits in a row among units: not a number
            current = d;
            continue;
        }
        std::uint64_t small = 0;
        if (c == QChar(u'十'))
            small = 10;
        else if (c == QChar(u'百'))
            small = 100;
        else if (c == QChar(u'千'))
            small = 1000;
        if (small > 0) {
            if (small >= lastSmall)
                return {};
            lastSmall = small;
            section += static_cast<std::uint64_t>(current < 0 ? 1 : current) * small;
        } else {
            const std::uint64_t big = c == QChar(u'万') ? 10000ULL : 100000000ULL;
            std::uint64_t group = section + static_cast<std::uint64_t>(current < 0 ? 0 : current);
            if (group == 0)
                group = 1;
            total += group * big;
            section = 0;
            lastSmall = 10000;
        }
        current = -1;
    }
    total += section + static_cast<std::uint64_t>(current < 0 ? 0 : current);
    return QString::number(total);
}

bool isCounter(QStringView counter)
{
    return counterFor(counter) != nullptr;
}

QString counted(const QString& digits, QStringView counterText, bool afterMonth)
{
    const Counter* c = counterFor(counterText);
    if (!c || digits.isEmpty())
        return {};
    bool ok = false;
    const int value = digits.size() <= 4 && digits.front() != QLatin1Char('0') ? digits.toInt(&ok) : -1;
    if (ok) {
        if (c->surface == u"日" && value == 1 && afterMonth)
            return QStringLiteral("ツイタチ");
        for (const Whole& w : c->whole) {
            if (w.value == value)
                return qs(w.reading);
        }
    }
    QString counter = qs(c->reading);
    const QString number = withTail(numberReading(digits), c->tails, &counter);
    return number + counter;
}

} // namespace Numbers

} // namespace Yomi
