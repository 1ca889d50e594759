#include "PluginFile.h"

#include "TicketPainter.h"
#include "platform/Cp932.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace PluginFile {

namespace {

const QString Magic = QStringLiteral("4SP-PLUGIN");
constexpr int Version = 1;

// A failure found while reading; carries the message the caller may show.
struct Invalid
{
    QString message;
};

[[noreturn]] void fail(int line, const QString& message)
{
    throw Invalid{line > 0 ? QStringLiteral("%1 行目: %2").arg(line).arg(message) : message};
}

struct InfoKey
{
    const char* name;
    std::int32_t PlgInfo::*member;
    qint64 min;
    qint64 max;
};

// In the record's order; the ranges keep every value meaningful to the panel
// (a preview box it can show, counts it can list).
const std::array<InfoKey, 14> InfoKeys{{
    {"nHeadValue", &PlgInfo::nHeadValue, 0, 2147483647},
    {"nPrevWidth", &PlgInfo::nPrevWidth, 40, 640},
    {"nPrevHeight", &PlgInfo::nPrevHeight, 20, 480},
    {"nCanDate", &PlgInfo::nCanDate, 0, 9},
    {"nCanTime", &PlgInfo::nCanTime, 0, 9},
    {"nCanKeito", &PlgInfo::nCanKeito, 0, 9},
    {"nCanTeimei", &PlgInfo::nCanTeimei, 0, 9},
    {"nCanBarcode", &PlgInfo::nCanBarcode, 0, 9},
    {"nBarcodeCount", &PlgInfo::nBarcodeCount, 0, MaxBarcodes},
    {"nKeitoMax", &PlgInfo::nKeitoMax, 0, 99999},
    {"nBarcodeKeitoMode", &PlgInfo::nBarcodeKeitoMode, 0, 2},
    {"nStopFrom", &PlgInfo::nStopFrom, 0, 9999},
    {"nStopTo", &PlgInfo::nStopTo, 0, 9999},
    {"nCorpCount", &PlgInfo::nCorpCount, 0, MaxCompanies},
}};

// UTF-8 (with or without a byte-order mark) or, failing that, code page 932.
QString decodeText(QByteArray bytes)
{
    if (bytes.contains('\0'))
        fail(0, QStringLiteral("テキストではありません (NUL を含みます)。"));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        std::optional<QString> sjis = Cp932::decode(bytes);
        if (!sjis)
            fail(0, QStringLiteral("文字コードが UTF-8 でも CP932 でもありません。"));
        text = *sjis;
    }
    for (const QChar c : std::as_const(text)) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n')
            fail(0, QStringLiteral("テキストではありません (制御文字を含みます)。"));
    }
    return text;
}

std::optional<qint64> toNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]{1,10}$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    return text.toLongLong();
}

QColor toColor(const QString& text)
{
    static const QRegularExpression hex(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    return hex.match(text).hasMatch() ? QColor(text) : QColor();
}

// "name = value"; the value may be empty.
std::pair<QString, QString> splitAssignment(const QString& line, int lineNo)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        fail(lineNo, QStringLiteral("「名前 = 値」の形ではありません。"));
    return {line.left(eq).trimmed(), line.mid(eq + 1).trimmed()};
}

struct Attribute
{
    QString value;
    bool flag = false; // written without "=value"
};

// kind name=value name="quoted value" flag ...
std::pair<QString, QHash<QString, Attribute>> tokenize(const QString& line, int lineNo)
{
    QHash<QString, Attribute> attributes;
    qsizetype i = 0;
    const qsizetype n = line.size();
    auto skipBlanks = [&] {
        while (i < n && line[i].isSpace())
            ++i;
    };
    auto word = [&] {
        const qsizetype from = i;
        while (i < n && !line[i].isSpace() && line[i] != u'=' && line[i] != u'"')
            ++i;
        return line.mid(from, i - from);
    };
    skipBlanks();
    const QString kind = word();
    for (skipBlanks(); i < n; skipBlanks()) {
        const QString name = word();
        if (name.isEmpty())
            fail(lineNo, QStringLiteral("属性の名前がありません。"));
        Attribute attribute;
        if (i < n && line[i] == u'=') {
            ++i;
            if (i < n && line[i] == u'"') {
                const qsizetype close = line.indexOf(u'"', i + 1);
                if (close < 0)
                    fail(lineNo, QStringLiteral("「\"」が閉じていません。"));
                attribute.value = line.mid(i + 1, close - i - 1);
                i = close + 1;
            } else {
                attribute.value = word();
            }
            if (i < n && !line[i].isSpace())
                fail(lineNo, QStringLiteral("属性 %1 の値の後に空白がありません。").arg(name));
        } else {
            attribute.flag = true;
        }
        if (attributes.contains(name))
            fail(lineNo, QStringLiteral("属性 %1 が重複しています。").arg(name));
        attributes.insert(name, attribute);
    }
    return {kind, attributes};
}

