#include "PluginFile.h"
#include "TicketPainter.h"
#include "platform/Cp932.h"
#include "platform/mdlSeiriken.h"

#include <MirvRes.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <numeric>
#include <sys/stat.h>

namespace {

using PluginFile::Kind;

const QString Samples = QStringLiteral(SAMPLE_PLUGINS);
const QString Midori = Samples + QStringLiteral("/midori-barcode.4SP");
const QString Hibari = Samples + QStringLiteral("/hibari-plain.4SP");

// Valid as written; every bad case below breaks one thing in it.
const QString Base = QStringLiteral(
    "4SP-PLUGIN 1\n"
    "[Info]\n"
    "nHeadValue = 7\nnPrevWidth = 120\nnPrevHeight = 60\n"
    "nCanDate = 1\nnCanTime = 0\nnCanKeito = 1\nnCanTeimei = 1\n"
    "nCanBarcode = 1\nnBarcodeCount = 1\nnKeitoMax = 99\nnBarcodeKeitoMode = 1\n"
    "nStopFrom = 2\nnStopTo = 40\nnCorpCount = 2\n"
    "[Notes]\n\n  一行目; そのまま\n\n[Memo] ではない行\n\n"
    "[Companies]\nＡ交通\n; 注記\nＢバス\n"
    "[Layout]\n"
    "number x=80 y=0 w=40 h=40 size=30\n"
    "date x=0 y=0 w=80 h=12 size=10\n"
    "route x=0 y=12 w=80 h=12 size=10\n"
    "stop x=0 y=24 w=80 h=16 size=12 maxbytes=8\n"
    "barcode data=route x=0 y=44 w=60 h=14\n");

// The library tells a terminal why it refused a file; the refusals here are
// on purpose.
class QuietRefusals : public ::testing::Environment
{
public:
    void SetUp() override { QLoggingCategory::setFilterRules(QStringLiteral("mirvres.plugin.info=false")); }
};

const auto* const quietRefusals = ::testing::AddGlobalTestEnvironment(new QuietRefusals);

using Info = std::array<std::int32_t, 14>;

Info fields(const PlgInfo& info)
{
    Info out;
    std::memcpy(out.data(), &info, sizeof info);
    return out;
}

class PluginFiles : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

TEST_F(PluginFiles, ValidFilesFillTheRecord)
{
    QByteArray crlf = QByteArray("\xEF\xBB\xBF") + Base.toUtf8();
    crlf.replace("\n", "\r\n");
    const Info base{7, 120, 60, 1, 0, 1, 1, 1, 1, 99, 1, 2, 40, 2};
    const struct { const char* name; QString path; Info info; } cases[] = {
        {"barcode sample", Midori, {1, 220, 96, 1, 1, 1, 1, 1, 2, 999, 0, 1, 99, 3}},
        {"plain sample", Hibari, {1, 180, 90, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"utf-8", write(QStringLiteral("a.4SP"), Base.toUtf8()), base},
        {"cp932", write(QStringLiteral("b.4SP"), Cp932::encode(Base).value()), base},
        {"bom and crlf", write(QStringLiteral("c.4SP"), crlf), base},
        // Only 1 means "prints it": other values are declarations the options page shows as not possible.
        {"capability 2", write(QStringLiteral("d.4SP"), QString(Base).replace(QStringLiteral("nCanDate = 1"), QStringLiteral("nCanDate = 2"))
                                                          .remove(QStringLiteral("date x=0 y=0 w=80 h=12 size=10\n")).toUtf8()),
         {7, 120, 60, 2, 0, 1, 1, 1, 1, 99, 1, 2, 40, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlgInfo info{};
        ASSERT_TRUE(mdlSeiriken::Mrv_GetPlgInfo(c.path, info));
        EXPECT_EQ(fields(info), c.info);
    }
    // The program hands paths over in code page 932.
    ASSERT_TRUE(QDir(path({})).mkdir(QStringLiteral("整理券")));
    PlgInfo info{};
    EXPECT_TRUE(mdlSeiriken::Mrv_GetPlgInfo(write(QStringLiteral("整理券/～①.4SP"), Base.toUtf8()), info));
}

TEST_F(PluginFiles, AnythingElseIsRefusedForItsReasonAndLeavesTheRecord)
{
    ASSERT_TRUE(PluginFile::parse(Base.toUtf8()));
    QString manyFields = Base;
    for (int i = 0; i < PluginFile::MaxFields; ++i)
        manyFields += QStringLiteral("rule x=0 y=0 w=1 h=1\n");
    const struct { const char* name; QString from, to; const char* reason; } edits[] = {
        {"newer version", QStringLiteral("4SP-PLUGIN 1"), QStringLiteral("4SP-PLUGIN 2"), "この版 (2)"},
        {"no magic", QStringLiteral("4SP-PLUGIN 1\n"), {}, "1 行目"},
        {"missing key", QStringLiteral("nCorpCount = 2\n"), {}, "nCorpCount がありません"},
        {"unknown key", QStringLiteral("nHeadValue = 7"), QStringLiteral("nHeadValue = 7\nnCanFly = 1"), "nCanFly"},
        {"duplicate key", QStringLiteral("nCanTime = 0"), QStringLiteral("nCanTime = 0\nnCanTime = 0"), "重複"},
        {"not a number", QStringLiteral("nPrevWidth = 120"), QStringLiteral("nPrevWidth = 12O"), "整数ではありません"},
        {"beyond 32 bits", QStringLiteral("nHeadValue = 7"), QStringLiteral("nHeadValue = 9999999999"), "範囲"},
        {"absurd width", QStringLiteral("nPrevWidth = 120"), QStringLiteral("nPrevWidth = 100000"), "nPrevWidth"},
        {"zero height", QStringLiteral("nPrevHeight = 60"), QStringLiteral("nPrevHeight = 0"), "nPrevHeight = 0"},
        {"stop range inverted", QStringLiteral("nStopTo = 40"), QStringLiteral("nStopTo = 1"), "nStopTo"},
        {"company count", QStringLiteral("nCorpCount = 2"), QStringLiteral("nCorpCount = 3"), "nCorpCount (3)"},
        {"field outside", QStringLiteral("stop x=0 y=24 w=80"), QStringLiteral("stop x=0 y=24 w=121"), "はみ出し"},
        {"narrow barcode", QStringLiteral("w=60 h=14"), QStringLiteral("w=46 h=14"), "バーコードの幅"},
        {"date not printed", QStringLiteral("date x=0 y=0 w=80 h=12 size=10\n"), {}, "nCanDate = 1"},
        {"time not declared", QStringLiteral("[Layout]\n"), QStringLiteral("[Layout]\ntime x=0 y=0 w=9 h=9 size=4\n"), "nCanTime"},
        {"barcode count", QStringLiteral("nBarcodeCount = 1"), QStringLiteral("nBarcodeCount = 2"), "barcode の数"},
        {"no ticket number", QStringLiteral("number x=80 y=0 w=40 h=40 size=30\n"), {}, "number"},
        {"unknown section", QStringLiteral("[Companies]"), QStringLiteral("[Firms]"), "[Firms]"},
        {"unknown attribute", QStringLiteral("size=30"), QStringLiteral("size=30 blink"), "blink"},
        {"attribute of another kind", QStringLiteral("size=30"), QStringLiteral("size=30 maxbytes=4"), "maxbytes"},
        {"open quote", QStringLiteral("size=10\nroute"), QStringLiteral("size=10 format=\"YYYY\nroute"), "閉じて"},
        {"bad colour", QStringLiteral("[Layout]"), QStringLiteral("[Paper]\nink = red\n[Layout]"), "#RRGGBB"},
        {"outside a section", QStringLiteral("[Info]"), QStringLiteral("nHeadValue = 7\n[Info]"), "セクション"},
        {"too many fields", Base, manyFields, "64"},
        {"notes too long", QStringLiteral("[Notes]\n"), QStringLiteral("[Notes]\n") + QString(4001, u'x'), "[Notes]"},
        {"truncated", Base, Base.left(Base.indexOf(QStringLiteral("nBarcodeCount"))), "nBarcodeCount がありません"},
    };
    const struct { const char* name; QByteArray bytes; const char* reason; } raw[] = {
        {"NUL", Base.toUtf8() + QByteArray("\0junk", 5), "NUL"},
        {"control character", Base.toUtf8() + "\x01", "制御文字"},
        {"neither encoding", Base.toUtf8() + "\x81\x20", "文字コード"},
        {"too large", Base.toUtf8() + QByteArray(PluginFile::MaxFileBytes, ';'), "大きすぎます"},
        {"empty", QByteArray(), "1 行目"},
    };
    QList<std::pair<QString, QByteArray>> files;
    for (const auto& e : edits) {
        QString text = Base;
        text.replace(e.from, e.to);
        QString error;
        EXPECT_FALSE(PluginFile::parse(text.toUtf8(), &error)) << e.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(e.reason))) << e.name << ": " << error.toStdString();
        files.append({QString::fromUtf8(e.name), text.toUtf8()});
    }
    for (const auto& r : raw) {
        QString error;
        EXPECT_FALSE(PluginFile::parse(r.bytes, &error)) << r.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(r.reason))) << r.name << ": " << error.toStdString();
        files.append({QString::fromUtf8(r.name), r.bytes});
    }
    QRandomGenerator random(517);
    QByteArray junk(4096, '\0');
    random.fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
    files.append({QStringLiteral("junk"), junk});

