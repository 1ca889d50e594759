#pragma once

#include <QString>

#include <cstddef>
#include <deque>
#include <exception>
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
//
// Tables are read as streams, a record at a time: the stop times of a large
// city run to hundreds of megabytes, of which an import keeps a few rows.
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

// The bytes of one file, a block at a time.
class ByteStream
{
public:
    virtual ~ByteStream() = default;
    // Copies up to size bytes to `to` and says how many; 0 only at the end.
    // Throws Error when the file cannot be read on.
    virtual std::size_t read(char* to, std::size_t size) = 0;
};

// Bytes held elsewhere, which must outlive the stream.
class MemoryStream : public ByteStream
{
public:
    explicit MemoryStream(std::string_view bytes)
        : m_rest(bytes)
    {
    }
    std::size_t read(char* to, std::size_t size) override;

private:
    std::string_view m_rest;
};

// One record of a table and the line it starts on.
class CsvRecord
{
public:
    // Field of the record, blanks around it removed; empty for a column the
    // record lacks or for column -1. UTF-8, already checked to be valid.
    std::string_view field(int column) const;
    int line() const { return m_line; }

private:
    friend class CsvReader;
    std::vector<std::string_view> m_fields;
    int m_line = 0;
};

// Reads a table record by record, holding only the record at hand (and the
// block of the file it was read from).
class CsvReader
{
public:
    // Reads up to and including the header. Beyond maxColumns a header's
    // further columns, and every record's, are not kept, so that a line of a
    // million commas costs nothing. Throws Error for an empty file.
    CsvReader(QString fileName, ByteStream& in, std::size_t maxColumns = 256);

    const QString& fileName() const { return m_fileName; }
    // The index of a column, -1 when the header does not name it. Names are
    // compared after trimming blanks, case-sensitively as the format says.
    int column(std::string_view name) const;
    // Throws Error naming the file when the column is missing.
    int requireColumn(std::string_view name) const;

    // The next record that is not an empty line, nullptr after the last.
    // Valid until the next call. Throws Error (naming the file and the line)
    // for bytes that are not UTF-8, a quote that never closes and a record
    // too long to be one.
    const CsvRecord* next();

private:
    enum class Parsed { Record, Blank, End, NeedMore };
    Parsed parseRecord();
    void fill();
    void validate();

    QString m_fileName;
    ByteStream& m_in;
    std::size_t m_keep;
    std::vector<std::string> m_header;
    int m_headerLine = 1;

    std::string m_buf;        // the part of the file being parsed
    std::size_t m_pos = 0;    // start of the next record in m_buf
    int m_line = 1;           // line the next record starts on
    bool m_eof = false;
    bool m_started = false;   // the first block (and its byte order mark) was read
    std::size_t m_block;      // bytes the next block reads at least
    std::size_t m_validated = 0; // m_buf up to here is known to be UTF-8
    int m_validatedLines = 0;    // line feeds before m_validated in the file
    // The text of quoted fields, one buffer per column; a deque, so that
    // growing it leaves the earlier fields' views valid.
    std::deque<std::string> m_quoted;
    CsvRecord m_record;
};

// A UTF-8 field as text.
QString text(std::string_view utf8);

// ASCII letters in lower case, for names the format compares without case.
std::string lowerAscii(std::string_view s);

} // namespace Gtfs
