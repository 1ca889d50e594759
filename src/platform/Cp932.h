#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Code page 932 (Microsoft's Shift-JIS), the encoding of every text the
// program exchanges with files and with the companion library. Conversions
// never substitute: a character or byte sequence that has no counterpart is
// reported with its position.
namespace Cp932 {

// nullopt when some character cannot be encoded; *badIndex then receives the
// index (in QString units) of the first such character.
std::optional<QByteArray> encode(const QString& text, qsizetype* badIndex = nullptr);

// nullopt when the bytes are not valid code page 932; *badOffset then
// receives the byte offset of the first invalid or truncated sequence.
std::optional<QString> decode(const QByteArray& bytes, qsizetype* badOffset = nullptr);

// Throwing forms for callers that let the failure travel up (error 5, with a
// description naming the character or the byte position).
QByteArray encodeOrThrow(const QString& text);
QString decodeOrThrow(const QByteArray& bytes);

// The customary mark for a character that cannot be shown.
inline constexpr char16_t UndecodableMark = u'\u3013'; // 〓

// For a user's file that must not be lost to one bad byte: decodes what can
// be decoded and puts 〓 in place of each sequence that cannot, a lead
// byte with its trail byte counting as one. A lead byte whose next byte
// cannot end a character stands alone, so a line break or a comma after it
// survives. *lossy tells whether any mark was put in.
QString decodeLenient(const QByteArray& bytes, bool* lossy = nullptr);

// For display only, where something must be shown whatever the input: bytes
// that are not code page 932 become U+FFFD; characters it cannot hold become
// the replacement bytes.
QString decodeForDisplay(const QByteArray& bytes);
QByteArray encodeForDisplay(const QString& text, const QByteArray& replacement);

// True for a byte that starts a double-byte character.
constexpr bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// True for a byte that can end a double-byte character. Whether the pair
// is an assigned character takes a decode; these two say only that it
// is shaped as one.
constexpr bool isTrailByte(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

} // namespace Cp932