const QHash<QString, Kind>& kinds()
{
    static const QHash<QString, Kind> table{
        {QStringLiteral("text"), Kind::Text},       {QStringLiteral("company"), Kind::Company},
        {QStringLiteral("date"), Kind::Date},       {QStringLiteral("time"), Kind::Time},
        {QStringLiteral("route"), Kind::Route},     {QStringLiteral("stop"), Kind::Stop},
        {QStringLiteral("number"), Kind::Number},   {QStringLiteral("barcode"), Kind::Barcode},
        {QStringLiteral("rule"), Kind::Rule},       {QStringLiteral("frame"), Kind::Frame},
    };
    return table;
}

bool printsText(Kind kind)
{
    return kind != Kind::Barcode && kind != Kind::Rule && kind != Kind::Frame;
}

// The attributes a kind accepts besides x, y, w, h and color.
QStringList attributesOf(Kind kind)
{
    QStringList names;
    if (printsText(kind))
        names << QStringLiteral("size") << QStringLiteral("align") << QStringLiteral("bold") << QStringLiteral("face");
    if (printsText(kind) && kind != Kind::Text)
        names << QStringLiteral("prefix") << QStringLiteral("suffix");
    switch (kind) {
    case Kind::Text:
        names << QStringLiteral("text");
        break;
    case Kind::Date:
    case Kind::Time:
        names << QStringLiteral("format");
        break;
    case Kind::Route:
    case Kind::Number:
        names << QStringLiteral("digits");
        break;
    case Kind::Stop:
        names << QStringLiteral("maxbytes");
        break;
    case Kind::Barcode:
        names << QStringLiteral("data");
        break;
    default:
        break;
    }
    return names;
}

class Reader
{
public:
    Plugin read(const QString& text);

private:
    enum class Section { None, Info, Notes, Companies, Paper, Layout };

    void readLine(const QString& line, int lineNo);
    void startSection(const QString& name, int lineNo);
    void readInfo(const QString& line, int lineNo);
    void readPaper(const QString& line, int lineNo);
    void readField(const QString& line, int lineNo);
    void check();
    void checkField(const Field& field, int lineNo) const;

    Plugin m_plugin;
    Section m_section = Section::None;
    QList<Section> m_seen;
    QHash<QString, qint64> m_info;
    QStringList m_notes;
    QList<int> m_fieldLines;
    QHash<QString, bool> m_paperKeys;
    QList<qsizetype> m_paperFaceFields;
};

Plugin Reader::read(const QString& text)
{
    m_plugin.paper = QColor(0xFF, 0xFE, 0xF6);
    m_plugin.ink = QColor(0x20, 0x20, 0x20);
    m_plugin.border = QColor(0xA0, 0xA0, 0xA0);

    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    const QString first = lines.value(0).trimmed();
    if (!first.startsWith(Magic + u' '))
        fail(1, QStringLiteral("1 行目が「%1 %2」ではありません。").arg(Magic).arg(Version));
    if (first != QStringLiteral("%1 %2").arg(Magic).arg(Version))
        fail(1, QStringLiteral("この版 (%1) のプラグインは読めません。").arg(first.mid(Magic.size() + 1)));
    for (int i = 1; i < lines.size(); ++i)
        readLine(lines[i], i + 1);
    check();
    return m_plugin;
}

void Reader::readLine(const QString& line, int lineNo)
{
    static const QRegularExpression header(QStringLiteral("^\\s*\\[([^\\]]*)\\]\\s*$"));
    if (const auto m = header.match(line); m.hasMatch()) {
        startSection(m.captured(1), lineNo);
        return;
    }
    // The notes are the plug-in author's free text: kept as written.
    if (m_section == Section::Notes) {
        m_notes.append(line);
        return;
    }
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u';'))
        return;
    switch (m_section) {
    case Section::None:
        fail(lineNo, QStringLiteral("セクション ([Info] など) の外に書かれています。"));
    case Section::Info:
        readInfo(trimmed, lineNo);
        break;
    case Section::Companies:
        if (trimmed.size() > MaxCompanyChars)
            fail(lineNo, QStringLiteral("社名が %1 文字を超えています。").arg(MaxCompanyChars));
        if (m_plugin.companies.size() == MaxCompanies)
            fail(lineNo, QStringLiteral("社名は %1 件までです。").arg(MaxCompanies));
        m_plugin.companies.append(trimmed);
        break;
    case Section::Paper:
        readPaper(trimmed, lineNo);
        break;
    case Section::Layout:
        readField(trimmed, lineNo);
        break;
    case Section::Notes:
        break;
    }
}

