#include "Convert.h"
#include "FareCsv.h"

#include "ConverterFiles.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QString oneValueRow(int line, const QString& name = QStringLiteral("停留所"))
{
    return QStringLiteral("%1,%2,170\n").arg(name).arg(line);
}

TEST(FareCsv, ParsesQuotingLineEndsCommentsAndDefaults)
{
    const QString text = QStringLiteral(
        "# 系統 12\r\n"
        "\r\n"
        "中央駅,1,170,-1,0,32767,-32768\r\n"
        "\"本町,一丁目\",2\n"
        "   \n"
        "#,3,999\n"
        "\"言う\"\"駅\"\"\" , 3 ,, +5 ,,\r\n"
        ",4,1");
    const auto recs = FareCsv::parse(text);
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(recs[0].Chimei, QStringLiteral("中央駅"));
    EXPECT_EQ(recs[0].SeiriNum, 1);
    const std::int16_t first[] = {170, -1, 0, 32767, -32768};
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_EQ(recs[0].Fare[k], first[k]);
    EXPECT_EQ(recs[0].Fare[5], 0);
    EXPECT_EQ(recs[1].Chimei, QStringLiteral("本町,一丁目"));
    EXPECT_EQ(recs[1].Fare, (std::array<std::int16_t, 150>{}));
    EXPECT_EQ(recs[2].Chimei, QStringLiteral("言う\"駅\""));
    EXPECT_EQ(recs[2].SeiriNum, 3);
    EXPECT_EQ(recs[2].Fare[0], 0);
    EXPECT_EQ(recs[2].Fare[1], 5);
    EXPECT_EQ(recs[3].Chimei, QString());
    EXPECT_EQ(recs[3].Fare[0], 1);
}

TEST(FareCsv, AcceptsExactlyTheLimits)
{
    QString rows = QStringLiteral("# 301 rows\n");
    for (int r = 1; r <= 301; ++r)
        rows += oneValueRow(r);
    EXPECT_EQ(FareCsv::parse(rows).size(), 301u);

    QString wide = QStringLiteral("a,1");
    for (int k = 1; k <= 150; ++k)
        wide += QStringLiteral(",%1").arg(k);
    const auto recs = FareCsv::parse(wide + QStringLiteral(",,,\n"));
    EXPECT_EQ(recs[0].Fare[149], 150);
}

