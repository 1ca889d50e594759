#pragma once

#include "board/BoardLayout.h"
#include "panel/Hy3File.h"

#include <QByteArray>
#include <QString>

#include <exception>
#include <string>
#include <vector>

// The readable form of a fare file: one CSV row per stop with its name, its
// numbered-ticket number and up to 150 values. Files are code page 932 (or
// UTF-8 when they start with a byte order mark, which no code page 932 file
// can), lines end in CR LF or LF, '#' starts a comment line.
namespace FareCsv {

// A problem in the CSV, in Japanese for the user. line is the 1-based line of
// the file, 0 when the problem is not tied to one line.
class Error : public std::exception
{
public:
    Error(int line, QString text);

    int line() const noexcept { return m_line; }
    // The message with its line, "12 行目: ...".
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_line;
    QString m_message;
    std::string m_what;
};

// The text of a CSV file's bytes.
QString decode(const QByteArray& bytes);

// The line that lays a route out for a board, "運賃表示器,整理券36": a
// first field no stop row can be told from, and a second field that is not
// a number, which no row of a CSV from before the statement can hold.
inline constexpr char16_t StatementKey[] = u"運賃表示器";

// The records of a CSV text, and in layout (when given) the board its
// statement line names, the twelve-ticket board without one. Refuses, naming
// the line: more than 301 stops, more than 150 values in a row, a number
// that is not an integer in the 16-bit signed range, a name that code page
// 932 cannot hold, broken quotes, a statement of another board or with
// values, a second statement. Empty value fields and missing trailing values
// are 0.
std::vector<Hy3File::Record> parse(const QString& text, BoardLayout* layout = nullptr);

// Empty when code page 932 can hold the whole text; otherwise the first
// character it cannot hold, written 「é」(U+00E9) as the refusals name it.
QString unencodableCharacter(const QString& text);

// Refuses (naming the line; 0 for none) a stop name that code page 932
// cannot hold or that is longer than a fare file can store.
void checkName(const QString& name, int line);

// CSV text for records, CR LF line ends, trailing zero values left out, the
// statement line for the thirty-six-ticket board; parse gives the same
// records and layout back. Refuses names holding a line break.
QString format(const std::vector<Hy3File::Record>& records, BoardLayout layout = BoardLayout::Tickets12);

} // namespace FareCsv