void Reader::startSection(const QString& name, int lineNo)
{
    static const QHash<QString, Section> sections{
        {QStringLiteral("Info"), Section::Info},           {QStringLiteral("Notes"), Section::Notes},
        {QStringLiteral("Companies"), Section::Companies}, {QStringLiteral("Paper"), Section::Paper},
        {QStringLiteral("Layout"), Section::Layout},
    };
    const Section section = sections.value(name, Section::None);
    if (section == Section::None)
        fail(lineNo, QStringLiteral("知らないセクション [%1] です。").arg(name));
    if (m_seen.contains(section))
        fail(lineNo, QStringLiteral("セクション [%1] が二度あります。").arg(name));
    m_seen.append(section);
    m_section = section;
}

void Reader::readInfo(const QString& line, int lineNo)
{
    // Named references rather than a structured binding: clang 14 cannot
    // capture a binding in a lambda.
    const auto assignment = splitAssignment(line, lineNo);
    const QString& key = assignment.first;
    const QString& value = assignment.second;
    const auto known = std::find_if(InfoKeys.begin(), InfoKeys.end(),
                                    [&key](const InfoKey& k) { return key == QLatin1String(k.name); });
    if (known == InfoKeys.end())
        fail(lineNo, QStringLiteral("知らない項目 %1 です。").arg(key));
    if (m_info.contains(key))
        fail(lineNo, QStringLiteral("項目 %1 が重複しています。").arg(key));
    const std::optional<qint64> number = toNumber(value);
    if (!number)
        fail(lineNo, QStringLiteral("%1 の値「%2」は整数ではありません。").arg(key, value));
    if (*number < known->min || *number > known->max)
        fail(lineNo, QStringLiteral("%1 = %2 は範囲 (%3～%4) の外です。").arg(key).arg(*number).arg(known->min).arg(known->max));
    m_info.insert(key, *number);
    m_plugin.info.*(known->member) = static_cast<std::int32_t>(*number);
}

void Reader::readPaper(const QString& line, int lineNo)
{
    const auto [key, value] = splitAssignment(line, lineNo);
    if (m_paperKeys.contains(key))
        fail(lineNo, QStringLiteral("項目 %1 が重複しています。").arg(key));
    m_paperKeys.insert(key, true);
    if (key == QLatin1String("face")) {
        if (value != QLatin1String("gothic") && value != QLatin1String("mincho"))
            fail(lineNo, QStringLiteral("face は gothic か mincho です。"));
        m_plugin.face = value == QLatin1String("mincho") ? Face::Mincho : Face::Gothic;
        return;
    }
    QColor* target = key == QLatin1String("paper") ? &m_plugin.paper
        : key == QLatin1String("ink")              ? &m_plugin.ink
        : key == QLatin1String("border")           ? &m_plugin.border
                                                   : nullptr;
    if (!target)
        fail(lineNo, QStringLiteral("知らない項目 %1 です。").arg(key));
    if (key == QLatin1String("border") && value == QLatin1String("none")) {
        *target = QColor();
        return;
    }
    const QColor colour = toColor(value);
    if (!colour.isValid())
        fail(lineNo, QStringLiteral("%1 の色「%2」は #RRGGBB の形ではありません。").arg(key, value));
    *target = colour;
}