TEST(FareCsv, RefusesBadInputNamingTheLine)
{
    QString tooMany = QStringLiteral("# comment first\n");
    for (int r = 1; r <= 302; ++r)
        tooMany += oneValueRow(r);
    QString tooWide = QStringLiteral("a,1");
    for (int k = 1; k <= 151; ++k)
        tooWide += QStringLiteral(",1");

    const struct { QString text; int line; QString mentions; } cases[] = {
        {tooMany, 303, QStringLiteral("最大 301")},
        {QStringLiteral("a,1\n#\n") + tooWide, 3, QStringLiteral("151")},
        {QStringLiteral("a,1,32768"), 1, QStringLiteral("範囲外")},
        {QStringLiteral("a,1\nb,2,1,-32769"), 2, QStringLiteral("4 列目 (値 2)")},
        {QStringLiteral("a,40000"), 1, QStringLiteral("整理券番号")},
        {QStringLiteral("a,1,99999999999999999999"), 1, QStringLiteral("範囲外")},
        {QStringLiteral("\n\na,1,1.5"), 3, QStringLiteral("「1.5」は整数ではありません")},
        {QStringLiteral("a,1,１７０"), 1, QStringLiteral("整数ではありません")},
        {QStringLiteral("a,1,-"), 1, QStringLiteral("整数ではありません")},
        {QStringLiteral("ok,1\r\ncafé,2"), 2, QStringLiteral("U+00E9")},
        {QStringLiteral("バス") + QString::fromUtf8("\xF0\x9F\x9A\x8C") + QStringLiteral(",1"), 1,
         QStringLiteral("U+1F68C")},
        {QStringLiteral("\"unterminated,1,2"), 1, QStringLiteral("閉じていません")},
        {QStringLiteral("\"a\"b,1"), 1, QStringLiteral("余分な文字")},
        {QStringLiteral("中央駅"), 1, QStringLiteral("整理券番号がありません")},
        {QStringLiteral("a,1,2\rb,2,3"), 1, QStringLiteral("CR")},
        {QStringLiteral("# only a comment\n\n"), 0, QStringLiteral("1 行もありません")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(40).toStdString());
        try {
            FareCsv::parse(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const FareCsv::Error& e) {
            EXPECT_EQ(e.line(), c.line);
            if (c.line > 0) {
                EXPECT_TRUE(e.message().startsWith(QStringLiteral("%1 行目: ").arg(c.line))) << e.what();
            }
            EXPECT_TRUE(e.message().contains(c.mentions)) << e.what();
        }
    }
}

TEST(FareCsv, DecodesCodePage932OrUtf8WithByteOrderMark)
{
    const QByteArray sjis = *Cp932::encode(QStringLiteral("中央駅,1,170\r\n"));
    EXPECT_EQ(FareCsv::decode(sjis), QStringLiteral("中央駅,1,170\r\n"));
    EXPECT_EQ(FareCsv::decode("\xEF\xBB\xBF" + QStringLiteral("中央駅,1").toUtf8()), QStringLiteral("中央駅,1"));

    const struct { QByteArray bytes; int line; QString mentions; } bad[] = {
        {"a,1\r\nb,2\r\n\x82", 3, QStringLiteral("Shift-JIS")},
        {QStringLiteral("a,1\n駅,2").toUtf8(), 2, QStringLiteral("UTF-8 のファイルのようです")},
        {"\xEF\xBB\xBF" "a,1\n\x92\x86,2", 2, QStringLiteral("UTF-8 として読めない")},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        try {
            FareCsv::decode(c.bytes);
            ADD_FAILURE() << "decoded";
        } catch (const FareCsv::Error& e) {
            EXPECT_EQ(e.line(), c.line);
            EXPECT_TRUE(e.message().contains(c.mentions)) << e.what();
        }
    }
}

TEST(FareCsv, FormatReadsBackAndLeavesOutTrailingZeros)
{
    std::vector<Hy3File::Record> recs(6);
    const QString names[] = {QStringLiteral("中央駅"), QStringLiteral("本町,一丁目"), QStringLiteral("\"駅\""),
                             QStringLiteral("#3"), QStringLiteral(" 空白 "), QString()};
    for (std::size_t i = 0; i < recs.size(); ++i) {
        recs[i].Chimei = names[i];
        recs[i].SeiriNum = static_cast<std::int16_t>(i + 1);
    }
    recs[0].Fare[0] = 170;
    recs[0].Fare[2] = -1;
    recs[1].Fare.fill(-32768);
    recs[2].Fare[149] = 32767;

    const QString text = FareCsv::format(recs);
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n中央駅,1,170,0,-1\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n,6\r\n")));
    const auto back = FareCsv::parse(text);
    ASSERT_EQ(back.size(), recs.size());
    for (std::size_t i = 0; i < recs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(back[i].Chimei, recs[i].Chimei);
        EXPECT_EQ(back[i].SeiriNum, recs[i].SeiriNum);
        EXPECT_EQ(back[i].Fare, recs[i].Fare);
    }

    recs[4].Chimei = QStringLiteral("二行\n目");
    EXPECT_THROW(FareCsv::format(recs), FareCsv::Error);
}

TEST(FareCsv, AStatementLineLaysTheRouteOutForABoard)
{
    const struct
    {
        const char* text;
        BoardLayout layout;
        std::size_t stops;
    } cases[] = {
        {"中央駅,1,170\n", BoardLayout::Tickets12, 1},
        {"運賃表示器,整理券36\n中央駅,1,170\n", BoardLayout::Tickets36, 1},
        {"中央駅,1,170\n# x\n 運賃表示器 , 整理券36 ,,,\n", BoardLayout::Tickets36, 1}, // anywhere, padded as spreadsheets do
        {"\"運賃表示器\",\"整理券36\"\n中央駅,1\n", BoardLayout::Tickets36, 1},
        {"運賃表示器,整理券12\n中央駅,1\n", BoardLayout::Tickets12, 1},
        // A ticket number makes it a stop, as it always was.
        {"運賃表示器,36\n", BoardLayout::Tickets12, 1},
        {"運賃表示器,\n運賃表示器,-5,170\n", BoardLayout::Tickets12, 2},
        {"# 運賃表示器,整理券36\n中央駅,1\n", BoardLayout::Tickets12, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        BoardLayout layout = c.layout == BoardLayout::Tickets12 ? BoardLayout::Tickets36 : BoardLayout::Tickets12;
        const auto records = FareCsv::parse(QString::fromUtf8(c.text), &layout);
        EXPECT_EQ(layout, c.layout);
        EXPECT_EQ(records.size(), c.stops);
    }

    const struct
    {
        const char* text;
        int line;
        const char* mentions;
    } refused[] = {
        {"運賃表示器,整理券24\n中央駅,1\n", 1, "運賃表示器「整理券24」は指定できません"},
        {"中央駅,1\n運賃表示器,整理券３６\n", 2, "「整理券３６」"},
        {"運賃表示器,整理券36,170\n中央駅,1\n", 1, "3 列目以降を書けません"},
        {"運賃表示器,整理券36\n中央駅,1\n運賃表示器,整理券36\n", 3, "2 回あります (1 回目は 1 行目)"},
        {"運賃表示器,整理券36\n", 0, "1 行もありません"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.text);
        try {
            FareCsv::parse(QString::fromUtf8(c.text));
            ADD_FAILURE() << "accepted";
        } catch (const FareCsv::Error& e) {
            EXPECT_EQ(e.line(), c.line);
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.mentions))) << e.what();
        }
    }

    std::vector<Hy3File::Record> recs(1);
    recs[0].Chimei = QStringLiteral("東山");
    recs[0].SeiriNum = 40;
    recs[0].Fare[39] = 800;
    const QString text = FareCsv::format(recs, BoardLayout::Tickets36);
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n運賃表示器,整理券36\r\n東山,40,"))) << text.toStdString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("# 停留所名,整理券番号,値 1～150 (整理券 1～150 の運賃")));
    BoardLayout back = BoardLayout::Tickets12;
    EXPECT_EQ(FareCsv::parse(text, &back)[0].Fare, recs[0].Fare);
    EXPECT_EQ(back, BoardLayout::Tickets36);
    EXPECT_FALSE(FareCsv::format(recs).contains(QStringLiteral("運賃表示器")));
}

