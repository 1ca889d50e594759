#include "panel/Hy3File.h"

#include "platform/AppError.h"
#include "platform/Cp932.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <limits>

namespace Hy3File {

namespace {

constexpr qint64 kNumbersBytes = 2 + 2 * FareCount; // SeiriNum and the values

// Reads exactly n bytes or raises error 62. A device may hand out less than
// asked without being at its end (pipes, sockets), so keep asking until it
// gives nothing more.
void readExactly(QIODevice& file, char* into, qint64 n)
{
    qint64 got = 0;
    while (got < n) {
        const qint64 r = file.read(into + got, n - got);
        if (r <= 0)
            throw AppError(ErrNo::InputPastEnd);
        got += r;
    }
}

QByteArray readExactly(QIODevice& file, qint64 n)
{
    QByteArray buf(n, Qt::Uninitialized);
    readExactly(file, buf.data(), n);
    return buf;
}

std::int16_t int16At(const QByteArray& b, qsizetype at)
{
    const auto lo = static_cast<unsigned char>(b[at]);
    const auto hi = static_cast<unsigned char>(b[at + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

void appendInt16(QByteArray& out, std::int32_t v)
{
    const auto u = static_cast<std::uint16_t>(v);
    out.append(static_cast<char>(u & 0xFF));
    out.append(static_cast<char>(u >> 8));
}

QString recordPrefix(std::size_t index)
{
    return QStringLiteral("%1 件目の停留所名: ").arg(index + 1);
}

} // namespace

std::int16_t readCount(QIODevice& file)
{
    return int16At(readExactly(file, 2), 0);
}

std::vector<Record> readRecords(QIODevice& file, int count, std::vector<int>* undecodable)
{
    std::vector<Record> records;
    if (count <= 0)
        return records;
    // A damaged count must not reserve gigabytes before the file runs out.
    records.reserve(static_cast<std::size_t>(std::min(count, MaxRows)));
    for (int i = 0; i < count; ++i) {
        char lenBytes[2];
        readExactly(file, lenBytes, 2);
        const auto nameLen = qFromLittleEndian<quint16>(lenBytes);
        const QByteArray name = readExactly(file, nameLen);
        char numbers[kNumbersBytes];
        readExactly(file, numbers, kNumbersBytes);

        Record rec;
        bool lossy = false;
        rec.Chimei = Cp932::decodeLenient(name, &lossy);
        if (lossy && undecodable)
            undecodable->push_back(static_cast<int>(records.size()) + 1);
        rec.SeiriNum = qFromLittleEndian<qint16>(numbers);
        qFromLittleEndian<qint16>(numbers + 2, FareCount, rec.Fare.data());
        records.push_back(std::move(rec));
    }
    return records;
}

QByteArray write(const std::vector<Record>& records)
{
    if (records.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
        throw AppError(ErrNo::InvalidCall,
                       QStringLiteral("レコード数 %1 件は多すぎます (最大 32767 件)。").arg(records.size()));
    }
    QByteArray out;
    out.reserve(2 + static_cast<qsizetype>(records.size()) * (2 + 24 + kNumbersBytes));
    appendInt16(out, static_cast<std::int32_t>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& rec = records[i];
        QByteArray name;
        try {
            name = Cp932::encodeOrThrow(rec.Chimei);
        } catch (const AppError& e) {
            throw AppError(e.number(), recordPrefix(i) + e.description());
        }
        if (name.size() > std::numeric_limits<std::uint16_t>::max()) {
            throw AppError(ErrNo::InvalidCall,
                           recordPrefix(i) + QStringLiteral("%1 バイトは長すぎます (最大 65535 バイト)。").arg(name.size()));
        }
        appendInt16(out, static_cast<std::int32_t>(name.size()));
        out.append(name);
        appendInt16(out, rec.SeiriNum);
        for (std::int16_t v : rec.Fare)
            appendInt16(out, v);
    }
    return out;
}

} // namespace Hy3File
