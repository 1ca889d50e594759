#include "sound/Yomi.h"

#include "platform/AppError.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryFile>

#include <mecab.h>

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Yomi {

namespace {

QString qs(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// --- MeCab ------------------------------------------------------------------

struct Token
{
    QString surface;
    // Part of speech and three subclasses, conjugation type and form, base
    // form, reading, pronunciation; unknown words stop after the base form.
    QStringList features;
    bool spaceBefore = false;

    QString pos() const { return features.value(0); }
    QString pos1() const { return features.value(1); }
    // The reading (field 7) is spelt as written (ツギハ); the voice needs the
    // pronunciation (ツギワ).
    QString pronunciation() const
    {
        const QString p = features.value(8);
        return p == QLatin1String("*") ? QString() : p;
    }
};

class Analyser
{
public:
    explicit Analyser(const QString& dictionaryDir)
    {
        // The transit words are compiled into the program; MeCab wants a file.
        std::unique_ptr<QTemporaryFile> userDic(QTemporaryFile::createNativeFile(QStringLiteral(":/speech/transit.dic")));
        if (!userDic)
            throw AppError(ErrNo::InternalError, QStringLiteral("読み上げ用の交通用語辞書がプログラムに含まれていません。"));
        // -r /dev/null: every setting is given here, so a missing or foreign
        // mecabrc cannot change the dictionary.
        std::vector<std::string> args{"mecab", "-r", "/dev/null", "-d", dictionaryDir.toStdString(), "-u",
                                      userDic->fileName().toStdString()};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        m_model.reset(MeCab::createModel(static_cast<int>(argv.size()), argv.data()));
        if (!m_model)
            throw AppError(ErrNo::InternalError, QStringLiteral("MeCab の辞書 (%1) を読み込めません: %2")
                                                     .arg(dictionaryDir, QString::fromLocal8Bit(MeCab::getLastError())));
        const MeCab::DictionaryInfo* info = m_model->dictionary_info();
        const QString charset = info ? QString::fromLatin1(info->charset).toLower() : QString();
        if (charset != QLatin1String("utf-8") && charset != QLatin1String("utf8"))
            throw AppError(ErrNo::FileNotFound,
                           QStringLiteral("MeCab の辞書 (%1) が UTF-8 の IPA 辞書ではありません。mecab-ipadic-utf8 "
                                          "を導入してください。")
                               .arg(dictionaryDir));
        m_tagger.reset(m_model->createTagger());
        if (!m_tagger)
            throw AppError(ErrNo::InternalError, QString::fromLocal8Bit(MeCab::getLastError()));
    }

    // Safe from any thread: each call parses in a lattice of its own.
    std::vector<Token> tokens(const QString& text) const
    {
        const QByteArray utf8 = text.toUtf8();
        std::unique_ptr<MeCab::Lattice> lattice(m_model->createLattice());
        lattice->set_sentence(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        if (!m_tagger->parse(lattice.get()))
            throw AppError(ErrNo::InternalError, QString::fromLocal8Bit(lattice->what()));
        std::vector<Token> result;
        for (const MeCab::Node* n = lattice->bos_node(); n; n = n->next) {
            if (n->stat == MECAB_BOS_NODE || n->stat == MECAB_EOS_NODE)
                continue;
            Token t;
            t.surface = QString::fromUtf8(n->surface, n->length);
            t.features = QString::fromUtf8(n->feature).split(QLatin1Char(','));
            t.spaceBefore = n->rlength > n->length;
            result.push_back(std::move(t));
        }
        return result;
    }

private:
    std::unique_ptr<MeCab::Model> m_model;
    std::unique_ptr<MeCab::Tagger> m_tagger;
};

std::mutex& analyserMutex()
{
    static std::mutex m;
    return m;
}

std::shared_ptr<const Analyser>& loadedAnalyser()
{
    static std::shared_ptr<const Analyser> a;
    return a;
}

std::shared_ptr<const Analyser> analyser()
{
    {
        std::lock_guard lock(analyserMutex());
        if (loadedAnalyser())
            return loadedAnalyser();
    }
    load();
    std::lock_guard lock(analyserMutex());
    return loadedAnalyser();
}

// --- characters ----------------------------------------------------------------

bool isDigits(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool isKatakana(QChar c)
{
    return (c.unicode() >= 0x30A1 && c.unicode() <= 0x30FA) || c.unicode() == 0x30FC;
}

bool isHiragana(QChar c)
{
    return c.unicode() >= 0x3041 && c.unicode() <= 0x3096;
}

bool isKanji(QChar c)
{
    return (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) || c.unicode() == 0x3005;
}

// Symbols carry no sound of their own: they become pauses or word breaks.
bool isSymbol(const QString& s)
{
    for (QChar c : s) {
        if (c.isLetterOrNumber())
            return false;
    }
    return true;
}

QString digitName(int d)
{
    static const char16_t* const names[] = {u"ゼロ", u"イチ", u"ニ", u"サン", u"ヨン", u"ゴ", u"ロク", u"ナナ", u"ハチ", u"キュー"};
    return QString::fromUtf16(names[d]);
}

QString letterName(QChar c)
{
    static const char16_t* const names[] = {u"エー",   u"ビー",   u"シー",       u"ディー", u"イー",     u"エフ",  u"ジー",
                                            u"エイチ", u"アイ",   u"ジェー",     u"ケー",   u"エル",     u"エム",  u"エヌ",
                                            u"オー",   u"ピー",   u"キュー",     u"アール", u"エス",     u"ティー", u"ユー",
                                            u"ブイ",   u"ダブリュー", u"エックス", u"ワイ",   u"ゼット"};
    const char16_t upper = c.toUpper().unicode();
    return QString::fromUtf16(names[upper - u'A']);
}

// Katakana for what has no dictionary reading: kana as they are, Latin
// letters by their names, digits one by one; kanji unknown to the dictionary
// are left out, since the voice could only name their character class.
QString spellOut(const QString& surface)
{
    QString out;
    for (QChar c : surface) {
        if (isHiragana(c))
            out += QChar(c.unicode() + 0x60);
        else if (c == QChar(0x30F5)) // small ka, as in 一ヵ所
            out += QChar(0x30AB);
        else if (c == QChar(0x30F6)) // small ke, as in 三ヶ所
            out += QChar(0x30B1);
        else if (isKatakana(c))
            out += c;
        else if (c.unicode() < 0x80 && c.isLetter())
            out += letterName(c);
        else if (c.unicode() < 0x80 && c.isDigit())
            out += digitName(c.digitValue());
    }
    return out;
}

// Words read by their Chinese readings say エイ as a long エー (停車 テーシャ),
// which the dictionary spells one way here and the other way there.
QString lengthenEi(const QString& kana)
{
    static const QString eRow = QStringLiteral("エケセテネヘメレゲゼデベペェ");
    QString out = kana;
    for (qsizetype i = 1; i < out.size(); ++i) {
        if (out[i] == QChar(0x30A4) && eRow.contains(out[i - 1]))
            out[i] = QChar(0x30FC);
    }
    return out;
}

// --- numbers ---------------------------------------------------------------------

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

struct Tail
{
    std::u16string_view from;
    std::u16string_view to;
    std::u16string_view counter; // empty: the counter's usual reading
};

// Before 兆 and 京 the last sound of the group doubles (イッチョー).
constexpr Tail kBeforeChou[] = {{u"イチ", u"イッ", {}}, {u"ハチ", u"ハッ", {}}, {u"ジュー", u"ジュッ", {}}};
constexpr Tail kBeforeKei[] = {{u"イチ", u"イッ", {}}, {u"ロク", u"ロッ", {}}, {u"ハチ", u"ハッ", {}},
                               {u"ジュー", u"ジュッ", {}}, {u"ヒャク", u"ヒャッ", {}}};

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

// Counters that change the number before them, or are changed by it.
struct Counter
{
    std::u16string_view surface;
    std::u16string_view reading;
    bool whateverReading; // the dictionary reads 1月 as 1 ツキ
    std::span<const Tail> tails;
};

constexpr Tail kJi[] = {{u"ヨン", u"ヨ", {}}, {u"ナナ", u"シチ", {}}, {u"キュー", u"ク", {}}};
constexpr Tail kGatsu[] = {{u"ヨン", u"シ", {}}, {u"ナナ", u"シチ", {}}, {u"キュー", u"ク", {}}};
constexpr Tail kEn[] = {{u"ヨン", u"ヨ", {}}};
constexpr Tail kFun[] = {{u"イチ", u"イッ", u"プン"},   {u"サン", u"サン", u"プン"},     {u"ヨン", u"ヨン", u"プン"},
                         {u"ロク", u"ロッ", u"プン"},   {u"ハチ", u"ハッ", u"プン"},     {u"ジュー", u"ジュッ", u"プン"},
                         {u"ヒャク", u"ヒャッ", u"プン"}, {u"セン", u"セン", u"プン"}};
constexpr Counter kCounters[] = {
    {u"時", u"ジ", false, kJi},
    {u"月", u"ガツ", true, kGatsu},
    {u"円", u"エン", false, kEn},
    {u"分", u"フン", false, kFun},
};

// The number and its counter read together, or an empty text when the next
// token is no counter that changes anything.
QString countedReading(const QString& digits, const Token& next)
{
    for (const Counter& c : kCounters) {
        if (next.surface != qs(c.surface) || (!c.whateverReading && next.pronunciation() != qs(c.reading)))
            continue;
        QString counter = qs(c.reading);
        const QString number = withTail(numberReading(digits), c.tails, &counter);
        return number + counter;
    }
    return {};
}

// --- building the text -------------------------------------------------------------

// The speakable text: phrases separated by spaces, so that the voice places
// its accents per phrase, and pauses as 、 and 。.
class Speakable
{
public:
    void word(const QString& kana, bool newPhrase)
    {
        if (kana.isEmpty())
            return;
        if ((newPhrase || m_break) && !m_text.isEmpty() && !endsInPause())
            m_text += QLatin1Char(' ');
        m_break = false;
        m_text += kana;
    }

    // Marks are 、 (short pause), 。 (sentence end) and ? (a question's rise).
    void pause(QChar mark)
    {
        m_break = false;
        if (m_text.isEmpty())
            return;
        if (endsInPause()) {
            // Of two marks in a row the longer pause wins.
            if (m_text.back() == QChar(0x3001))
                m_text.back() = mark;
            return;
        }
        m_text += mark;
    }

    void wordBreak() { m_break = true; }

    QString text() const
    {
        // A lengthening mark with nothing before it would be named, not said.
        static const QRegularExpression strayLong(QStringLiteral("(^|[^\\x{30A1}-\\x{30FA}])\\x{30FC}+"));
        QString t = m_text;
        t.replace(strayLong, QStringLiteral("\\1"));
        return t.trimmed();
    }

private:
    bool endsInPause() const
    {
        const QChar last = m_text.back();
        return last == QChar(0x3001) || last == QChar(0x3002) || last == QLatin1Char('?');
    }

    QString m_text;
    bool m_break = false;
};

bool startsPhrase(const Token& t, const Token* previous)
{
    if (t.spaceBefore || !previous)
        return true;
    if (previous->pos() == QStringLiteral("接頭詞"))
        return false;
    const QString pos = t.pos();
    const QString pos1 = t.pos1();
    if (pos == QStringLiteral("助詞") || pos == QStringLiteral("助動詞"))
        return false;
    if (pos1 == QStringLiteral("接尾") || pos1 == QStringLiteral("非自立"))
        return false;
    // Compounds (市民 病院) keep one accent.
    return !(pos == QStringLiteral("名詞") && previous->pos() == QStringLiteral("名詞"));
}

void addSymbol(Speakable& out, const QString& surface)
{
    static const QString shortPause = QStringLiteral("、,・");
    static const QString fullStop = QStringLiteral("。.!");
    if (surface == QLatin1String("%")) {
        out.word(QStringLiteral("パーセント"), false);
        return;
    }
    QChar mark;
    for (QChar c : surface) {
        if (c == QLatin1Char('?'))
            mark = c;
        else if (fullStop.contains(c) && mark != QLatin1Char('?'))
            mark = QChar(0x3002);
        else if (shortPause.contains(c) && mark.isNull())
            mark = QChar(0x3001);
    }
    if (mark.isNull())
        out.wordBreak();
    else
        out.pause(mark);
}

bool hasKanji(const QString& s)
{
    for (QChar c : s) {
        if (isKanji(c))
            return true;
    }
    return false;
}

} // namespace

void load(const QString& dictionaryDir)
{
    if (!QFileInfo(dictionaryDir + QStringLiteral("/sys.dic")).isFile())
        throw AppError(ErrNo::FileNotFound,
                       QStringLiteral("読み上げに使う MeCab の辞書 (%1) がありません。mecab-ipadic-utf8 を導入してください。")
                           .arg(dictionaryDir));
    std::lock_guard lock(analyserMutex());
    if (!loadedAnalyser())
        loadedAnalyser() = std::make_shared<const Analyser>(dictionaryDir);
}

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

QString toSpeakable(const QString& text)
{
    // Full-width digits and letters and half-width kana become one form each,
    // so that numbers are found whatever width they were typed in.
    QString normal = text.normalized(QString::NormalizationForm_KC);
    static const QRegularExpression thousands(QStringLiteral("(?<=\\d),(?=\\d{3}(?!\\d))"));
    normal.remove(thousands);
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n\\t]+"));
    normal.replace(lineBreaks, QStringLiteral("、"));

    const std::vector<Token> tokens = analyser()->tokens(normal);
    Speakable out;
    const Token* previous = nullptr;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const bool newPhrase = startsPhrase(t, previous);
        previous = &t;
        if (isDigits(t.surface)) {
            // A decimal point and the decimals come as tokens of their own.
            if (i + 2 < tokens.size() && tokens[i + 1].surface == QLatin1String(".") && isDigits(tokens[i + 2].surface)) {
                out.word(numberReading(t.surface) + QStringLiteral("テン") + digitByDigit(tokens[i + 2].surface), newPhrase);
                i += 2;
                previous = &tokens[i];
                continue;
            }
            if (i + 1 < tokens.size() && !tokens[i + 1].spaceBefore) {
                const QString counted = countedReading(t.surface, tokens[i + 1]);
                if (!counted.isEmpty()) {
                    out.word(counted, newPhrase);
                    previous = &tokens[++i];
                    continue;
                }
            }
            out.word(numberReading(t.surface), newPhrase);
            continue;
        }
        if (isSymbol(t.surface)) {
            addSymbol(out, t.surface);
            continue;
        }
        const QString pronunciation = t.pronunciation();
        if (pronunciation.isEmpty())
            out.word(spellOut(t.surface), newPhrase);
        else if (t.pos() == QStringLiteral("名詞") && hasKanji(t.surface))
            out.word(lengthenEi(pronunciation), newPhrase);
        else
            out.word(pronunciation, newPhrase);
    }
    return out.text();
}

} // namespace Yomi