class Hy3ConvFiles : public ConverterFiles
{
protected:
    const QByteArray csv = *Cp932::encode(QStringLiteral("# 系統\r\n中央駅,1,170\r\n\"市役所,前\",2,180,170,-1\r\n"));
};

TEST_F(Hy3ConvFiles, ConvertsBothWays)
{
    put(QStringLiteral("in.csv"), csv);
    EXPECT_EQ(Hy3Conv::csvToHy3(path(QStringLiteral("in.csv")), path(QStringLiteral("12.hy3"))).records, 2);
    const QByteArray hy3 = get(QStringLiteral("12.hy3"));
    EXPECT_EQ(hy3.size(), 2 + (304 + 6) + (304 + 9));

    put(QStringLiteral("tail.hy3"), hy3 + "junk");
    const auto outcome = Hy3Conv::hy3ToCsv(path(QStringLiteral("tail.hy3")), path(QStringLiteral("out.csv")));
    EXPECT_EQ(outcome.records, 2);
    ASSERT_EQ(outcome.warnings.size(), 1);
    EXPECT_TRUE(outcome.warnings[0].contains(QStringLiteral("4 バイト")));

    Hy3Conv::csvToHy3(path(QStringLiteral("out.csv")), path(QStringLiteral("again.hy3")));
    EXPECT_EQ(get(QStringLiteral("again.hy3")), hy3);
}

TEST_F(Hy3ConvFiles, ThirtySixTicketFilesCarryTheirTrailerBothWays)
{
    put(QStringLiteral("in.csv"), *Cp932::encode(QStringLiteral("運賃表示器,整理券36\r\n中央駅,1,170\r\n東山,40,800,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,170\r\n")));
    Hy3Conv::csvToHy3(path(QStringLiteral("in.csv")), path(QStringLiteral("80.hy3")));
    const QByteArray hy3 = get(QStringLiteral("80.hy3"));
    EXPECT_EQ(hy3.size(), 2 + (304 + 6) + (304 + 4) + 12);
    EXPECT_TRUE(hy3.endsWith(QByteArray("HY3BOARD\x01\x00\x24\x00", 12)));

    const auto outcome = Hy3Conv::hy3ToCsv(path(QStringLiteral("80.hy3")), path(QStringLiteral("80.csv")));
    EXPECT_TRUE(outcome.warnings.isEmpty()) << "the trailer is known: " << outcome.warnings.join(' ').toStdString();
    const QString csvText = *Cp932::decode(get(QStringLiteral("80.csv")));
    EXPECT_TRUE(csvText.contains(QStringLiteral("\r\n運賃表示器,整理券36\r\n"))) << csvText.toStdString();
    Hy3Conv::csvToHy3(path(QStringLiteral("80.csv")), path(QStringLiteral("again.hy3")));
    EXPECT_EQ(get(QStringLiteral("again.hy3")), hy3);

    put(QStringLiteral("broken.hy3"), hy3.chopped(1));
    try {
        Hy3Conv::hy3ToCsv(path(QStringLiteral("broken.hy3")), path(QStringLiteral("broken.csv")));
        ADD_FAILURE() << "a broken trailer was read";
    } catch (const Hy3Conv::Failure& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("broken.hy3: 最後のレコードの後の運賃表示器の指定 (HY3BOARD) が壊れています")))
            << e.what();
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("broken.csv"))));
}

