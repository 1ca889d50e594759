#include "FareCsv.h"

#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QStringList>

#include <limits>
#include <utility>

namespace FareCsv {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

QString hexCode(char32_t cp)
{
    return QStringLiteral("U+%1").arg(QString::number(cp, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

int lineOfOffset(const QByteArray& bytes, qsizetype offset)
{
    return 1 + static_cast<int>(bytes.left(offset).count('\n'));
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = dec(bytes); // the decoder only runs when its result is taken
    Q_UNUSED(decoded)
    return !dec.hasError();
}

QString decodeUtf8(const QByteArray& bytes)
{
    const QByteArray body = bytes.mid(kUtf8Bom.size());
    if (isValidUtf8(body))
        return QString::fromUtf8(body);
    // Decode line by line only to find which one is broken.
    const QList<QByteArray> lines = body.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!isValidUtf8(lines[i]))
            throw Error(static_cast<int>(i) + 1, QStringLiteral("UTF-8 として読めないバイトがあります。"));
    }
    throw Error(0, QStringLiteral("UTF-8 として読めません。"));
}

// Fields of one line, quotes removed. A field that starts with '"' runs to
// the matching quote; "" inside it is one quote.
QStringList splitFields(const QString& line, int lineNo)
{
    QStringList fields;
    qsizetype pos = 0;
    const qsizetype n = line.size();
    while (true) {
        QString field;
        if (pos < n && line[pos] == QLatin1Char('"')) {
            ++pos;
            while (true) {
                const qsizetype q = line.indexOf(QLatin1Char('"'), pos);
                if (q < 0)
                    throw Error(lineNo, QStringLiteral("%1 列目の引用符 (\") が閉じていません。").arg(fields.size() + 1));
                field += QStringView(line).sliced(pos, q - pos);
                pos = q + 1;
                if (pos < n && line[pos] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++pos;
                    continue;
                }
                break;
            }
            while (pos < n && (line[pos] == QLatin1Char(' ') || line[pos] == QLatin1Char('\t')))
                ++pos;
            if (pos < n && line[pos] != QLatin1Char(',')) {
                throw Error(lineNo, QStringLiteral("%1 列目の閉じ引用符の後に余分な文字があります。").arg(fields.size() + 1));
            }
        } else {
            qsizetype comma = line.indexOf(QLatin1Char(','), pos);
            if (comma < 0)
                comma = n;
            field = line.sliced(pos, comma - pos);
            pos = comma;
        }
        fields.append(field);
        if (pos >= n)
            return fields;
        ++pos; // the comma; a comma at the very end leaves one empty field
    }
}

QString columnName(int column)
{
    return column == 2 ? QStringLiteral("整理券番号") : QStringLiteral("値 %1").arg(column - 2);
}

// ASCII digits with an optional sign, as every number of the CSV is written.
bool isPlainInteger(const QString& t)
{
    if (t.isEmpty())
        return false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        const bool sign = i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')) && t.size() > 1;
        if (!sign && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            return false;
    }
    return true;
}

std::int16_t parseNumber(const QString& field, int lineNo, int column)
{
    const QString t = field.trimmed();
    if (t.isEmpty())
        return 0;
    const QString where = QStringLiteral("%1 列目 (%2)").arg(column).arg(columnName(column));
    if (!isPlainInteger(t)) {
        throw Error(lineNo, QStringLiteral("%1 の「%2」は整数ではありません (半角の整数で書いてください)。").arg(where, t));
    }
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok || v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max()) {
        throw Error(lineNo, QStringLiteral("%1 の %2 は範囲外です (-32768～32767)。").arg(where, t));
    }
    return static_cast<std::int16_t>(v);
}

const QString kStatementKey = QString::fromUtf16(StatementKey);

struct BoardWord
{
    const char16_t* word;
    BoardLayout layout;
};
constexpr BoardWord kBoardWords[] = {{u"整理券12", BoardLayout::Tickets12}, {u"整理券36", BoardLayout::Tickets36}};

// A row whose first field is the statement's key and whose second field is
// not a number: no stop row, with its ticket number, can look like it.
bool isStatement(const QStringList& fields)
{
    return fields.size() >= 2 && fields[0].trimmed() == kStatementKey && !fields[1].trimmed().isEmpty()
        && !isPlainInteger(fields[1].trimmed());
}

BoardLayout statedLayout(const QStringList& fields, int lineNo)
{
    for (qsizetype k = 2; k < fields.size(); ++k) {
        if (!fields[k].trimmed().isEmpty())
            throw Error(lineNo, QStringLiteral("%1 の行には %2 列目以降を書けません。").arg(kStatementKey).arg(k + 1));
    }
    const QString word = fields[1].trimmed();
    for (const BoardWord& b : kBoardWords) {
        if (word == QString::fromUtf16(b.word))
            return b.layout;
    }
    throw Error(lineNo, QStringLiteral("%1「%2」は指定できません (%1,整理券36 か %1,整理券12 と書いてください)。").arg(kStatementKey, word));
}

QString quoteName(const QString& name)
{
    const bool needs = name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('"'))
        || name.startsWith(QLatin1Char('#')) || name != name.trimmed();
    if (!needs)
        return name;
    QString q = name;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace

QString unencodableCharacter(const QString& text)
{
    qsizetype bad = 0;
    if (Cp932::encode(text, &bad))
        return {};
    const char32_t cp = text.at(bad).isHighSurrogate() && bad + 1 < text.size()
        ? QChar::surrogateToUcs4(text.at(bad), text.at(bad + 1))
        : text.at(bad).unicode();
    return QStringLiteral("「%1」(%2)").arg(QString::fromUcs4(&cp, 1), hexCode(cp));
}

void checkName(const QString& name, int lineNo)
{
    const QString bad = unencodableCharacter(name);
    if (!bad.isEmpty())
        throw Error(lineNo, QStringLiteral("停留所名「%1」の文字%2 は Shift-JIS (コードページ 932) で表せません。").arg(name, bad));
    if (Cp932::encode(name)->size() > std::numeric_limits<std::uint16_t>::max())
        throw Error(lineNo, QStringLiteral("停留所名が長すぎます (最大 65535 バイト)。"));
}

Error::Error(int line, QString text)
    : m_line(line)
    , m_message(line > 0 ? QStringLiteral("%1 行目: %2").arg(line).arg(text) : std::move(text))
    , m_what(m_message.toStdString())
{
}

QString decode(const QByteArray& bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return decodeUtf8(bytes);
    qsizetype bad = 0;
    if (auto text = Cp932::decode(bytes, &bad))
        return *text;
    QString msg = QStringLiteral("Shift-JIS (コードページ 932) として読めないバイトがあります (ファイルの %1 バイト目)。")
                      .arg(bad + 1);
    if (isValidUtf8(bytes)) {
        msg += QStringLiteral("BOM のない UTF-8 のファイルのようです。Shift-JIS か BOM 付き UTF-8 で保存し直してください。");
    }
    throw Error(lineOfOffset(bytes, bad), msg);
}

std::vector<Hy3File::Record> parse(const QString& text, BoardLayout* layout)
{
    std::vector<Hy3File::Record> records;
    BoardLayout stated = BoardLayout::Tickets12;
    int statementLine = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.contains(QLatin1Char('\r')))
            throw Error(lineNo, QStringLiteral("行の途中に CR があります (改行は CR LF か LF にしてください)。"));
        QStringList fields = splitFields(line, lineNo);
        if (isStatement(fields)) {
            if (statementLine > 0) {
                throw Error(lineNo, QStringLiteral("%1 の指定が 2 回あります (1 回目は %2 行目)。").arg(kStatementKey).arg(statementLine));
            }
            stated = statedLayout(fields, lineNo);
            statementLine = lineNo;
            continue;
        }
        if (records.size() == static_cast<std::size_t>(Hy3File::MaxRows))
            throw Error(lineNo, QStringLiteral("停留所が多すぎます (最大 %1 行)。").arg(Hy3File::MaxRows));

