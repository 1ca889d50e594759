#pragma once

#include "speech/TapeRow.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// The announcement data file: per line an announcement text, the link flag
// and the chime flag, separated by commas.
namespace TapeCsv {

// The tape's own row: the converter spells it by the file's name.
using Row = mdlM_Tape::TapeRow;

// The file's code page 932 bytes as text. Bytes no character stands for
// become 〓, and *undecodableLines lists the lines (from 1) that held them:
// one bad byte costs a character, not the tape.
QString decode(const QByteArray& bytes, QList<int>* undecodableLines = nullptr);

// Reads the decoded file. The rows are as many as the lines; the fields are
// read in threes as they come, a text may be quoted to hold commas, leading
// blanks are dropped and an empty number reads as 0. Throws AppError for no
// lines, a number that is not one or out of range, a last row short of
// fields, or more rows of fields than lines.
std::vector<Row> parse(const QString& text);

} // namespace TapeCsv