TEST_F(Hy3ConvFiles, FailedConversionLeavesOutputAsItWas)
{
    put(QStringLiteral("good.csv"), csv);
    put(QStringLiteral("bad.csv"), csv + "x,1,32768\r\n");
    put(QStringLiteral("short.hy3"), Hy3File::write(FareCsv::parse(FareCsv::decode(csv))).chopped(1));
    put(QStringLiteral("out.hy3"), "previous");
    put(QStringLiteral("out.csv"), "previous");
    const QStringList before = files();

    const struct { bool toHy3; QString in, out, mentions; } cases[] = {
        {true, QStringLiteral("bad.csv"), QStringLiteral("out.hy3"), QStringLiteral("4 行目: 3 列目")},
        {true, QStringLiteral("none.csv"), QStringLiteral("out.hy3"), QStringLiteral("見つかりません")},
        {false, QStringLiteral("short.hy3"), QStringLiteral("out.csv"), QStringLiteral("途中で終わっています")},
    };
    for (const auto& c : cases) {
        try {
            c.toHy3 ? Hy3Conv::csvToHy3(path(c.in), path(c.out)) : Hy3Conv::hy3ToCsv(path(c.in), path(c.out));
            ADD_FAILURE() << "converted " << c.in.toStdString();
        } catch (const Hy3Conv::Failure& e) {
            EXPECT_TRUE(e.message().contains(c.in) && e.message().contains(c.mentions)) << e.what();
        }
        EXPECT_EQ(get(c.out), "previous");
    }

    // The disk "fills up" after 100 bytes of the new file (a file size limit
    // on the tool's process): only writing a side file and renaming it when
    // complete keeps the old output whole.
    QProcess p;
    p.setChildProcessModifier([] {
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
    });
    p.start(QStringLiteral(HY3CONV), {QStringLiteral("to-hy3"), path(QStringLiteral("good.csv")), path(QStringLiteral("out.hy3"))});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("書き込みが途中で失敗しました")));
    EXPECT_EQ(get(QStringLiteral("out.hy3")), "previous");
    // Nor is any temporary file left behind.
    EXPECT_EQ(files(), before);
}

TEST_F(Hy3ConvFiles, CommandLineExitCodesAndMessages)
{
    put(QStringLiteral("bad.csv"), csv + "x,1,1.5\r\n");
    put(QStringLiteral("good.csv"), csv);
    const auto run = [](const QStringList& args, QString* err = nullptr) {
        QProcess p;
        p.start(QStringLiteral(HY3CONV), args);
        p.waitForFinished(10000);
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({QStringLiteral("to-xls"), path(QStringLiteral("good.csv")), path(QStringLiteral("o"))}), 2);
    EXPECT_EQ(run({QStringLiteral("to-hy3"), path(QStringLiteral("good.csv")), path(QStringLiteral("7.hy3"))}), 0);
    EXPECT_EQ(run({QStringLiteral("to-csv"), path(QStringLiteral("7.hy3")), path(QStringLiteral("7.csv"))}), 0);
    EXPECT_EQ(FareCsv::parse(FareCsv::decode(get(QStringLiteral("7.csv")))).size(), 2u);
    QString err;
    EXPECT_EQ(run({QStringLiteral("to-hy3"), path(QStringLiteral("bad.csv")), path(QStringLiteral("x.hy3"))}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("bad.csv: 4 行目: 3 列目"))) << err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("x.hy3"))));
}

} // namespace