    QStringList paths{path(QStringLiteral("missing.4SP")), path({}), {}};
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo.4SP"))).constData(), 0600), 0);
    paths.append(path(QStringLiteral("fifo.4SP")));
    for (const auto& [name, bytes] : files)
        paths.append(write(name + QStringLiteral(".4SP"), bytes));
    paths.append(path(QStringLiteral("bus\U0001F68C.4SP")));
    QFile::copy(Midori, paths.last());

    Info untouched;
    untouched.fill(0x5A5A5A5A);
    for (const QString& p : paths) {
        SCOPED_TRACE(p.toStdString());
        PlgInfo info;
        std::memset(&info, 0x5A, sizeof info);
        EXPECT_FALSE(mdlSeiriken::Mrv_GetPlgInfo(p, info));
        EXPECT_EQ(fields(info), untouched);
    }
    EXPECT_EQ(Mrv_GetPlgInfo(nullptr, nullptr), 0);
}

TEST_F(PluginFiles, NotesAndCompaniesGoIntoTheGivenControls)
{
    const QString base = write(QStringLiteral("base.4SP"), Base.toUtf8());
    QPlainTextEdit plain(QStringLiteral("old"));
    QTextEdit rich(QStringLiteral("old"));
    QLineEdit line(QStringLiteral("old"));
    QLabel label(QStringLiteral("old"));
    for (QWidget* box : std::initializer_list<QWidget*>{&plain, &rich, &line, &label})
        mdlSeiriken::Mrv_SetPlgComment(base, box);
    // Blank lines around the notes go; the author's lines stay as written.
    EXPECT_EQ(plain.toPlainText(), QStringLiteral("  一行目; そのまま\n\n[Memo] ではない行"));
    EXPECT_EQ(rich.toPlainText(), plain.toPlainText());
    EXPECT_EQ(line.text(), QStringLiteral("  一行目; そのまま  [Memo] ではない行"));
    EXPECT_EQ(label.text(), QStringLiteral("old"));

    mdlSeiriken::Mrv_SetPlgComment(Hibari, &plain);
    EXPECT_TRUE(plain.toPlainText().startsWith(QStringLiteral("ひばり交通の簡易な整理券")));
    mdlSeiriken::Mrv_SetPlgComment(path(QStringLiteral("missing.4SP")), &plain);
    EXPECT_TRUE(plain.toPlainText().startsWith(QStringLiteral("ひばり交通の簡易な整理券")));

    QComboBox combo;
    combo.addItem(QStringLiteral("既存"));
    mdlSeiriken::Mrv_SetCorpAddList(Midori, &combo);
    mdlSeiriken::Mrv_SetCorpAddList(Hibari, &combo); // one fixed name: nothing to switch
    mdlSeiriken::Mrv_SetCorpAddList(path(QStringLiteral("missing.4SP")), &combo);
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items.append(combo.itemText(i));
    EXPECT_EQ(items, (QStringList{QStringLiteral("既存"), QStringLiteral("みどり交通"), QStringLiteral("さくら市営バス"),
                                  QStringLiteral("はなみ観光バス")}));
    const QByteArray midori = Cp932::encode(Midori).value();
    EXPECT_EQ(Mrv_SetCorpAddList(midori.constData(), &label), 0);
}

