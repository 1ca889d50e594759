#include "readings/YomiText.h"

#include "platform/Cp932.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <iterator>
#include <utility>

namespace Yomi::Text {

namespace {

struct Variant
{
    char16_t from;
    char16_t to;
};

constexpr Variant kVariants[] = {
#include "readings/KanjiVariants.inc"
};

char16_t commonForm(char16_t c)
{
    static const bool sorted = std::is_sorted(std::begin(kVariants), std::end(kVariants),
                                              [](const Variant& a, const Variant& b) { return a.from < b.from; });
    Q_ASSERT(sorted);
    (void)sorted;
    const auto it = std::lower_bound(std::begin(kVariants), std::end(kVariants), c,
                                     [](const Variant& v, char16_t key) { return v.from < key; });
    return it != std::end(kVariants) && it->from == c ? it->to : c;
}

struct KanjiReading
{
    char16_t kanji;
    const char16_t* reading;
};

constexpr KanjiReading kReadings[] = {
#include "readings/KanjiReadings.inc"
};

bool isNumeral(QChar c)
{
    static const QString kanjiDigits = QStringLiteral("〇一二三四五六七八九十百千");
    return c.isDigit() || kanjiDigits.contains(c);
}

bool overlaps(const std::vector<Fixed>& fixed, qsizetype begin, qsizetype end)
{
    return std::any_of(fixed.begin(), fixed.end(), [&](const Fixed& f) { return begin < f.end && f.begin < end; });
}

QString problem(const QString& fileName, int line, const QString& what)
{
    return QStringLiteral("%1 の %2 行目: %3").arg(fileName).arg(line).arg(what);
}

// One field, without the blanks around it and the quotes a spreadsheet adds.
QString field(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.front() == QLatin1Char('"') && text.back() == QLatin1Char('"'))
        text = text.mid(1, text.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\"")).trimmed();
    return text;
}

} // namespace

QString kanjiReading(QChar kanji)
{
    const auto it = std::lower_bound(std::begin(kReadings), std::end(kReadings), kanji.unicode(),
                                     [](const KanjiReading& r, char16_t key) { return r.kanji < key; });
    return it != std::end(kReadings) && it->kanji == kanji.unicode() ? QString::fromUtf16(it->reading) : QString();
}

bool isHiragana(QChar c)
{
    return c.unicode() >= 0x3041 && c.unicode() <= 0x3096;
}

bool isKatakana(QChar c)
{
    return (c.unicode() >= 0x30A1 && c.unicode() <= 0x30FA) || c.unicode() == 0x30FC;
}

bool isKanji(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0xF900 && u <= 0xFAFF) || u == 0x3005
        || c.isHighSurrogate();
}

QString toKatakana(QStringView kana)
{
    QString out;
    out.reserve(kana.size());
    for (QChar c : kana)
        out += isHiragana(c) ? QChar(c.unicode() + 0x60) : c;
    return out;
}

bool isKanaReading(QStringView text)
{
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return isHiragana(c) || isKatakana(c); });
}

char vowelOf(QChar c)
{
    static const QString a = QStringLiteral("アカサタナハマヤラワガザダバパァャヮ");
    static const QString i = QStringLiteral("イキシチニヒミリギジヂビピィ");
    static const QString u = QStringLiteral("ウクスツヌフムユルグズヅブプゥュヴ");
    static const QString e = QStringLiteral("エケセテネヘメレゲゼデベペェ");
    static const QString o = QStringLiteral("オコソトノホモヨロヲゴゾドボポォョ");
    for (const auto& [vowel, row] : {std::pair{'a', &a}, {'i', &i}, {'u', &u}, {'e', &e}, {'o', &o}}) {
        if (row->contains(c))
            return vowel;
    }
    return 0;
}

QChar SoundFolder::next(QChar c)
{
    if (isHiragana(c))
        c = QChar(c.unicode() + 0x60);
    if (!isKatakana(c))
        return {};
    if (c == QChar(u'ヂ'))
        c = QChar(u'ジ');
    else if (c == QChar(u'ヅ'))
        c = QChar(u'ズ');
    else if (c == QChar(u'ヲ'))
        c = QChar(u'オ');
    static const QString vowels = QStringLiteral("アイウエオ");
    const char v = vowelOf(c);
    if (vowels.contains(c) && m_vowel
        && (v == m_vowel || (c == QChar(u'ウ') && m_vowel == 'o') || (c == QChar(u'イ') && m_vowel == 'e')))
        return QChar(0x30FC);
    if (c != QChar(0x30FC))
        m_vowel = v;
    return c;
}

