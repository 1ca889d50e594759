#include "speech/TapeCsv.h"

#include "platform/AppError.h"
#include "platform/Cp932.h"

#include <QStringList>

#include <cmath>
#include <limits>

namespace TapeCsv {

namespace {

QStringList splitLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

// The fields of one line: blanks before a field are dropped; a quoted field
// ends at its closing quote and whatever follows it up to the comma is
// ignored.
QStringList fieldsOf(const QString& line)
{
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    if (line.trimmed().isEmpty())
        return fields;
    for (;;) {
        while (i < n && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
            ++i;
        QString field;
        if (i < n && line[i] == QLatin1Char('"')) {
            const qsizetype close = line.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype end = close < 0 ? n : close;
            field = line.mid(i + 1, end - i - 1);
            i = close < 0 ? n : line.indexOf(QLatin1Char(','), close);
            if (i < 0)
                i = n;
        } else {
            const qsizetype comma = line.indexOf(QLatin1Char(','), i);
            const qsizetype end = comma < 0 ? n : comma;
            field = line.mid(i, end - i);
            i = end;
        }
        fields.append(field);
        if (i >= n)
            break;
        ++i; // the comma
    }
    return fields;
}

std::int16_t toInteger(const QString& field)
{
    const QString t = field.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok)
        throw AppError(ErrNo::TypeMismatch);
    const long long rounded = std::llround(value);
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        throw AppError(ErrNo::Overflow);
    return static_cast<std::int16_t>(rounded);
}

} // namespace

QString decode(const QByteArray& bytes, QList<int>* undecodableLines)
{
    if (std::optional<QString> whole = Cp932::decode(bytes))
        return *whole;
    // A line feed is never part of a double-byte character, so the lines
    // can be told apart before they are decoded.
    QString text;
    int line = 0;
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype lf = bytes.indexOf('\n', start);
        const qsizetype end = lf < 0 ? bytes.size() : lf + 1;
        ++line;
        bool lossy = false;
        text += Cp932::decodeLenient(bytes.sliced(start, end - start), &lossy);
        if (lossy && undecodableLines)
            undecodableLines->append(line);
        start = end;
    }
    return text;
}

std::vector<Row> parse(const QString& text)
{
    const QStringList lines = splitLines(text);
    if (lines.isEmpty())
        throw AppError(ErrNo::SubscriptOutOfRange);

    QStringList fields;
    for (const QString& line : lines)
        fields += fieldsOf(line);
    if (fields.size() % 3 != 0)
        throw AppError(ErrNo::InputPastEnd);
    if (fields.size() / 3 > lines.size())
        throw AppError(ErrNo::SubscriptOutOfRange);

    std::vector<Row> rows(static_cast<size_t>(lines.size()));
    for (qsizetype r = 0; r < fields.size() / 3; ++r) {
        Row& row = rows[static_cast<size_t>(r)];
        row.strText = fields[3 * r];
        row.nStep = toInteger(fields[3 * r + 1]);
        row.nFlag = toInteger(fields[3 * r + 2]);
    }
    return rows;
}

} // namespace TapeCsv