void Reader::readField(const QString& line, int lineNo)
{
    if (m_plugin.fields.size() == MaxFields)
        fail(lineNo, QStringLiteral("レイアウトの行は %1 行までです。").arg(MaxFields));
    // Named references rather than a structured binding: clang 14 cannot
    // capture a binding in a lambda.
    auto tokens = tokenize(line, lineNo);
    const QString& kindName = tokens.first;
    auto& attributes = tokens.second;
    if (!kinds().contains(kindName))
        fail(lineNo, QStringLiteral("知らない印字項目 %1 です。").arg(kindName));
    Field field;
    field.kind = kinds().value(kindName);
    field.align = field.kind == Kind::Number ? Qt::AlignHCenter : Qt::AlignLeft;

    const QStringList allowed = attributesOf(field.kind)
        + QStringList{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("w"), QStringLiteral("h"), QStringLiteral("color")};
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it) {
        if (!allowed.contains(it.key()))
            fail(lineNo, QStringLiteral("%1 に属性 %2 は使えません。").arg(kindName, it.key()));
        if (it->flag != (it.key() == QLatin1String("bold")))
            fail(lineNo, it->flag ? QStringLiteral("属性 %1 に値がありません。").arg(it.key())
                                  : QStringLiteral("bold は値を取りません。"));
    }
    auto number = [&](const char* name, qint64 min, qint64 max, bool required) -> int {
        const QString key = QLatin1String(name);
        if (!attributes.contains(key)) {
            if (required)
                fail(lineNo, QStringLiteral("%1 に属性 %2 がありません。").arg(kindName, key));
            return 0;
        }
        const std::optional<qint64> n = toNumber(attributes.value(key).value);
        if (!n || *n < min || *n > max)
            fail(lineNo, QStringLiteral("属性 %1 は %2～%3 の整数です。").arg(key).arg(min).arg(max));
        return static_cast<int>(*n);
    };
    auto text = [&](const char* name) { return attributes.value(QLatin1String(name)).value; };

    field.rect = QRect(number("x", 0, 640, true), number("y", 0, 480, true), number("w", 1, 640, true),
                       number("h", 1, 480, true));
    if (printsText(field.kind))
        field.size = number("size", 4, 200, true);
    if (attributes.contains(QStringLiteral("align"))) {
        const QString a = text("align");
        if (a == QLatin1String("left"))
            field.align = Qt::AlignLeft;
        else if (a == QLatin1String("center"))
            field.align = Qt::AlignHCenter;
        else if (a == QLatin1String("right"))
            field.align = Qt::AlignRight;
        else
            fail(lineNo, QStringLiteral("align は left、center、right のどれかです。"));
    }
    field.bold = attributes.contains(QStringLiteral("bold"));
    if (attributes.contains(QStringLiteral("face"))) {
        const QString f = text("face");
        if (f != QLatin1String("gothic") && f != QLatin1String("mincho"))
            fail(lineNo, QStringLiteral("face は gothic か mincho です。"));
        field.face = f == QLatin1String("mincho") ? Face::Mincho : Face::Gothic;
    } else {
        // Resolved in check(): [Paper] may come after [Layout].
        m_paperFaceFields.append(m_plugin.fields.size());
    }
    if (attributes.contains(QStringLiteral("color"))) {
        field.color = toColor(text("color"));
        if (!field.color.isValid())
            fail(lineNo, QStringLiteral("color「%1」は #RRGGBB の形ではありません。").arg(text("color")));
    }
    field.text = text("text");
    if (field.kind == Kind::Text && field.text.isEmpty())
        fail(lineNo, QStringLiteral("text に印字する文字 (text=\"...\") がありません。"));
    field.prefix = text("prefix");
    field.suffix = text("suffix");
    field.format = attributes.contains(QStringLiteral("format")) ? text("format")
        : field.kind == Kind::Date                                ? QStringLiteral("YYYY.MM.DD")
                                                                  : QStringLiteral("hh:mm");
    field.digits = number("digits", 1, 9, false);
    field.maxBytes = number("maxbytes", 2, 255, false);
    if (field.kind == Kind::Barcode) {
        const QString d = text("data");
        if (d != QLatin1String("route") && d != QLatin1String("stop"))
            fail(lineNo, QStringLiteral("barcode の data は route か stop です。"));
        field.data = d == QLatin1String("stop") ? BarcodeData::Stop : BarcodeData::Route;
    }
    m_plugin.fields.append(field);
    m_fieldLines.append(lineNo);
}