QString normalise(const QString& text)
{
    QString out = text.normalized(QString::NormalizationForm_KC);
    for (qsizetype i = 0; i < out.size(); ++i) {
        QChar& c = out[i];
        c = QChar(commonForm(c.unicode()));
        // The ヶ of a place name (緑ヶ丘) is a が; after a number (3ヶ所) it
        // is the counter's カ, which the dictionary reads itself.
        if (c == QChar(0x30F6) && i > 0 && !isNumeral(out[i - 1]) && i + 1 < out.size() && isKanji(out[i + 1]))
            c = QChar(0x304C);
    }
    return out;
}

QString takeRuby(const QString& text, std::vector<Fixed>& fixed)
{
    QString out;
    out.reserve(text.size());
    qsizetype baseMark = -1; // in out: where a | said the base starts
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('|') || c == QChar(0xFF5C)) {
            baseMark = out.size();
            continue;
        }
        if (c != QChar(0x300A)) {
            out += c;
            continue;
        }
        const qsizetype close = text.indexOf(QChar(0x300B), i + 1);
        if (close < 0) {
            out += c;
            continue;
        }
        qsizetype begin = baseMark;
        if (begin < 0) {
            begin = out.size();
            while (begin > 0 && (isKanji(out[begin - 1]) || out[begin - 1].isLowSurrogate()))
                --begin;
        }
        const QString reading = text.mid(i + 1, close - i - 1).trimmed();
        if (begin < out.size() && isKanaReading(reading)) {
            // A later ruby never overlaps an earlier one: both come in order.
            fixed.push_back({begin, out.size(), toKatakana(reading)});
        }
        baseMark = -1;
        i = close;
    }
    return out;
}

void fixUserReadings(const QString& text, const std::vector<UserReading>& readings, std::vector<Fixed>& fixed)
{
    for (const UserReading& r : readings) {
        if (r.text.isEmpty())
            continue;
        for (qsizetype at = text.indexOf(r.text); at >= 0; at = text.indexOf(r.text, at + 1)) {
            const qsizetype end = at + r.text.size();
            if (!overlaps(fixed, at, end))
                fixed.push_back({at, end, r.reading});
        }
    }
    std::sort(fixed.begin(), fixed.end(), [](const Fixed& a, const Fixed& b) { return a.begin < b.begin; });
}

ReadingsFile parseReadings(QByteArrayView bytes, const QString& fileName)
{
    ReadingsFile result;
    QHash<QString, std::size_t> indexOfText;
    static constexpr char bom[] = "\xEF\xBB\xBF";
    const bool utf8 = bytes.startsWith(QByteArrayView(bom, 3));
    if (utf8)
        bytes = bytes.sliced(3);
    int lineNumber = 0;
    while (!bytes.isEmpty()) {
        ++lineNumber;
        // A line feed byte is never the second byte of a code page 932
        // character, so the bytes split into lines before decoding.
        const qsizetype lf = bytes.indexOf('\n');
        QByteArray line = (lf < 0 ? bytes : bytes.first(lf)).toByteArray();
        bytes = lf < 0 ? QByteArrayView() : bytes.sliced(lf + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        QString text;
        if (utf8) {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            text = decoder.decode(line);
            if (decoder.hasError()) {
                result.problems << problem(fileName, lineNumber, QStringLiteral("UTF-8 として読めない文字があります。"));
                continue;
            }
        } else {
            std::optional<QString> decoded = Cp932::decode(line);
            if (!decoded) {
                result.problems << problem(fileName, lineNumber,
                                           QStringLiteral("シフトJIS (CP932) として読めない文字があります。"));
                continue;
            }
            text = *decoded;
        }
        if (text.trimmed().isEmpty() || text.trimmed().startsWith(QLatin1Char('#')))
            continue;
        QStringList fields = text.split(QLatin1Char(','));
        while (fields.size() > 2 && field(fields.back()).isEmpty())
            fields.removeLast();
        if (fields.size() != 2) {
            result.problems << problem(fileName, lineNumber, QStringLiteral("「表記,よみ」の形ではありません。"));
            continue;
        }
        const QString written = normalise(field(fields[0]));
        const QString reading = field(fields[1]).normalized(QString::NormalizationForm_KC);
        if (written.isEmpty()) {
            result.problems << problem(fileName, lineNumber, QStringLiteral("表記がありません。"));
            continue;
        }
        if (!isKanaReading(reading)) {
            result.problems << problem(fileName, lineNumber,
                                       QStringLiteral("よみ「%1」はひらがなかカタカナで書いてください。").arg(reading));
            continue;
        }
        // A later line for the same text wins, as when it was added last.
        // Looked up by text: a long file must not cost a scan per line.
        const auto at = indexOfText.constFind(written);
        if (at != indexOfText.cend()) {
            result.readings[*at].reading = toKatakana(reading);
        } else {
            indexOfText.insert(written, result.readings.size());
            result.readings.push_back({written, toKatakana(reading)});
        }
    }
    return result;
}

} // namespace Yomi::Text
