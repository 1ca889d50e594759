#include "platform/Iconv.h"

#include "platform/AppError.h"

#include <algorithm>
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
    QByteArray out;
    qsizetype failed = 0;
    if (!convert(in, out, failed)) {
        if (failedAt)
            *failedAt = failed;
        return std::nullopt;
    }
    return out;
}

bool IconvConverter::run(QByteArrayView in, QByteArray& out)
{
    qsizetype failed = 0;
    return convert(in, out, failed);
}

bool IconvConverter::convert(QByteArrayView in, QByteArray& out, qsizetype& failedAt)
{
    if (m_cd == reinterpret_cast<iconv_t>(-1))
        throw AppError(ErrNo::InternalError, QStringLiteral("文字コード変換 (iconv) を利用できません。"));
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(std::max(out.capacity(), in.size() * 2 + 16));
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
        failedAt = inPtr - in.data();
        return false;
    }
    out.resize(outPtr - out.data());
    return true;
}
