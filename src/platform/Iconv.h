#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

#include <iconv.h>

// One glibc iconv conversion between two encodings, reused for many texts:
// iconv_open is costly compared with converting a stop name. Never
// substitutes: a sequence without a counterpart fails the conversion.
class IconvConverter
{
public:
    IconvConverter(const char* to, const char* from);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // Converts all of in; on failure returns nullopt and, in failedAt, the
    // input offset of the offending sequence. Raises AppError when the
    // system has no such conversion.
    std::optional<QByteArray> run(QByteArrayView in, qsizetype* failedAt = nullptr);
    // The same into out, whose memory is reused: for converting many short
    // texts in a row. False when in cannot be converted.
    bool run(QByteArrayView in, QByteArray& out);

private:
    bool convert(QByteArrayView in, QByteArray& out, qsizetype& failedAt);

    iconv_t m_cd;
};
