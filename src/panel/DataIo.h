#pragma once

#include "board/BoardLayout.h"
#include "panel/FareRecord.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace mdlM_Tape {
struct TapeChimes;
}

// The fare table of the route that is set, and the route state.
namespace DataIo {

// Rows 1 to 301; row 0 is not used.
inline std::array<FareRecord, MaxRows + 1> FareTable;

inline QString strKeito;             // route as entered, leading zeros kept
inline std::int16_t nKukan = 0;      // start section, 1 to 300
inline std::int16_t nDataCount = 0;  // N of the last fare file opened
inline std::int16_t nCurIndex = 0;   // row on show - 1

// Rows that the last successful read stored. Stepping and every read of a
// row stay within them even when nDataCount comes from a file that was
// refused or failed to load.
inline int nStoredRows = 0;

// The board the route that is set is laid out for, from the trailer of its
// fare file; it changes with the rows.
inline BoardLayout RouteLayout = BoardLayout::Tickets12;

// Stores one cell of a row: column 1 the stop name, 2 the ticket number,
// 3 to 152 the data columns 1 to 150. Error 9 for a row or column outside,
// 13 for a name given to a number column or the reverse.
void SetFareCell(int row, int column, const QString& name);
void SetFareCell(int row, int column, std::int16_t value);

// Empties rows 1 to 301.
void ClearFareTable();

// Row `row` of the route that is set, for reading: error 9 for a row outside
// the rows stored. Row 1 is always there: before any route is set it is the
// empty row.
FareRecord& Row(int row);
// The row on show, nCurIndex + 1.
FareRecord& CurrentRow();

// Moves nCurIndex one row back (direction < 0) or forward within the rows
// stored. False, and nothing changes, at the first or last row.
bool Step(int direction);

// The route as the file names carry it: read as a decimal number and written
// without leading zeros ("00012" gives "12", an empty route "0").
QString RouteNumber(const QString& keito);

// The start section from the entered text: read as a number (empty reads as
// 0), rounded, then 0 becomes 1 and anything above 300 becomes 300.
std::int16_t SectionFromText(const QString& text);

// The fare file of a route in a folder (the folder may end in "/" or not).
QString FareFilePath(const QString& hy3Dir, const QString& keito);

enum class LoadResult {
    Loaded,
    FileMissing,     // the file is not there
    NoData,          // N = 0
    SectionTooLarge, // nKukan > N - 1
    BadLayout,       // bytes after the last record that start as the layout's trailer but are not one
};

// Reads the fare file into FareTable for the start section nKukan.
// nDataCount takes N as soon as it is read; FareTable, nStoredRows and
// nCurIndex change together, with RouteLayout, only once the whole file
// (the records and what follows them) has been read. A
// refused file (the results below, more than 301 rows, a short or damaged
// file) leaves the route that is set, and its row on show, as they were; the
// failures other than the results are thrown. A stop name with bytes that
// are not code page 932 loads with 〓 in their place; *undecodable lists
// the rows of such names when the file is loaded.
LoadResult LoadFareFile(const QString& path, std::vector<int>* undecodable = nullptr);

// The announcement tape one row back (mdlM_Tape::TapeBack, where the rest
// of the tape is).
void TapeBack(const mdlM_Tape::TapeChimes& chimes);

} // namespace DataIo
