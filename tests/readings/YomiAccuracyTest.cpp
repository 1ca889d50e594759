// How many bus-stop names and announcement phrases come out right, by kind.
// The cases (YomiAccuracyCases.tsv) were written for this test, not taken
// from the program's word lists; a reading counts as right when it matches
// one of the accepted readings after both are normalised the same way.

#include "AccuracyCases.h"
#include "readings/Yomi.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace {

char vowelOf(QChar c)
{
    static const QString a = QStringLiteral("アカサタナハマヤラワガザダバパァャヮ");
    static const QString i = QStringLiteral("イキシチニヒミリギジヂビピィ");
    static const QString u = QStringLiteral("ウクスツヌフムユルグズヅブプゥュヴ");
    static const QString e = QStringLiteral("エケセテネヘメレゲゼデベペェ");
    static const QString o = QStringLiteral("オコソトノホモヨロヲゴゾドボポォョ");
    if (a.contains(c))
        return 'a';
    if (i.contains(c))
        return 'i';
    if (u.contains(c))
        return 'u';
    if (e.contains(c))
        return 'e';
    if (o.contains(c))
        return 'o';
    return 0;
}

} // namespace

// Katakana only, with every long vowel written ー: the voice says コウ, コオ
// and コー alike, and エイ in Chinese readings as エー. Spaces, pauses and
// marks are left out; ヲ, ヂ, ヅ are spelt as they sound.
QString comparable(const QString& reading)
{
    QString kana;
    for (QChar c : reading) {
        if (c.unicode() >= 0x3041 && c.unicode() <= 0x3096)
            c = QChar(c.unicode() + 0x60);
        if ((c.unicode() >= 0x30A1 && c.unicode() <= 0x30FA) || c == QChar(0x30FC))
            kana += c;
    }
    kana.replace(QChar(u'ヲ'), QChar(u'オ')).replace(QChar(u'ヂ'), QChar(u'ジ')).replace(QChar(u'ヅ'), QChar(u'ズ'));
    static const QString vowels = QStringLiteral("アイウエオ");
    QString out;
    char vowel = 0;
    for (QChar c : kana) {
        const char v = vowelOf(c);
        if (vowels.contains(c) && vowel
            && (v == vowel || (c == QChar(u'ウ') && vowel == 'o') || (c == QChar(u'イ') && vowel == 'e'))) {
            out += QChar(0x30FC);
            continue;
        }
        out += c;
        if (c != QChar(0x30FC))
            vowel = v;
    }
    return out;
}

TEST(YomiAccuracyTest, LongVowelsAndMarksCompareEqual)
{
    const char* same[][2] = {
        {"イッチョウメ", "イッチョーメ"}, {"オオサカ", "オーサカ"}, {"ケイトウ", "ケートー"},
        {"ツギワ、シュウテン。", "ツギワ シューテン"}, {"きゅうこう", "キューコー"}, {"ヲ", "オ"},
    };
    for (const auto& s : same)
        EXPECT_EQ(comparable(QString::fromUtf8(s[0])), comparable(QString::fromUtf8(s[1]))) << s[0];
    const char* different[][2] = {
        {"イチチョウメ", "イッチョウメ"}, {"オフリ", "オオリ"}, {"ホウ", "カタ"}, {"マチ", "チョウ"},
    };
    for (const auto& d : different)
        EXPECT_NE(comparable(QString::fromUtf8(d[0])), comparable(QString::fromUtf8(d[1]))) << d[0];
}

TEST(YomiAccuracyTest, StopNamesAndPhrasesByKind)
{
    struct Score
    {
        int right = 0;
        int all = 0;
        QStringList misses;
    };
    std::map<QString, Score> kinds;
    int cases = 0;
    for (const AccuracyCase& c : readAccuracyCases(QStringLiteral(YOMI_CASES))) {
        ++cases;
        const QString said = Yomi::toSpeakable(c.text);
        bool right = false;
        for (const QString& accepted : c.accepted)
            right = right || comparable(said) == comparable(accepted);
        Score& s = kinds[c.kind];
        ++s.all;
        if (right)
            ++s.right;
        else
            s.misses << QStringLiteral("%1 -> %2 (%3)").arg(c.text, said, c.accepted.join(QLatin1Char('|')));
    }
    EXPECT_GE(cases, 200);
    int right = 0;
    for (const auto& [kind, s] : kinds) {
        right += s.right;
        std::printf("[ accuracy ] %-12s %3d / %3d  %5.1f %%\n", kind.toUtf8().constData(), s.right, s.all,
                    100.0 * s.right / s.all);
        for (const QString& m : s.misses)
            std::printf("[   miss   ]   %s\n", m.toUtf8().constData());
    }
    const double total = 100.0 * right / cases;
    std::printf("[ accuracy ] %-12s %3d / %3d  %5.1f %%\n", "all", right, cases, total);
    EXPECT_GE(total, 97.0);
}
