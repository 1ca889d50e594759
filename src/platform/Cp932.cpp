#include "platform/Cp932.h"

#include "platform/AppError.h"

#include <cerrno>
#include <iconv.h>

namespace {

// One converter per direction and thread; iconv_open is costly compared with
// converting a stop name.
class Converter
{
public:
    Converter(const char* to, const char* from)
        : m_cd(iconv_open(to, from))
    {
    }
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of in; on failure returns nullopt and the input offset of
    // the offending sequence.
    std::optional<QByteArray> run(const QByteArray& in, qsizetype* failedAt)
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw AppError(ErrNo::InternalError, QStringLiteral("文字コード変換 (CP932) を利用できません。"));
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out;
        out.resize(in.size() * 2 + 16);
        char* inPtr = const_cast<char*>(in.constData());
        size_t inLeft = static_cast<size_t>(in.size());
        char* outPtr = out.data();
        size_t outLeft = static_cast<size_t>(out.size());
        while (inLeft > 0) {
            if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG) {
                const qsizetype used = outPtr - out.data();
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = static_cast<size_t>(out.size() - used);
                continue;
            }
            if (failedAt)
                *failedAt = inPtr - in.constData();
            return std::nullopt;
        }
        out.resize(outPtr - out.data());
        return out;
    }

private:
    iconv_t m_cd;
};

Converter& encoder()
{
    thread_local Converter c("CP932", "UTF-16LE");
    return c;
}

Converter& decoder()
{
    thread_local Converter c("UTF-16LE", "CP932");
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
