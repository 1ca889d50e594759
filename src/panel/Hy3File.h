#pragma once

#include "panel/FareRecord.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

class QIODevice;

// The fare data file of one route: a signed 16-bit record count N, then N
// records of (16-bit name length L, L bytes of code page 932 name, 16-bit
// ticket number, 150 16-bit values), all little-endian, back to back.
namespace Hy3File {

inline constexpr int MaxRows = DataIo::MaxRows;
inline constexpr int FareCount = DataIo::FareColumns;

// The record is the fare table's own: the converter spells it by the file's
// name.
using Record = DataIo::FareRecord;

// Reads N from the first two bytes. Error 62 when the file holds fewer.
std::int16_t readCount(QIODevice& file);

// Reads count records starting at the device's position (just after N).
// Reads nothing past the count-th record. Error 62 when the file ends before
// them. A name with bytes that are not code page 932 reads with 〓 in their
// place; *undecodable then lists its record number (from 1).
std::vector<Record> readRecords(QIODevice& file, int count, std::vector<int>* undecodable = nullptr);

// The whole file for these records. Fails (error 5, naming the record) on a
// name that code page 932 cannot hold or that is longer than 65535 bytes, and
// on more than 32767 records.
QByteArray write(const std::vector<Record>& records);

} // namespace Hy3File
