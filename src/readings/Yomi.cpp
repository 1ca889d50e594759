#include "readings/Yomi.h"

#include "platform/ApiLib.h"
#include "platform/AppError.h"
#include "platform/DataPaths.h"
#include "platform/EngineLibraries.h"
#include "readings/PlaceNames.h"
#include "readings/YomiNumbers.h"
#include "readings/YomiText.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#ifndef SPEECH_DICTIONARY_DIR
#define SPEECH_DICTIONARY_DIR "/var/lib/mecab/dic/ipadic-utf8"
#endif

namespace Yomi {

using Text::isHiragana;
using Text::isKanji;
using Text::isKatakana;

namespace {

// --- MeCab ------------------------------------------------------------------

struct Token
{
    QString surface;
    // Part of speech and three subclasses, conjugation type and form, base
    // form, reading, pronunciation; unknown words stop after the base form.
    QStringList features;
    bool spaceBefore = false;
    bool unknown = false; // no dictionary entry: MeCab guessed the word
    QString fixed;        // a reading given by ruby or the user's readings
    qsizetype begin = 0;  // where the surface starts in the text

    QString pos() const { return features.value(0); }
    QString pos1() const { return features.value(1); }
    QString pos2() const { return features.value(2); }
    bool isNoun() const { return pos() == QStringLiteral("名詞"); }
    // The reading (field 7) is spelt as written (ツギハ); the voice needs the
    // pronunciation (ツギワ).
    QString pronunciation() const
    {
        if (!fixed.isEmpty())
            return fixed;
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
        const EngineLibraries::Mecab& mecab = EngineLibraries::mecab();
        if (!mecab)
            throw AppError(ErrNo::FileNotFound, QStringLiteral("形態素解析の MeCab を読み込めません (%1)。").arg(mecab.missing));
        m_model.reset(mecab.createModel(static_cast<int>(argv.size()), argv.data()));
        if (!m_model)
            throw AppError(ErrNo::FileNotFound, QStringLiteral("MeCab の辞書 (%1) を読み込めません: %2。%3 を導入し直してください。")
                                                    .arg(dictionaryDir, QString::fromLocal8Bit(mecab.getLastError()),
                                                         DictionaryPackage));
        const MeCab::DictionaryInfo* info = m_model->dictionary_info();
        const QString charset = info ? QString::fromLatin1(info->charset).toLower() : QString();
        if (charset != QLatin1String("utf-8") && charset != QLatin1String("utf8"))
            throw AppError(ErrNo::FileNotFound,
                           QStringLiteral("MeCab の辞書 (%1) が UTF-8 の IPA 辞書ではありません。%2 を導入してください。")
                               .arg(dictionaryDir, DictionaryPackage));
        m_tagger.reset(m_model->createTagger());
        if (!m_tagger)
            throw AppError(ErrNo::InternalError, QString::fromLocal8Bit(mecab.getLastError()));
    }

