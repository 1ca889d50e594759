#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QIODevice;

// The fare data file of one route: a signed 16-bit record count N, then N
// records of (16-bit name length L, L bytes of code page 932 name, 16-bit
// ticket number, 150 16-bit values), all little-endian, back to back.
namespace Hy3File {

inline constexpr int MaxRows = 301;
inline constexpr int FareCount = 150;

struct Record
{
    QString Chimei;
    std::int16_t SeiriNum = 0;
    std::array<std::int16_t, FareCount> Fare{};
};

// Reads N from the first two bytes. Error 62 when the file holds fewer.
std::int16_t readCount(QIODevice& file);

// Reads count records starting at the device's position (just after N).
// Reads nothing past the count-th record. Error 62 when the file ends before
// them; error 5, naming the record, when a name is not code page 932.
std::vector<Record> readRecords(QIODevice& file, int count);

// The whole file for these records. Fails (error 5, naming the record) on a
// name that code page 932 cannot hold or that is longer than 65535 bytes, and
// on more than 32767 records.
QByteArray write(const std::vector<Record>& records);

} // namespace Hy3File