// --- the drawn ticket ----------------------------------------------------------

struct Draw
{
    QString stop = QStringLiteral("市役所前");
    QString date = QStringLiteral("05-11-2024");
    std::int32_t route = 12;
    std::int16_t ticket = 12;
    std::int16_t stopIndex = 5;
    std::int32_t company = 0;
};

const QColor Background(Qt::magenta);

QImage render(const QString& plugin, const Draw& d, QString* handedBack = nullptr, QPoint origin = {})
{
    QImage image(240, 110, QImage::Format_RGB32);
    image.fill(Background);
    QPainter painter(&image);
    painter.translate(origin);
    const QString back = mdlSeiriken::Mrv_DrawSeiriken(plugin, painter, d.stop, d.date, QStringLiteral("14:05:09"),
                                                       d.route, d.ticket, d.stopIndex, d.company);
    if (handedBack)
        *handedBack = back;
    return image;
}

QRect difference(const QImage& a, const QImage& b)
{
    QRect r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}

QRect areaOf(const QString& plugin, Kind kind, int nth = 0)
{
    const auto p = PluginFile::load(plugin);
    for (const auto& f : p.value().fields) {
        if (f.kind == kind && nth-- == 0)
            return f.rect;
    }
    return {};
}

TEST(Ticket, CoversItsOwnSizeAtThePaintersOrigin)
{
    for (const QPoint origin : {QPoint(0, 0), QPoint(10, 7)}) {
        const QImage image = render(Midori, {}, nullptr, origin);
        const QRect ticket(origin, QSize(220, 96));
        int covered = 0, outside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                (ticket.contains(x, y) ? covered : outside) += image.pixelColor(x, y) == Background ? 0 : 1;
        EXPECT_EQ(covered, 220 * 96);
        EXPECT_EQ(outside, 0);
    }
}

