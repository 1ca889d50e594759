#include "platform/Cp932.h"

#include "platform/AppError.h"
#include "platform/Iconv.h"

namespace {

IconvConverter& encoder()
{
    thread_local IconvConverter c("CP932", "UTF-16LE");
    return c;
}

IconvConverter& decoder()
{
    thread_local IconvConverter c("UTF-16LE", "CP932");
    return c;
}

} // namespace

namespace Cp932 {

std::optional<QByteArray> encode(const QString& text, qsizetype* badIndex)
{
    // QString holds UTF-16 already: hand its units to iconv as they are.
    const QByteArray units = QByteArray::fromRawData(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    qsizetype failedAt = 0;
    auto out = encoder().run(units, &failedAt);
    if (!out && badIndex)
        *badIndex = failedAt / 2;
    return out;
}

std::optional<QString> decode(const QByteArray& bytes, qsizetype* badOffset)
{
    auto out = decoder().run(bytes, badOffset);
    if (!out)
        return std::nullopt;
    return QString(reinterpret_cast<const QChar*>(out->constData()), out->size() / 2);
}

QByteArray encodeOrThrow(const QString& text)
{
    qsizetype bad = 0;
    if (auto out = encode(text, &bad))
        return *out;
    const uint cp = text.at(bad).isHighSurrogate() && bad + 1 < text.size()
        ? QChar::surrogateToUcs4(text.at(bad), text.at(bad + 1))
        : text.at(bad).unicode();
    const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
    const QString hex = QString::number(cp, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    throw AppError(ErrNo::InvalidCall,
                   QStringLiteral("文字「%1」(U+%2) は Shift-JIS (コードページ 932) で表せません。").arg(ch, hex));
}

QString decodeOrThrow(const QByteArray& bytes)
{
    qsizetype bad = 0;
    if (auto out = decode(bytes, &bad))
        return *out;
    throw AppError(ErrNo::InvalidCall,
                   QStringLiteral("%1 バイト目が Shift-JIS (コードページ 932) の文字として読めません。").arg(bad + 1));
}

QString decodeLenient(const QByteArray& bytes, bool* lossy)
{
    qsizetype bad = 0;
    if (auto whole = decode(bytes, &bad)) {
        if (lossy)
            *lossy = false;
        return *whole;
    }
    if (lossy)
        *lossy = true;
    // Everything before the first bad sequence is good as it stands; from
    // there on character by character, which costs the same for any number
    // of bad bytes.
    QString text = decode(bytes.first(bad)).value_or(QString());
    for (qsizetype i = bad; i < bytes.size();) {
        const bool pair = isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size()
            && isTrailByte(static_cast<unsigned char>(bytes[i + 1]));
        const qsizetype width = pair ? 2 : 1;
        if (auto one = decode(bytes.sliced(i, width)))
            text += *one;
        else
            text += QChar(UndecodableMark);
        i += width;
    }
    return text;
}

// Unlike the lenient reading, a pair that is no character gives up only
// its first byte: the column draws its cells from the bytes, and the second
// byte of such a pair is drawn as the character it is on its own.
QString decodeForDisplay(const QByteArray& bytes)
{
    if (auto whole = decode(bytes))
        return *whole;
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype width = isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        if (auto one = decode(bytes.mid(i, width))) {
            text += *one;
            i += width;
        } else if (width == 2 && (one = decode(bytes.mid(i, 1)))) {
            text += *one;
            ++i;
        } else {
            text += QChar(QChar::ReplacementCharacter);
            ++i;
        }
    }
    return text;
}

QByteArray encodeForDisplay(const QString& text, const QByteArray& replacement)
{
    if (auto whole = encode(text))
        return *whole;
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        bytes += encode(text.mid(i, width)).value_or(replacement);
        i += width;
    }
    return bytes;
}

} // namespace Cp932