        if (fields.size() < 2)
            throw Error(lineNo, QStringLiteral("整理券番号がありません (停留所名, 整理券番号, 値… の順に書いてください)。"));
        while (fields.size() > 2 && fields.last().trimmed().isEmpty())
            fields.removeLast();
        const qsizetype values = fields.size() - 2;
        if (values > Hy3File::FareCount) {
            throw Error(lineNo, QStringLiteral("値が %1 個あります (最大 %2 個)。").arg(values).arg(Hy3File::FareCount));
        }

        Hy3File::Record rec;
        checkName(fields[0], lineNo);
        rec.Chimei = fields[0];
        rec.SeiriNum = parseNumber(fields[1], lineNo, 2);
        for (qsizetype k = 0; k < values; ++k)
            rec.Fare[static_cast<std::size_t>(k)] = parseNumber(fields[k + 2], lineNo, static_cast<int>(k) + 3);
        records.push_back(std::move(rec));
    }
    if (records.empty())
        throw Error(0, QStringLiteral("停留所の行が 1 行もありません。"));
    if (layout)
        *layout = stated;
    return records;
}

QString format(const std::vector<Hy3File::Record>& records, BoardLayout layout)
{
    const QString eol = QStringLiteral("\r\n");
    QString out;
    if (layout == BoardLayout::Tickets36) {
        out = QStringLiteral("# 停留所名,整理券番号,値 1～150 (整理券 1～150 の運賃; 書かない値は 0)") + eol + kStatementKey
            + QStringLiteral(",整理券36") + eol;
    } else {
        out = QStringLiteral("# 停留所名,整理券番号,値 1～150 (1～12 大人, 13～24 地下鉄差額, 25～36 全線定期, "
                             "37～150 データ列; 書かない値は 0)")
            + eol;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Hy3File::Record& rec = records[i];
        if (rec.Chimei.contains(QLatin1Char('\n')) || rec.Chimei.contains(QLatin1Char('\r'))) {
            throw Error(0, QStringLiteral("%1 件目の停留所名に改行があるため CSV に書けません。").arg(i + 1));
        }
        qsizetype used = Hy3File::FareCount;
        while (used > 0 && rec.Fare[static_cast<std::size_t>(used - 1)] == 0)
            --used;
        out += quoteName(rec.Chimei);
        out += QLatin1Char(',') + QString::number(rec.SeiriNum);
        for (qsizetype k = 0; k < used; ++k)
            out += QLatin1Char(',') + QString::number(rec.Fare[static_cast<std::size_t>(k)]);
        out += eol;
    }
    return out;
}

} // namespace FareCsv