TEST(Ticket, EachValueChangesOnlyItsField)
{
    const struct { const char* name; std::function<void(Draw&)> change; QString plugin; QRect area; } cases[] = {
        {"stop name", [](Draw& d) { d.stop.clear(); }, Midori, areaOf(Midori, Kind::Stop)},
        {"ticket number", [](Draw& d) { d.ticket = 7; }, Midori, areaOf(Midori, Kind::Number)},
        {"ticket number, mincho", [](Draw& d) { d.ticket = 3; }, Hibari, areaOf(Hibari, Kind::Number)},
        {"company", [](Draw& d) { d.company = 2; }, Midori, areaOf(Midori, Kind::Company)},
        {"date", [](Draw& d) { d.date = QStringLiteral("2024/05/12"); }, Hibari, areaOf(Hibari, Kind::Date)},
        {"stop index", [](Draw& d) { d.stopIndex = 6; }, Midori, areaOf(Midori, Kind::Barcode, 1)},
        {"route", [](Draw& d) { d.route = 7; }, Midori, areaOf(Midori, Kind::Route) | areaOf(Midori, Kind::Barcode, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Draw changed;
        c.change(changed);
        const QRect diff = difference(render(c.plugin, {}), render(c.plugin, changed));
        EXPECT_FALSE(diff.isEmpty());
        EXPECT_TRUE(c.area.contains(diff)) << diff.x() << "," << diff.y() << " " << diff.width() << "x" << diff.height();
    }
    // A company index off the list prints the first company.
    for (const std::int32_t company : {-1, 3, 1000}) {
        Draw d;
        d.company = company;
        EXPECT_TRUE(difference(render(Midori, {}), render(Midori, d)).isEmpty()) << company;
    }
}

// Reads an Industrial 2 of 5 symbol across one row; "" when there are no bars.
QString readBars(const QImage& image, const QRect& area)
{
    QList<int> runs;
    bool dark = false;
    for (int x = area.left(); x <= area.right(); ++x) {
        const bool d = qGray(image.pixel(x, area.center().y())) < 128;
        if (runs.isEmpty() && !d)
            continue;
        if (runs.isEmpty() || d != dark)
            runs.append(0);
        dark = d;
        ++runs.last();
    }
    if (!runs.isEmpty() && !dark)
        runs.removeLast();
    if (runs.isEmpty())
        return {};
    const int narrow = *std::min_element(runs.cbegin(), runs.cend());
    QString wide;
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const bool w = runs[i] > 2 * narrow;
        if (i % 2 == 1 && w)
            return QStringLiteral("wide space");
        if (i % 2 == 0)
            wide += w ? u'w' : u'n';
    }
    if (!wide.startsWith(QStringLiteral("wwn")) || !wide.endsWith(QStringLiteral("wnw")) || (wide.size() - 6) % 5 != 0)
        return QStringLiteral("bad frame ") + wide;
    QString digits;
    const int weights[5] = {1, 2, 4, 7, 0};
    for (qsizetype g = 3; g + 5 <= wide.size() - 3; g += 5) {
        int sum = 0;
        for (int k = 0; k < 5; ++k)
            sum += wide[g + k] == u'w' ? weights[k] : 0;
        digits += QString::number(sum == 11 ? 0 : sum);
    }
    return digits;
}

TEST(Ticket, BarcodesCarryRouteAndStopWithinTheDeclaredRanges)
{
    const struct { std::int32_t route; std::int16_t stop; QString routeBars, stopBars; } cases[] = {
        {12, 5, QStringLiteral("0120"), QStringLiteral("05")},
        {999, 99, QStringLiteral("9990"), QStringLiteral("99")},
        {1, 1, QStringLiteral("0010"), QStringLiteral("01")},
        {1000, 100, {}, {}},
        {0, 0, {}, {}},
        {-3, -1, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.route);
        Draw d;
        d.route = c.route;
        d.stopIndex = c.stop;
        const QImage image = render(Midori, d);
        EXPECT_EQ(readBars(image, areaOf(Midori, Kind::Barcode, 0)), c.routeBars);
        EXPECT_EQ(readBars(image, areaOf(Midori, Kind::Barcode, 1)), c.stopBars);
    }
    // Serial numbering carries the route alone.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("serial.4SP")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Base.toUtf8());
    file.close();
    Draw d;
    d.route = 7;
    EXPECT_EQ(readBars(render(file.fileName(), d), QRect(0, 44, 60, 14)), QStringLiteral("07"));
    for (int n = 1; n <= 6; ++n) {
        const QList<int> pattern = TicketPainter::barPattern(QString(n, u'8'));
        EXPECT_EQ(std::accumulate(pattern.cbegin(), pattern.cend(), 0), TicketPainter::barcodeModules(n));
    }
}

TEST(Ticket, StopNameIsCutToThePluginsLimitAndHandedBack)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("limit.4SP")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Base.toUtf8()); // maxbytes=8
    file.close();
    const struct { QString plugin; QString name; QString back; } cases[] = {
        {file.fileName(), QStringLiteral("中央駅東口"), QStringLiteral("中央駅東")},
        {file.fileName(), QStringLiteral("AB中央駅"), QStringLiteral("AB中央駅")},
        {file.fileName(), QStringLiteral("A中央駅東"), QStringLiteral("A中央駅")}, // never half a character
        {file.fileName(), QStringLiteral("ｱｲｳｴｵｶｷｸｹ"), QStringLiteral("ｱｲｳｴｵｶｷｸ")},
        {file.fileName(), QString(), QString()},
        {Midori, QStringLiteral("奥山温泉バスターミナル前"), QStringLiteral("奥山温泉バスターミナル前")},
        {dir.filePath(QStringLiteral("missing.4SP")), QStringLiteral("中央駅東口"), QStringLiteral("中央駅東口")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        Draw d;
        d.stop = c.name;
        QString back;
        render(c.plugin, d, &back);
        EXPECT_EQ(back, c.back);
    }
}