void Reader::check()
{
    for (const InfoKey& key : InfoKeys) {
        if (!m_info.contains(QLatin1String(key.name)))
            fail(0, QStringLiteral("[Info] に %1 がありません。").arg(QLatin1String(key.name)));
    }
    if (!m_seen.contains(Section::Layout))
        fail(0, QStringLiteral("[Layout] がありません。"));

    const PlgInfo& info = m_plugin.info;
    if (info.nStopTo < info.nStopFrom)
        fail(0, QStringLiteral("nStopTo が nStopFrom より小さくなっています。"));
    const bool barcodes = info.nCanBarcode == 1;
    if (barcodes && (info.nBarcodeCount < 1 || info.nKeitoMax < 1))
        fail(0, QStringLiteral("バーコードを印字するときは nBarcodeCount と nKeitoMax が 1 以上です。"));
    const auto companies = static_cast<int>(m_plugin.companies.size());
    if (info.nCorpCount >= 1 && companies != info.nCorpCount)
        fail(0, QStringLiteral("nCorpCount (%1) と [Companies] の社名の数 (%2) が違います。").arg(info.nCorpCount).arg(companies));
    if (info.nCorpCount == 0 && companies > 1)
        fail(0, QStringLiteral("社名の切り替えがない (nCorpCount = 0) ときに書ける社名は 1 件だけです。"));

    while (!m_notes.isEmpty() && m_notes.first().trimmed().isEmpty())
        m_notes.removeFirst();
    while (!m_notes.isEmpty() && m_notes.last().trimmed().isEmpty())
        m_notes.removeLast();
    m_plugin.notes = m_notes.join(u'\n');
    if (m_plugin.notes.size() > MaxNotesChars)
        fail(0, QStringLiteral("[Notes] が %1 文字を超えています。").arg(MaxNotesChars));

    for (const qsizetype i : std::as_const(m_paperFaceFields))
        m_plugin.fields[i].face = m_plugin.face;

    for (qsizetype i = 0; i < m_plugin.fields.size(); ++i)
        checkField(m_plugin.fields[i], m_fieldLines[i]);

    auto count = [this](Kind kind) {
        return std::count_if(m_plugin.fields.cbegin(), m_plugin.fields.cend(),
                             [kind](const Field& f) { return f.kind == kind; });
    };
    if (count(Kind::Number) == 0)
        fail(0, QStringLiteral("[Layout] に整理券番号 (number) がありません。"));
    // What the plug-in declares is what the options page lists: the layout
    // must print exactly that.
    const struct { Kind kind; std::int32_t declared; const char* key; const char* name; } promised[] = {
        {Kind::Date, info.nCanDate, "nCanDate", "date"},
        {Kind::Time, info.nCanTime, "nCanTime", "time"},
        {Kind::Route, info.nCanKeito, "nCanKeito", "route"},
        {Kind::Stop, info.nCanTeimei, "nCanTeimei", "stop"},
    };
    for (const auto& p : promised) {
        if ((p.declared == 1) != (count(p.kind) > 0))
            fail(0, p.declared == 1
                     ? QStringLiteral("%1 = 1 ですが [Layout] に %2 がありません。").arg(QLatin1String(p.key), QLatin1String(p.name))
                     : QStringLiteral("%1 が 1 でないのに [Layout] に %2 があります。").arg(QLatin1String(p.key), QLatin1String(p.name)));
    }
    const auto bars = static_cast<int>(count(Kind::Barcode));
    if (bars != (barcodes ? info.nBarcodeCount : 0))
        fail(0, QStringLiteral("[Layout] の barcode の数 (%1) が宣言 (nCanBarcode, nBarcodeCount) と合いません。").arg(bars));
    if (count(Kind::Company) > 0 && m_plugin.companies.isEmpty())
        fail(0, QStringLiteral("company を印字するには [Companies] に社名が要ります。"));
}

void Reader::checkField(const Field& field, int lineNo) const
{
    const QRect ticket(0, 0, m_plugin.info.nPrevWidth, m_plugin.info.nPrevHeight);
    if (!ticket.contains(field.rect))
        fail(lineNo, QStringLiteral("印字位置が券 (%1 × %2) の外にはみ出しています。").arg(ticket.width()).arg(ticket.height()));
    if (field.kind == Kind::Barcode) {
        const int modules = TicketPainter::barcodeModules(TicketPainter::barcodeDigits(m_plugin.info, field.data));
        if (field.rect.width() < modules)
            fail(lineNo, QStringLiteral("バーコードの幅が足りません (%1 以上)。").arg(modules));
    }
}

} // namespace

std::optional<Plugin> parse(const QByteArray& bytes, QString* error)
{
    try {
        if (bytes.size() > MaxFileBytes)
            fail(0, QStringLiteral("ファイルが大きすぎます (%1 バイトまで)。").arg(MaxFileBytes));
        Reader reader;
        return reader.read(decodeText(bytes));
    } catch (const Invalid& invalid) {
        if (error)
            *error = invalid.message;
    } catch (const std::exception&) {
        if (error)
            *error = QStringLiteral("読み込めません。");
    }
    return std::nullopt;
}

std::optional<Plugin> load(const QString& path, QString* error)
{
    auto refuse = [error](const QString& message) -> std::optional<Plugin> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    // Checked before opening: a FIFO would block the open, a device could
    // stream without end.
    std::error_code ec;
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    if (path.isEmpty() || !std::filesystem::is_regular_file(native, ec))
        return refuse(QStringLiteral("ファイルがありません。"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("ファイルを開けません。"));
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        return refuse(QStringLiteral("ファイルが大きすぎます (%1 バイトまで)。").arg(MaxFileBytes));
    return parse(bytes, error);
}

} // namespace PluginFile
