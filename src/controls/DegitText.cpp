#include "controls/DegitText.h"

#include <QLocale>

#include <cmath>

namespace DegitText {

namespace {

bool isText(const QVariant& v)
{
    return v.typeId() == QMetaType::QString;
}

bool isEmptyValue(const QVariant& v)
{
    return !v.isValid() || (isText(v) && v.toString().isEmpty());
}

bool equalsNumber(const QVariant& v, double n)
{
    if (!v.isValid())
        return n == 0;
    const auto value = numericValue(v);
    return value && *value == n;
}

} // namespace

std::optional<double> numericValue(const QVariant& v)
{
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? -1.0 : 0.0;
    if (!isText(v)) {
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? std::optional<double>(d) : std::nullopt;
    }
    const QString text = v.toString().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double d = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

QString toText(const QVariant& v)
{
    if (!v.isValid())
        return {};
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        if (d == std::trunc(d) && std::fabs(d) < 1e15)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', 15).toUpper();
    }
    default:
        return v.toString();
    }
}

QVariant applyZeroMode(const QVariant& v, int zeroMode)
{
    const QVariant zero(0);
    const QVariant blank(QString{});
    switch (zeroMode) {
    case 0:
        return equalsNumber(v, 0) || isEmptyValue(v) ? blank : v;
    case 1:
        return equalsNumber(v, 0) || isEmptyValue(v) ? zero : v;
    case 2:
        if (equalsNumber(v, -1))
            return zero;
        return equalsNumber(v, 0) ? blank : v;
    case 3:
        return equalsNumber(v, -1) || equalsNumber(v, 0) || isEmptyValue(v) ? zero : v;
    default:
        return v;
    }
}

QVariant padZeros(const QVariant& v, int fillZero)
{
    if (fillZero <= 0)
        return v;
    const auto value = numericValue(v);
    if (!value)
        return v;
    const double rounded = std::round(*value); // halves away from zero, as number formats do
    const QString digits = QString::number(std::fabs(rounded), 'f', 0).rightJustified(fillZero, QLatin1Char('0'));
    return rounded < 0 ? QStringLiteral("-") + digits : digits;
}

QString visibleText(const QVariant& value, int zeroMode, int fillZero, int shift, int keta)
{
    QString text = toText(padZeros(applyZeroMode(value, zeroMode), fillZero));
    if (shift >= 1)
        text += QString(shift, QLatin1Char(' '));
    return keta > 0 ? text.right(keta) : QString{};
}

} // namespace DegitText
