#pragma once

#include "speech/TapeRow.h"

#include <QString>

#include <vector>

// The announcement data file: per line an announcement text, the link flag
// and the chime flag, separated by commas.
namespace TapeCsv {

// The tape's own row: the converter spells it by the file's name.
using Row = mdlM_Tape::TapeRow;

// Reads the decoded file. The rows are as many as the lines; the fields are
// read in threes as they come, a text may be quoted to hold commas, leading
// blanks are dropped and an empty number reads as 0. Throws AppError for no
// lines, a number that is not one or out of range, a last row short of
// fields, or more rows of fields than lines.
std::vector<Row> parse(const QString& text);

} // namespace TapeCsv
