#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// The text rules of a digit cell: which characters a value puts on the cell,
// before any drawing. A value is a number, a text, or empty (an invalid
// QVariant, which equals both 0 and the empty text).
namespace DegitText {

// The numeric value of a number, or of a text that reads as a number
// (surrounding spaces allowed); nullopt for any other text and for empty.
std::optional<double> numericValue(const QVariant& v);

// The value as the cell would print it ("12", "1.5", "A", "").
QString toText(const QVariant& v);

// The zero substitution of the cell's ZeroMode (0 to 3; other modes change
// nothing). The result is the number 0, the empty text, or v itself.
QVariant applyZeroMode(const QVariant& v, int zeroMode);

// v with leading zeros up to fillZero digits when v is numeric and fillZero
// is above 0; otherwise v unchanged.
QVariant padZeros(const QVariant& v, int fillZero);

// The characters the cell shows, right-aligned in keta positions: zero
// substitution, padding, shift spaces, then the rightmost keta characters.
QString visibleText(const QVariant& value, int zeroMode, int fillZero, int shift, int keta);

} // namespace DegitText
