#include "TicketPainter.h"

#include "platform/Cp932.h"

#include <QDate>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace TicketPainter {

using PluginFile::BarcodeData;
using PluginFile::Field;
using PluginFile::Kind;
using PluginFile::Plugin;

namespace {

QString padded(qint64 value, int digits)
{
    QString text = QString::number(std::llabs(value)).rightJustified(digits, u'0');
    return value < 0 ? QLatin1Char('-') + text : text;
}

int digitCount(qint64 value)
{
    return static_cast<int>(QString::number(std::max<qint64>(value, 0)).size());
}

// Replaces the tokens of format, longest first at each position; everything
// else is copied.
QString expand(const QString& format, const QList<std::pair<QString, QString>>& tokens)
{
    QString out;
    for (qsizetype i = 0; i < format.size();) {
        const auto hit = std::find_if(tokens.cbegin(), tokens.cend(), [&](const auto& t) {
            return QStringView(format).mid(i).startsWith(t.first);
        });
        if (hit != tokens.cend()) {
            out += hit->second;
            i += hit->first.size();
        } else {
            out += format[i++];
        }
    }
    return out;
}

QFont fontFor(const Field& field)
{
    // The Windows family first, for a process that maps it; the installed
    // faces after it.
    QFont font;
    font.setFamilies(field.face == PluginFile::Face::Mincho
                         ? QStringList{QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"), QStringLiteral("IPAPMincho")}
                         : QStringList{QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")});
    font.setPixelSize(field.size);
    font.setBold(field.bold);
    return font;
}

// A text wider than its box is printed smaller, as a printer condenses a long
// name, and whatever still does not fit is clipped at the box.
void drawText(QPainter& painter, const Field& field, const QString& text, const QColor& ink)
{
    if (text.isEmpty())
        return;
    QFont font = fontFor(field);
    for (int size = field.size; size > 4; --size) {
        if (QFontMetricsF(font).horizontalAdvance(text) <= field.rect.width())
            break;
        font.setPixelSize(size - 1);
    }
    painter.save();
    painter.setClipRect(field.rect, Qt::IntersectClip);
    painter.setFont(font);
    painter.setPen(field.color.isValid() ? field.color : ink);
    painter.drawText(field.rect, static_cast<int>(field.align | Qt::AlignVCenter) | Qt::TextSingleLine, text);
    painter.restore();
}

void drawBarcode(QPainter& painter, const Field& field, const QString& digits, const QColor& ink)
{
    if (digits.isEmpty())
        return;
    const QList<int> pattern = barPattern(digits);
    int modules = 0;
    for (const int w : pattern)
        modules += w;
    // Whole pixels per module keep every bar edge sharp for a reader.
    const int module = std::max(1, field.rect.width() / modules);
    int x = field.rect.x() + (field.rect.width() - modules * module) / 2;
    const QColor colour = field.color.isValid() ? field.color : ink;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const int width = pattern[i] * module;
        if (i % 2 == 0)
            painter.fillRect(QRect(x, field.rect.y(), width, field.rect.height()), colour);
        x += width;
    }
}

QString fieldText(const Plugin& plugin, const Field& field, const Values& v)
{
    QString value;
    switch (field.kind) {
    case Kind::Text:
        return field.text;
    case Kind::Company:
        value = plugin.companies.value(v.company >= 0 && v.company < plugin.companies.size() ? v.company : 0);
        break;
    case Kind::Date:
        value = formatDate(v.date, field.format);
        break;
    case Kind::Time:
        value = formatTime(v.time, field.format);
        break;
    case Kind::Route:
        value = padded(v.route, field.digits);
        break;
    case Kind::Stop:
        value = v.stopName;
        break;
    case Kind::Number:
        value = padded(v.ticket, field.digits);
        break;
    default:
        break;
    }
    return value.isEmpty() ? QString() : field.prefix + value + field.suffix;
}

} // namespace

void draw(const Plugin& plugin, QPainter& painter, const Values& values)
{
    const QRect ticket(0, 0, plugin.info.nPrevWidth, plugin.info.nPrevHeight);
    painter.save();
    painter.setClipRect(ticket, Qt::IntersectClip);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(ticket, plugin.paper);
    if (plugin.border.isValid()) {
        painter.setPen(plugin.border);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(ticket.adjusted(0, 0, -1, -1));
    }
    for (const Field& field : plugin.fields) {
        const QColor colour = field.color.isValid() ? field.color : plugin.ink;
        switch (field.kind) {
        case Kind::Rule:
            painter.fillRect(field.rect, colour);
            break;
        case Kind::Frame:
            painter.setPen(colour);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(field.rect.adjusted(0, 0, -1, -1));
            break;
        case Kind::Barcode:
            drawBarcode(painter, field, barcodeText(plugin.info, field.data, values.route, values.stopIndex), plugin.ink);
            break;
        default:
            drawText(painter, field, fieldText(plugin, field, values), plugin.ink);
            break;
        }
    }
    painter.restore();
}

int stopNameLimit(const Plugin& plugin)
{
    int limit = 0;
    for (const Field& field : plugin.fields) {
        if (field.kind == Kind::Stop && field.maxBytes > 0)
            limit = limit == 0 ? field.maxBytes : std::min(limit, field.maxBytes);
    }
    return limit;
}

QByteArray cutCp932(const QByteArray& bytes, int maxBytes)
{
    qsizetype kept = 0;
    while (kept < bytes.size()) {
        const qsizetype next = kept + (Cp932::isLeadByte(static_cast<unsigned char>(bytes[kept])) ? 2 : 1);
        if (next > maxBytes)
            break;
        kept = next;
    }
    return bytes.left(kept);
}

QString formatDate(const QString& date, const QString& format)
{
    static const QRegularExpression mdy(QStringLiteral("^(\\d{2})-(\\d{2})-(\\d{4})$"));
    static const QRegularExpression ymd(QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2})$"));
    QDate d;
    if (const auto m = mdy.match(date); m.hasMatch())
        d = QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
    else if (const auto m = ymd.match(date); m.hasMatch())
        d = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return date;
    static const QString weekdays = QStringLiteral("日月火水木金土");
    return expand(format, {
        {QStringLiteral("YYYY"), padded(d.year(), 4)},
        {QStringLiteral("YY"), padded(d.year() % 100, 2)},
        {QStringLiteral("MM"), padded(d.month(), 2)},
        {QStringLiteral("M"), QString::number(d.month())},
        {QStringLiteral("DD"), padded(d.day(), 2)},
        {QStringLiteral("D"), QString::number(d.day())},
        {QStringLiteral("W"), weekdays.at(d.dayOfWeek() % 7)},
    });
}

QString formatTime(const QString& time, const QString& format)
{
    static const QRegularExpression hms(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    const auto m = hms.match(time);
    if (!m.hasMatch())
        return time;
    const int h = m.captured(1).toInt();
    const int min = m.captured(2).toInt();
    const int s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    if (h > 23 || min > 59 || s > 59)
        return time;
    return expand(format, {
        {QStringLiteral("hh"), padded(h, 2)},
        {QStringLiteral("h"), QString::number(h)},
        {QStringLiteral("mm"), padded(min, 2)},
        {QStringLiteral("ss"), padded(s, 2)},
    });
}

int barcodeDigits(const PlgInfo& info, BarcodeData data)
{
    if (data == BarcodeData::Stop)
        return digitCount(info.nStopTo);
    // Other than serial numbering, a round-trip flag digit follows the route.
    return digitCount(std::max(info.nKeitoMax, 1)) + (info.nBarcodeKeitoMode == 1 ? 0 : 1);
}

QString barcodeText(const PlgInfo& info, BarcodeData data, std::int32_t route, std::int16_t stopIndex)
{
    if (data == BarcodeData::Stop) {
        if (stopIndex < info.nStopFrom || stopIndex > info.nStopTo)
            return {};
        return padded(stopIndex, digitCount(info.nStopTo));
    }
    if (route < 1 || route > info.nKeitoMax)
        return {};
    // The simulator does not know the direction of travel: the flag is 0.
    const QString number = padded(route, digitCount(info.nKeitoMax));
    return info.nBarcodeKeitoMode == 1 ? number : number + QLatin1Char('0');
}

QList<int> barPattern(const QString& digits)
{
    // Wide bars per digit over the weights 1, 2, 4, 7 and parity.
    static const char* const Digits[10] = {"nnwwn", "wnnnw", "nwnnw", "wwnnn", "nnwnw",
                                           "wnwnn", "nwwnn", "nnnww", "wnnwn", "nwnwn"};
    QByteArray bars = "wwn";
    for (const QChar c : digits) {
        if (c.isDigit() && c.unicode() < 0x80)
            bars += Digits[c.unicode() - u'0'];
    }
    bars += "wnw";
    QList<int> widths;
    for (const char b : std::as_const(bars)) {
        if (!widths.isEmpty())
            widths.append(1);
        widths.append(b == 'w' ? 3 : 1);
    }
    return widths;
}

} // namespace TicketPainter
