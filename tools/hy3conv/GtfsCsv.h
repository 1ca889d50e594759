#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The text files of a published bus feed: comma-separated records with a
// header row naming the columns, quoted as in RFC 4180 (a quoted field may
// hold commas, quotes written twice and line breaks), UTF-8 with or without a
// byte order mark, lines ending in LF or CR LF. Feeds come from many
// different tools, so the reader forgives what does not change the meaning:
// rows shorter or longer than the header, blanks around a closing quote,
// empty lines.
namespace Gtfs {

// A feed that cannot be read, in Japanese for the user; the message names the
// file and, where there is one, the line.
class Error : public std::exception
{
public:
    explicit Error(QString message);
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    QString m_message;
    std::string m_what;
};

// One table read from a file: its column names and, for each record, the
// line it starts on. Fields are UTF-8 bytes, already checked to be valid.
class CsvTable
{
public:
    // Reads the whole file. Throws Error (naming fileName and the line) for
    // bytes that are not UTF-8, an empty file and a quote that never closes.
    // Beyond maxColumns a header's further columns are not kept, so that a
    // line of a million commas costs nothing.
    static CsvTable parse(const QString& fileName, std::string_view bytes, std::size_t maxColumns = 256);

    const QString& fileName() const { return m_fileName; }
    // The index of a column, -1 when the header does not name it. Names are
    // compared after trimming blanks, case-sensitively as the format says.
    int column(std::string_view name) const;
    // Throws Error naming the file when the column is missing.
    int requireColumn(std::string_view name) const;

    std::size_t rowCount() const { return m_lines.size(); }
    int lineOf(std::size_t row) const { return m_lines[row]; }
    // Field of a row, blanks around it removed; empty for a column the row
    // lacks or for column -1. Valid as long as the table.
    std::string_view field(std::size_t row, int column) const;

private:
    struct Cell
    {
        std::uint32_t begin = 0;
        std::uint32_t size = 0;
    };

    QString m_fileName;
    std::vector<std::string> m_header;
    int m_headerLine = 1;
    std::size_t m_width = 0;   // fields kept per row
    std::string m_data;        // every kept field's bytes, back to back
    std::vector<Cell> m_cells; // rowCount() * m_width, row-major
    std::vector<int> m_lines;
};

// The reader under the table, for callers that stream: calls onRecord for
// every non-empty record with its fields (at most maxFields of them) and the
// line it starts on. The bytes must not start with the byte order mark. The
// views are valid until onRecord returns.
void readRecords(const QString& fileName, std::string_view bytes, std::size_t maxFields,
                 const std::function<void(std::vector<std::string_view>& fields, int line)>& onRecord);

// A UTF-8 field as text.
QString text(std::string_view utf8);

} // namespace Gtfs