    // Safe from any thread: each call parses in a lattice of its own. Each
    // fixed stretch becomes one noun carrying its reading.
    std::vector<Token> tokens(const QString& text, const std::vector<Text::Fixed>& fixed = {}) const
    {
        const QByteArray utf8 = text.toUtf8();
        std::unique_ptr<MeCab::Lattice> lattice(m_model->createLattice());
        lattice->set_sentence(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        std::vector<std::pair<std::size_t, const QString*>> fixedAt; // byte offset of each fixed stretch
        for (const Text::Fixed& f : fixed) {
            const auto begin = static_cast<std::size_t>(QStringView(text).first(f.begin).toUtf8().size());
            const auto end = static_cast<std::size_t>(QStringView(text).first(f.end).toUtf8().size());
            if (end <= begin)
                continue;
            lattice->set_feature_constraint(begin, end, "名詞");
            fixedAt.emplace_back(begin, &f.reading);
        }
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
            t.unknown = n->stat == MECAB_UNK_NODE;
            const auto at = static_cast<std::size_t>(n->surface - utf8.constData());
            t.begin = QString::fromUtf8(utf8.constData(), static_cast<qsizetype>(at)).size();
            for (const auto& [offset, reading] : fixedAt) {
                if (offset == at)
                    t.fixed = *reading;
            }
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

// The user's readings, longest text first so that a longer entry wins
// over one inside it.
std::shared_ptr<const std::vector<UserReading>>& userReadings()
{
    static std::shared_ptr<const std::vector<UserReading>> r = std::make_shared<std::vector<UserReading>>();
    return r;
}

// The region's habits and the route's stop names, longest first.
std::shared_ptr<const std::vector<UserReading>>& habits()
{
    static std::shared_ptr<const std::vector<UserReading>> h = std::make_shared<std::vector<UserReading>>();
    return h;
}

std::shared_ptr<const QStringList>& routeNames()
{
    static std::shared_ptr<const QStringList> n = std::make_shared<QStringList>();
    return n;
}

struct Places
{
    bool set = false; // loaded, or given by setPlaceNames
    std::shared_ptr<const PlaceNames::Dictionary> names;
};

Places& places()
{
    static Places p;
    return p;
}

template<typename T>
std::shared_ptr<const T> current(std::shared_ptr<const T>& shared)
{
    std::lock_guard lock(analyserMutex());
    return shared;
}

template<typename T>
void replace(std::shared_ptr<const T>& shared, T value)
{
    auto made = std::make_shared<const T>(std::move(value));
    std::lock_guard lock(analyserMutex());
    shared = std::move(made);
}

std::vector<UserReading> longestFirst(std::vector<UserReading> readings)
{
    std::stable_sort(readings.begin(), readings.end(),
                     [](const UserReading& a, const UserReading& b) { return a.text.size() > b.text.size(); });
    return readings;
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

// Symbols carry no sound of their own: they become pauses or word breaks.
bool isSymbol(const QString& s)
{
    for (QChar c : s) {
        // Characters beyond the basic plane are rare kanji, and the private
        // ones are a font's own kanji (gaiji): never symbols.
        if (c.isLetterOrNumber() || c.isSurrogate() || c.category() == QChar::Other_PrivateUse
            || c == QChar(UnknownMark))
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
// letters by their names, digits one by one, kanji one at a time by the
// dictionary; a character it cannot read at all becomes UnknownMark (the
// voice could only name its character class).
QString spellOut(const QString& surface, const Analyser& analyser)
{
    QString out;
    for (qsizetype i = 0; i < surface.size(); ++i) {
        const QChar c = surface[i];
        if (isHiragana(c)) {
            out += QChar(c.unicode() + 0x60);
        } else if (c == QChar(0x30F5)) { // small ka, as in 一ヵ所
            out += QChar(0x30AB);
        } else if (c == QChar(0x30F6)) { // small ke, as in 三ヶ所
            out += QChar(0x30B1);
        } else if (isKatakana(c)) {
            out += c;
        } else if (c.unicode() < 0x80 && c.isLetter()) {
            out += letterName(c);
        } else if (c.unicode() < 0x80 && c.isDigit()) {
            out += digitName(c.digitValue());
        } else if (isKanji(c) || c == QChar(UnknownMark)) {
            const qsizetype width = c.isHighSurrogate() && i + 1 < surface.size() ? 2 : 1;
            const QString one = surface.mid(i, width);
            i += width - 1;
            QString reading;
            if (c != QChar(UnknownMark)) {
                // MeCab groups unknown kanji with the known ones around them
                // (﨑駅): alone, a known kanji has its reading.
                for (const Token& t : analyser.tokens(one)) {
                    if (!t.unknown)
                        reading += t.pronunciation();
                }
            }
            if (reading.isEmpty() && width == 1)
                reading = Text::kanjiReading(c);
            out += reading.isEmpty() ? QString(QChar(UnknownMark)) : reading;
        } else if (c.isLetterOrNumber() || c.category() == QChar::Other_PrivateUse) {
            out += QChar(UnknownMark);
        }
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

// Readings the user writes as spelt (ほうしゅつ, ばすてい) said as the voice
// should say them: the long vowels of ホウ and テイ are ホー and テー.
QString spokenSpelling(const QString& kana)
{
    static const QString oRow = QStringLiteral("オコソトノホモヨロゴゾドボポョォ");
    QString out = lengthenEi(kana);
    for (qsizetype i = 1; i < out.size(); ++i) {
        if (out[i] == QChar(0x30A6) && oRow.contains(out[i - 1]))
            out[i] = QChar(0x30FC);
    }
    return out;
}

// --- corrections of the dictionary's readings -----------------------------------

bool isNumberToken(const Token& t)
{
    return isDigits(t.surface) || (t.pos1() == QStringLiteral("数") && Numbers::isKanjiNumber(t.surface));
}

bool isPlaceLike(const Token& t)
{
    return t.isNoun() && t.pos1() != QStringLiteral("数") && t.pos1() != QStringLiteral("代名詞")
        && t.pos1() != QStringLiteral("非自立");
}

// 行 and 行き after a place are the destination, ユキ (市民病院行, 駅前行き);
// words with 行 in them (急行, 銀行) are words of their own and never come
// here. 行き as a verb (駅前行きます) stays a verb.
bool isGoing(const Token& t)
{
    return t.surface == QStringLiteral("行") || t.surface == QStringLiteral("行き");
}

// The dictionary reads 前 before 行 as the prefix ゼン (県庁 前行): after a
// place and before the destination's 行 it is the マエ of 県庁前.
bool isMaeBeforeGoing(const std::vector<Token>& tokens, std::size_t i)
{
    const Token& t = tokens[i];
    return i > 0 && i + 1 < tokens.size() && t.surface == QStringLiteral("前") && t.pos() == QStringLiteral("接頭詞")
        && isGoing(tokens[i + 1]) && !tokens[i + 1].spaceBefore && isPlaceLike(tokens[i - 1]);
}

bool isDestination(const std::vector<Token>& tokens, std::size_t i)
{
    const Token& t = tokens[i];
    if (i == 0 || !isGoing(t) || t.spaceBefore)
        return false;
    if (!isPlaceLike(tokens[i - 1]) && !isMaeBeforeGoing(tokens, i - 1))
        return false;
    if (t.pos() == QStringLiteral("動詞") && i + 1 < tokens.size()) {
        const Token& next = tokens[i + 1];
        if (next.pos() == QStringLiteral("助動詞") || next.pos1() == QStringLiteral("接続助詞"))
            return false;
    }
    return true;
}

// Kanji that end a place's name and that the dictionary joins with the
// destination's 行 into a rare word (営業所行 as 営業 所行).
bool endsPlace(QChar c)
{
    static const QString ends = QStringLiteral("所駅前口園場港館院台丘町村市区校署局店寺宮橋川山島田池浜崎坂谷原野門庁地");
    return ends.contains(c);
}

// Where the text before a destination's 行 must be read again on its own:
// the dictionary read it as part of a longer stretch (動物 園 行: 動物園;
// 営業 所行: 営業所). Returns the index in text where 行 starts, or -1.
qsizetype destinationToSplit(const std::vector<Token>& tokens, std::size_t& index)
{
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (!t.fixed.isEmpty() || t.spaceBefore || !tokens[i - 1].isNoun() || !tokens[i - 1].fixed.isEmpty())
            continue;
        const bool glued = t.surface.size() == 2 && t.surface[1] == QChar(u'行') && endsPlace(t.surface[0])
            && (i + 1 == tokens.size() || tokens[i + 1].pos() != QStringLiteral("名詞"));
        const bool apart = (t.surface == QStringLiteral("行") || t.surface == QStringLiteral("行き")) && i >= 2
            && tokens[i - 1].surface.size() == 1 && tokens[i - 2].isNoun() && !tokens[i - 1].spaceBefore;
        if (glued || apart) {
            index = i;
            return glued ? t.begin + 1 : t.begin;
        }
    }
    return -1;
}

// 町 after a name of two or more characters is usually チョー (浜松町,
// 神保町, 三番町); names the dictionary knows whole (元町, 田町) keep their
// reading, and after one character it stays マチ.
bool isChouSuffix(const std::vector<Token>& tokens, std::size_t i)
{
    const Token& t = tokens[i];
    if (i == 0 || t.surface != QStringLiteral("町") || t.spaceBefore || !t.fixed.isEmpty())
        return false;
    const Token& before = tokens[i - 1];
    return before.isNoun() && (before.surface.size() >= 2 || isNumberToken(before) || !before.fixed.isEmpty());
}

// A bridge after a name is バシ (桜橋), not the キョー of 歩道橋, which the
// dictionary has whole.
bool isBashiSuffix(const std::vector<Token>& tokens, std::size_t i)
{
    const Token& t = tokens[i];
    return i > 0 && t.surface == QStringLiteral("橋") && t.pos1() == QStringLiteral("接尾") && isPlaceLike(tokens[i - 1])
        && !t.spaceBefore;
}

// 方 is the polite カタ for people in the announcements' お降りの方,
// ご利用の方 and 不自由な方; 駅の方 (direction) stays ホー.
bool isPersonKata(const std::vector<Token>& tokens, std::size_t i)
{
    const Token& t = tokens[i];
    if (i == 0 || t.surface != QStringLiteral("方") || t.pos1() != QStringLiteral("非自立"))
        return false;
    const Token& before = tokens[i - 1];
    if (before.surface == QStringLiteral("な") && before.pos() == QStringLiteral("助動詞"))
        return true;
    if (before.surface != QStringLiteral("の") || i < 2)
        return false;
    // お / ご + noun + の: the noun may be one word with its prefix (お降り).
    for (std::size_t k = i - 2; k + 4 > i; --k) {
        const Token& word = tokens[k];
        if (word.surface.startsWith(QStringLiteral("お")) || word.surface.startsWith(QStringLiteral("ご"))
            || (k > 0 && tokens[k - 1].pos() == QStringLiteral("接頭詞")))
            return word.isNoun() || word.pos() == QStringLiteral("動詞");
        if (k == 0 || (!word.isNoun() && word.pos() != QStringLiteral("動詞")))
            return false;
    }
    return false;
}

// --- building the text -------------------------------------------------------------

// The pieces of a text in order. A word without a reading is left out.
class PieceList
{
public:
    void word(const QString& kana, bool newPhrase, const QString& surface, Source source)
    {
        if (!kana.isEmpty())
            m_pieces.push_back({Piece::Kind::Word, surface, kana, source, newPhrase});
    }
    void pause(QChar mark, const QString& surface)
    {
        m_pieces.push_back({Piece::Kind::Pause, surface, QString(mark), Source::Dictionary, false});
    }
    void wordBreak(const QString& surface)
    {
        m_pieces.push_back({Piece::Kind::Break, surface, QString(), Source::Dictionary, false});
    }
    std::vector<Piece> take() { return std::move(m_pieces); }

private:
    std::vector<Piece> m_pieces;
};

// The speakable text: phrases separated by spaces, so that the voice places
// its accents per phrase, and pauses as 、 and 。.
class Speakable
{
public:
    void word(const QString& kana, bool newPhrase)
    {
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

void addSymbol(PieceList& out, const QString& surface)
{
    static const QString shortPause = QStringLiteral("、,・");
    static const QString fullStop = QStringLiteral("。.!");
    if (surface == QLatin1String("%")) {
        out.word(QStringLiteral("パーセント"), false, surface, Source::Rule);
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
        out.wordBreak(surface);
    else
        out.pause(mark, surface);
}

bool hasKanji(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return isKanji(c); });
}

// The digits of a run of number tokens from i on (二 十 三 -> 23), and how
// many tokens it took; an empty text when they make no number.
QString numberAt(const std::vector<Token>& tokens, std::size_t i, std::size_t& count)
{
    if (isDigits(tokens[i].surface)) {
        count = 1;
        return tokens[i].surface;
    }
    QString kanji;
    count = 0;
    while (i + count < tokens.size() && isNumberToken(tokens[i + count]) && !isDigits(tokens[i + count].surface)
           && (count == 0 || !tokens[i + count].spaceBefore)) {
        kanji += tokens[i + count].surface;
        ++count;
    }
    return Numbers::kanjiToDigits(kanji);
}

// The pieces of tokens parsed from normal with fixed, in the order of the
// text.
std::vector<Piece> speak(const QString& normal, std::vector<Token> tokens, const std::vector<Text::Fixed>& fixed,
                         const Analyser& analyser)
{
    std::size_t index = 0;
    if (const qsizetype at = destinationToSplit(tokens, index); at > 0) {
        // The place before 行 read alone, then 行 as the destination suffix.
        std::vector<Text::Fixed> before;
        for (const Text::Fixed& f : fixed) {
            if (f.end <= at)
                before.push_back(f);
        }
        std::vector<Token> joined = analyser.tokens(normal.left(at), before);
        Token going = tokens[index];
        if (going.surface.size() == 2 && going.surface.endsWith(QChar(u'行'))) {
            going.surface = QStringLiteral("行");
            going.features = QStringLiteral("名詞,接尾,地域,*,*,*,行,ユキ,ユキ").split(QLatin1Char(','));
            going.begin = at;
        }
        joined.push_back(going);
        joined.insert(joined.end(), tokens.begin() + static_cast<std::ptrdiff_t>(index) + 1, tokens.end());
        tokens = std::move(joined);
    }
    PieceList out;
    // What the text writes from token first to token last.
    const auto surface = [&](std::size_t first, std::size_t last) {
        const qsizetype end = tokens[last].begin + tokens[last].surface.size();
        return normal.mid(tokens[first].begin, end - tokens[first].begin);
    };
    const Token* previous = nullptr;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const bool newPhrase = startsPhrase(t, previous);
        previous = &t;
        if (!t.fixed.isEmpty()) {
            out.word(spokenSpelling(t.fixed), newPhrase, t.surface, Source::Given);
            continue;
        }
        if (isDigits(t.surface) && i + 2 < tokens.size() && tokens[i + 1].surface == QLatin1String(".")
            && isDigits(tokens[i + 2].surface)) {
            // A decimal point and the decimals come as tokens of their own.
            QString decimals;
            for (QChar c : tokens[i + 2].surface)
                decimals += digitName(c.digitValue());
            out.word(numberReading(t.surface) + QStringLiteral("テン") + decimals, newPhrase, surface(i, i + 2),
                     Source::Number);
            i += 2;
            previous = &tokens[i];
            continue;
        }
        if (isNumberToken(t)) {
            std::size_t count = 0;
            const QString digits = numberAt(tokens, i, count);
            if (!digits.isEmpty()) {
                const std::size_t next = i + count;
                QString counted;
                if (next < tokens.size() && !tokens[next].spaceBefore) {
                    const bool afterMonth = i >= 1 && tokens[i - 1].surface == QStringLiteral("月");
                    counted = Numbers::counted(digits, tokens[next].surface, afterMonth);
                }
                const std::size_t last = counted.isEmpty() ? next - 1 : next;
                out.word(counted.isEmpty() ? numberReading(digits) : counted, newPhrase, surface(i, last), Source::Number);
                i = last;
                previous = &tokens[i];
                continue;
            }
        }
        if (isSymbol(t.surface)) {
            addSymbol(out, t.surface);
            continue;
        }
        if (isMaeBeforeGoing(tokens, i)) {
            out.word(QStringLiteral("マエ"), false, t.surface, Source::Rule);
            continue;
        }
        if (isDestination(tokens, i)) {
            out.word(QStringLiteral("ユキ"), false, t.surface, Source::Rule);
            continue;
        }
        if (isChouSuffix(tokens, i)) {
            out.word(QStringLiteral("チョー"), false, t.surface, Source::Rule);
            continue;
        }
        if (isBashiSuffix(tokens, i)) {
            out.word(QStringLiteral("バシ"), false, t.surface, Source::Rule);
            continue;
        }
        if (isPersonKata(tokens, i)) {
            out.word(QStringLiteral("カタ"), false, t.surface, Source::Rule);
            continue;
        }
        if (t.surface == QStringLiteral("々") && t.begin > 0 && isKanji(normal[t.begin - 1])) {
            // The repeat mark the dictionary has no word for (相野々): the
            // kanji before it once more.
            out.word(spellOut(QString(normal[t.begin - 1]), analyser), false, t.surface, Source::SpeltOut);
            continue;
        }
        const QString pronunciation = t.unknown ? QString() : t.pronunciation();
        if (pronunciation.isEmpty())
            out.word(spellOut(t.surface, analyser), newPhrase, t.surface, Source::SpeltOut);
        else if (t.isNoun() && hasKanji(t.surface))
            out.word(lengthenEi(pronunciation), newPhrase, t.surface, Source::Dictionary);
        else
            out.word(pronunciation, newPhrase, t.surface, Source::Dictionary);
    }
    return out.take();
}

// The speakable text of pieces.
QString joined(const std::vector<Piece>& pieces)
{
    Speakable out;
    for (const Piece& piece : pieces) {
        switch (piece.kind) {
        case Piece::Kind::Word:
            out.word(piece.reading, piece.newPhrase);
            break;
        case Piece::Kind::Pause:
            out.pause(piece.reading.at(0));
            break;
        case Piece::Kind::Break:
            out.wordBreak();
            break;
        }
    }
    return out.text();
}

// --- names ----------------------------------------------------------------------

// A word that can be part of a place's name.
bool isNameWord(const Token& t)
{
    return t.isNoun() && t.fixed.isEmpty() && t.pos1() != QStringLiteral("数") && t.pos1() != QStringLiteral("代名詞")
        && t.pos1() != QStringLiteral("非自立") && !isGoing(t) && !isSymbol(t.surface) && !isDigits(t.surface);
}

// The kana that names are written with between their words (宮の沢,
// 須ヶ口 read as 須が口).
bool joinsName(const Token& t)
{
    return t.surface == QStringLiteral("の") || t.surface == QStringLiteral("ノ") || t.surface == QStringLiteral("が")
        || t.surface == QStringLiteral("ケ");
}

// Whether the words from begin to end (exclusive) are a name: the text is
// nothing but names, or the dictionary calls one of the words a place (or
// does not know it), or the words stand where announcements put names:
// after 次は, before 行き, 行 or 方面.
bool isNameRun(const std::vector<Token>& tokens, std::size_t begin, std::size_t end, bool namesOnly)
{
    if (namesOnly)
        return true;
    for (std::size_t i = begin; i < end; ++i) {
        if (tokens[i].unknown || tokens[i].pos2() == QStringLiteral("地域"))
            return true;
    }
    std::size_t before = begin;
    while (before > 0 && isSymbol(tokens[before - 1].surface))
        --before;
    if (before >= 2 && tokens[before - 1].surface == QStringLiteral("は") && tokens[before - 2].surface == QStringLiteral("次"))
        return true;
    return end < tokens.size() && (isGoing(tokens[end]) || tokens[end].surface == QStringLiteral("方面"));
}

struct Span
{
    qsizetype begin;
    qsizetype end;
};

// The stretches of normal that are names: the route's stop names where they
// occur, then runs of words that isNameRun takes for names.
std::vector<Span> nameSpans(const QString& normal, const std::vector<Token>& tokens,
                            const std::vector<Text::Fixed>& fixed)
{
    std::vector<Span> spans;
    auto free = [&](qsizetype from, qsizetype to) {
        return std::none_of(fixed.begin(), fixed.end(), [&](const Text::Fixed& f) { return from < f.end && f.begin < to; })
            && std::none_of(spans.begin(), spans.end(), [&](const Span& s) { return from < s.end && s.begin < to; });
    };
    for (const QString& name : *current(routeNames())) {
        for (qsizetype at = normal.indexOf(name); at >= 0; at = normal.indexOf(name, at + name.size())) {
            if (free(at, at + name.size()))
                spans.push_back({at, at + name.size()});
        }
    }
    const bool namesOnly = std::all_of(tokens.begin(), tokens.end(), [](const Token& t) {
        return t.isNoun() || t.pos() == QStringLiteral("接頭詞") || isSymbol(t.surface) || isDigits(t.surface)
            || joinsName(t);
    });
    for (std::size_t i = 0; i < tokens.size();) {
        // A prefix (相生, 新大阪) begins the name it is joined to.
        const bool prefixed = tokens[i].pos() == QStringLiteral("接頭詞") && i + 1 < tokens.size()
            && isNameWord(tokens[i + 1]) && !tokens[i + 1].spaceBefore;
        if (!prefixed && (!isNameWord(tokens[i]) || tokens[i].pos1() == QStringLiteral("接尾"))) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        for (;;) {
            if (end < tokens.size() && isNameWord(tokens[end]) && !tokens[end].spaceBefore)
                ++end;
            else if (end + 1 < tokens.size() && joinsName(tokens[end]) && isNameWord(tokens[end + 1])
                     && !tokens[end].spaceBefore && !tokens[end + 1].spaceBefore)
                end += 2;
            else
                break;
        }
        const qsizetype from = tokens[i].begin;
        const qsizetype to = tokens[end - 1].begin + tokens[end - 1].surface.size();
        if (isNameRun(tokens, i, end, namesOnly) && free(from, to))
            spans.push_back({from, to});
        i = end;
    }
    return spans;
}

// Fixes the readings of names that the rules would read otherwise than the
// people of the place: the region's habits, then the place names that start
// each name. Returns whether anything was fixed.
bool fixNames(const QString& normal, const std::vector<Token>& tokens, const Analyser& analyser,
              std::vector<Text::Fixed>& fixed)
{
    const std::shared_ptr<const PlaceNames::Dictionary> names = placeNames();
    const std::shared_ptr<const std::vector<UserReading>> habitList = current(habits());
    if (!names && habitList->empty())
        return false;
    std::vector<qsizetype> wordEnds;
    for (const Token& t : tokens)
        wordEnds.push_back(t.begin + t.surface.size());
    const std::size_t before = fixed.size();
    for (const Span& span : nameSpans(normal, tokens, fixed)) {
        for (Text::Fixed& habit : PlaceNames::habitsIn(normal, span.begin, span.end, wordEnds, *habitList, fixed))
            fixed.push_back(std::move(habit));
        if (!names)
            continue;
        // The dictionary reads the start of the name, up to what is fixed.
        qsizetype limit = span.end;
        for (const Text::Fixed& f : fixed) {
            if (f.begin >= span.begin && f.begin < limit)
                limit = f.begin;
        }
        const QStringView start = QStringView(normal).sliced(span.begin, limit - span.begin);
        // A name never ends inside a word MeCab knows (図書 in 図書館); its
        // guesses at unknown words may be cut anywhere.
        auto cutsWord = [&](qsizetype end) {
            return std::any_of(tokens.begin(), tokens.end(), [&](const Token& t) {
                return !t.unknown && t.begin < end && end < t.begin + t.surface.size();
            });
        };
        qsizetype length = names->longestName(start);
        while (length >= 2 && cutsWord(span.begin + length))
            length = names->longestName(start.first(length - 1));
        if (length < 2)
            continue;
        const QString name = start.first(length).toString();
        // The rules' reading of the name on its own: what follows it (駅)
        // must not change how a name is read.
        const QString rules = joined(speak(name, analyser.tokens(name), {}, analyser));
        std::vector<PlaceNames::Reading> readings = names->readings(name);
        const bool listed = std::any_of(readings.begin(), readings.end(),
                                        [&](const PlaceNames::Reading& r) { return PlaceNames::sameSound(r.kana, rules); });
        // A name that is one ordinary word of MeCab's (図書館, 放出) is read
        // right by it more often than by a reading that only one of the
        // dictionaries gives.
        const bool word = std::any_of(tokens.begin(), tokens.end(), [&](const Token& t) {
            return t.begin == span.begin && t.surface.size() == length && !t.unknown
                && t.pos1() != QStringLiteral("固有名詞");
        });
        if (word && !listed)
            std::erase_if(readings, [](const PlaceNames::Reading& r) { return std::popcount(r.sources) < 2; });
        // Where the dictionaries agree with the rules nothing is fixed: a voice
        // that analyses the text itself then keeps its accent for the name.
        if (listed)
            continue;
        const QString chosen = PlaceNames::choose(readings, rules);
        if (!chosen.isEmpty())
            fixed.push_back({span.begin, span.begin + length, chosen});
    }
    std::sort(fixed.begin(), fixed.end(), [](const Text::Fixed& a, const Text::Fixed& b) { return a.begin < b.begin; });
    return fixed.size() != before;
}

} // namespace

QString dictionaryDir()
{
    return DataPaths::mecabDictionary().path;
}

void load(const QString& dictionaryDir)
{
    if (!QFileInfo(dictionaryDir + QStringLiteral("/sys.dic")).isFile())
        throw AppError(ErrNo::FileNotFound,
                       QStringLiteral("読み上げに使う MeCab の辞書 (%1) がありません。%2 を導入してください。")
                           .arg(dictionaryDir, DictionaryPackage));
    {
        std::lock_guard lock(analyserMutex());
        if (!loadedAnalyser())
            loadedAnalyser() = std::make_shared<const Analyser>(dictionaryDir);
        if (places().set)
            return;
    }
    // Read outside the lock: announcements already read meanwhile go without
    // the place names. Whatever is missing is said once at start-up; the
    // place names are never a reason to go without speech.
    std::shared_ptr<const PlaceNames::Dictionary> names;
    try {
        names = PlaceNames::loadInstalled().dictionary;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "地名の読みの辞書を読めません: %s\n", e.what());
    }
    std::lock_guard lock(analyserMutex());
    if (!places().set)
        places() = {true, std::move(names)};
}

void setPlaceNames(std::shared_ptr<const PlaceNames::Dictionary> names)
{
    std::lock_guard lock(analyserMutex());
    places() = {true, std::move(names)};
}

std::shared_ptr<const PlaceNames::Dictionary> placeNames()
{
    std::lock_guard lock(analyserMutex());
    return places().names;
}

void setRouteNames(const QStringList& names)
{
    // A route of 301 stops repeats many names; a set keeps this linear.
    QStringList normalised;
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString n = Text::normalise(name).trimmed();
        if (!n.isEmpty() && !seen.contains(n)) {
            seen.insert(n);
            normalised << n;
        }
    }
    std::stable_sort(normalised.begin(), normalised.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    replace(routeNames(), std::move(normalised));
}

void setUserReadings(std::vector<UserReading> readings)
{
    replace(userReadings(), longestFirst(std::move(readings)));
}

void setHabits(std::vector<UserReading> list)
{
    replace(habits(), longestFirst(std::move(list)));
}

namespace {

// One file of readings in folder; no file means none.
std::vector<UserReading> readReadings(const QString& folder, const QString& name, QStringList& problems)
{
    const QString path = ApiLib::FindFileNoCase(ApiLib::withTrailingSeparator(folder) + name);
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("読みの辞書 %1 を開けません。").arg(path);
        return {};
    }
    Text::ReadingsFile parsed = Text::parseReadings(file.readAll(), QFileInfo(path).fileName());
    problems += parsed.problems;
    return std::move(parsed.readings);
}

} // namespace

QStringList loadReadingsFile(const QString& folder)
{
    QStringList problems;
    setUserReadings(readReadings(folder, ReadingsFileName, problems));
    setHabits(readReadings(folder, PlaceNames::HabitsFileName, problems));
    return problems;
}

std::vector<Piece> pieces(const QString& text)
{
    QString normal = Text::normalise(text);
    static const QRegularExpression thousands(QStringLiteral("(?<=\\d),(?=\\d{3}(?!\\d))"));
    normal.remove(thousands);
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n\\t]+"));
    normal.replace(lineBreaks, QStringLiteral("、"));
    // Quotes and brackets have no sound, but MeCab reads what follows them
    // as if it began a compound ("次は -> ジワ): they only part words.
    static const QRegularExpression brackets(QStringLiteral("[\"'(){}\\[\\]「」『』【】〈〉〔〕“”‘’]"));
    normal.replace(brackets, QStringLiteral(" "));
    std::vector<Text::Fixed> fixed;
    normal = Text::takeRuby(normal, fixed);
    Text::fixUserReadings(normal, *current(userReadings()), fixed);

    const std::shared_ptr<const Analyser> mecab = analyser();
    std::vector<Token> tokens = mecab->tokens(normal, fixed);
    if (fixNames(normal, tokens, *mecab, fixed))
        tokens = mecab->tokens(normal, fixed);
    return speak(normal, std::move(tokens), fixed, *mecab);
}

QString toSpeakable(const QString& text)
{
    return joined(pieces(text));
}

} // namespace Yomi