TEST(Ticket, NothingIsDrawnWithoutAPluginOrAPainter)
{
    const QImage untouched = render(QStringLiteral("/nonexistent/x.4SP"), {});
    EXPECT_EQ(untouched.pixelColor(0, 0), Background);
    EXPECT_TRUE(difference(untouched, render(Samples, {})).isEmpty());

    const QByteArray path = Cp932::encode(Midori).value();
    char stop[] = "abc";
    char date[] = "05-11-2024";
    EXPECT_EQ(Mrv_DrawSeiriken(path.constData(), nullptr, stop, date, "14:05:09", 1, 1, 1, 0), 0);
    QPainter idle;
    EXPECT_EQ(Mrv_DrawSeiriken(path.constData(), &idle, stop, date, "14:05:09", 1, 1, 1, 0), 0);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    EXPECT_EQ(Mrv_DrawSeiriken(path.constData(), &painter, nullptr, nullptr, nullptr, 1, 1, 1, 0), 1);
}

TEST(Ticket, DateAndTimeFormats)
{
    const struct { QString given, format, printed; } dates[] = {
        {QStringLiteral("05-11-2024"), QStringLiteral("YYYY年M月D日(W)"), QStringLiteral("2024年5月11日(土)")},
        {QStringLiteral("2024/5/6"), QStringLiteral("YY.MM.DD W"), QStringLiteral("24.05.06 月")},
        {QStringLiteral("12-31-2023"), QStringLiteral("D/M/YYYY"), QStringLiteral("31/12/2023")},
        {QStringLiteral("02-30-2024"), QStringLiteral("YYYY"), QStringLiteral("02-30-2024")},
        {QStringLiteral("令和6年"), QStringLiteral("YYYY"), QStringLiteral("令和6年")},
        {QString(), QStringLiteral("YYYY"), QString()},
    };
    for (const auto& c : dates)
        EXPECT_EQ(TicketPainter::formatDate(c.given, c.format), c.printed) << c.given.toStdString();
    const struct { QString given, format, printed; } times[] = {
        {QStringLiteral("14:05:09"), QStringLiteral("hh:mm"), QStringLiteral("14:05")},
        {QStringLiteral("07:05:09"), QStringLiteral("h時mm分ss秒"), QStringLiteral("7時05分09秒")},
        {QStringLiteral("7:05"), QStringLiteral("hh:mm:ss"), QStringLiteral("07:05:00")},
        {QStringLiteral("24:00:00"), QStringLiteral("hh"), QStringLiteral("24:00:00")},
    };
    for (const auto& c : times)
        EXPECT_EQ(TicketPainter::formatTime(c.given, c.format), c.printed) << c.given.toStdString();
}

} // namespace
