#include "platform/Iconv.h"

#include "platform/AppError.h"

#include <cerrno>

IconvConverter::IconvConverter(const char* to, const char* from)
    : m_cd(iconv_open(to, from))
{
}

IconvConverter::~IconvConverter()
{
    if (m_cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(m_cd);
}

std::optional<QByteArray> IconvConverter::run(QByteArrayView in, qsizetype* failedAt)
{
    if (m_cd == reinterpret_cast<iconv_t>(-1))
        throw AppError(ErrNo::InternalError, QStringLiteral("文字コード変換 (iconv) を利用できません。"));
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    QByteArray out;
    out.resize(in.size() * 2 + 16);
    char* inPtr = const_cast<char*>(in.data());
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
            *failedAt = inPtr - in.data();
        return std::nullopt;
    }
    out.resize(outPtr - out.data());
    return out;
}
