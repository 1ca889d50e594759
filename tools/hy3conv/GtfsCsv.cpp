#include "GtfsCsv.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <utility>

namespace Gtfs {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
// Blocks start small, as most files of a feed are, and double up to a
// quarter of a megabyte: large enough that the per-block work vanishes in
// the stop times, small enough not to count beside the feed's own data.
constexpr std::size_t kFirstBlock = std::size_t{4} << 10;
constexpr std::size_t kBlock = std::size_t{256} << 10;
// No real record comes near this; a quote that never closes would otherwise
// make the whole rest of the file one record held in memory.
constexpr std::size_t kMaxRecordBytes = std::size_t{16} << 20;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isValidUtf8(std::string_view bytes)
{
    return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8();
}

// Only called once a stretch of whole lines failed: a character never spans
// a line break, so the first line that fails alone is the one to name.
int firstBadUtf8Line(std::string_view bytes)
{
    int line = 1;
    while (!bytes.empty()) {
        const std::size_t eol = bytes.find('\n');
        if (!isValidUtf8(bytes.substr(0, eol)))
            return line;
        if (eol == std::string_view::npos)
            break;
        bytes.remove_prefix(eol + 1);
        ++line;
    }
    return line;
}

bool endsField(char c)
{
    return c == ',' || c == '\n' || c == '\r';
}

} // namespace

Error::Error(QString message)
    : m_message(std::move(message))
    , m_what(m_message.toStdString())
{
}

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::size_t MemoryStream::read(char* to, std::size_t size)
{
    const std::size_t n = std::min(size, m_rest.size());
    if (n > 0)
        std::memcpy(to, m_rest.data(), n);
    m_rest.remove_prefix(n);
    return n;
}

std::string_view CsvRecord::field(int column) const
{
    if (column < 0 || static_cast<std::size_t>(column) >= m_fields.size())
        return {};
    return trimmed(m_fields[static_cast<std::size_t>(column)]);
}

CsvReader::CsvReader(QString fileName, ByteStream& in, std::size_t maxColumns)
    : m_fileName(std::move(fileName))
    , m_in(in)
    , m_keep(maxColumns)
    , m_block(kFirstBlock)
{
    const CsvRecord* header = next();
    if (!header)
        throw Error(QStringLiteral("%1: 空のファイルです (1 行目に列名が必要です)。").arg(m_fileName));
    m_headerLine = header->line();
    for (std::string_view name : header->m_fields)
        m_header.emplace_back(trimmed(name));
    // Fields past the header's are never asked for.
    m_keep = std::max<std::size_t>(m_header.size(), 1);
}

int CsvReader::column(std::string_view name) const
{
    for (std::size_t k = 0; k < m_header.size(); ++k) {
        if (m_header[k] == name)
            return static_cast<int>(k);
    }
    return -1;
}

int CsvReader::requireColumn(std::string_view name) const
{
    const int k = column(name);
    if (k < 0) {
        throw Error(QStringLiteral("%1: %2 行目: 列 %3 がありません。")
                        .arg(m_fileName).arg(m_headerLine).arg(text(name)));
    }
    return k;
}

const CsvRecord* CsvReader::next()
{
    for (;;) {
        switch (parseRecord()) {
        case Parsed::Record:
            return &m_record;
        case Parsed::Blank:
            break;
        case Parsed::End:
            return nullptr;
        case Parsed::NeedMore:
            fill();
            break;
        }
    }
}

void CsvReader::fill()
{
    // What is left is the start of a record that the block cut off.
    m_buf.erase(0, m_pos);
    m_validated -= m_pos;
    m_pos = 0;
    if (m_buf.size() > kMaxRecordBytes) {
        throw Error(QStringLiteral("%1: %2 行目: 行が長すぎます (%3 MiB まで)。引用符 (\") が閉じていない可能性があります。")
                        .arg(m_fileName).arg(m_line).arg(kMaxRecordBytes >> 20));
    }
    // At least doubling what is held keeps a long record from being parsed
    // over and over.
    const std::size_t want = std::max(m_block, m_buf.size());
    m_block = std::min(2 * m_block, kBlock);
    const std::size_t had = m_buf.size();
    m_buf.resize(had + want);
    std::size_t got = 0;
    while (got < want) {
        const std::size_t n = m_in.read(m_buf.data() + had + got, want - got);
        if (n == 0) {
            m_eof = true;
            break;
        }
        got += n;
    }
    m_buf.resize(had + got);
    if (!m_started) {
        m_started = true;
        if (std::string_view(m_buf).substr(0, kBom.size()) == kBom)
            m_buf.erase(0, kBom.size());
    }
    validate();
}

// Checks the bytes up to the last line end that came in (all of them at the
// end of the file), so that a character cut by the block is checked whole
// with the next one. A record is handed out only once its line end is in,
// so every field given out has been checked.
void CsvReader::validate()
{
    std::size_t end = m_buf.size();
    if (!m_eof) {
        const std::size_t last = std::string_view(m_buf).find_last_of("\r\n");
        end = last == std::string_view::npos || last < m_validated ? m_validated : last + 1;
    }
    const std::string_view span = std::string_view(m_buf).substr(m_validated, end - m_validated);
    if (!isValidUtf8(span)) {
        throw Error(QStringLiteral("%1: %2 行目: UTF-8 として読めないバイトがあります。")
                        .arg(m_fileName).arg(m_validatedLines + firstBadUtf8Line(span)));
    }
    m_validatedLines += static_cast<int>(std::count(span.begin(), span.end(), '\n'));
    m_validated = end;
}

CsvReader::Parsed CsvReader::parseRecord()
{
    const std::string_view bytes = m_buf;
    const std::size_t n = bytes.size();
    std::size_t i = m_pos;
    if (i >= n)
        return m_eof ? Parsed::End : Parsed::NeedMore;
    // Until the whole record is in, nothing is committed: a record cut by
    // the block is parsed again from its start once more bytes are in.
    const bool more = !m_eof;
    int line = m_line;
    std::vector<std::string_view>& fields = m_record.m_fields;
    fields.clear();
    bool anyQuoted = false;
    for (;;) {
        std::size_t j = i;
        while (j < n && isBlank(bytes[j]))
            ++j;
        const std::size_t slot = fields.size();
        const bool kept = slot < m_keep;
        std::string_view field;
        if (j < n && bytes[j] == '"') {
            anyQuoted = true;
            const int openLine = line;
            if (m_quoted.size() <= slot)
                m_quoted.resize(slot + 1);
            std::string& buf = m_quoted[slot];
            buf.clear();
            i = j + 1;
            for (;;) {
                if (i >= n) {
                    if (more)
                        return Parsed::NeedMore;
                    throw Error(QStringLiteral("%1: %2 行目: %3 列目の引用符 (\") が閉じていません。")
                                    .arg(m_fileName).arg(openLine).arg(slot + 1));
                }
                const std::size_t q = bytes.find('"', i);
                const std::size_t stop = q == std::string_view::npos ? n : q;
                const std::string_view run = bytes.substr(i, stop - i);
                line += static_cast<int>(std::count(run.begin(), run.end(), '\n'));
                if (kept)
                    buf.append(run);
                i = stop;
                if (i >= n)
                    continue;
                if (i + 1 < n && bytes[i + 1] == '"') {
                    if (kept)
                        buf.push_back('"');
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            // Anything between the closing quote and the comma is kept as
            // written rather than refusing the whole feed for it.
            while (i < n && !endsField(bytes[i])) {
                if (!isBlank(bytes[i]) && kept)
                    buf.push_back(bytes[i]);
                ++i;
            }
            field = buf;
        } else {
            const std::size_t start = i;
            while (i < n && !endsField(bytes[i]))
                ++i;
            field = bytes.substr(start, i - start);
        }
        if (i >= n && more)
            return Parsed::NeedMore;
        if (kept)
            fields.push_back(field);
        else if (slot == m_keep)
            fields.emplace_back(); // counted once, so the slot index stays past the limit
        if (i >= n)
            break;
        if (bytes[i] == ',') {
            ++i;
            continue;
        }
        if (bytes[i] == '\r') {
            if (i + 1 >= n && more)
                return Parsed::NeedMore;
            if (i + 1 < n && bytes[i + 1] == '\n')
                ++i;
        }
        ++i;
        ++line;
        break;
    }
    m_pos = i;
    const int recordLine = m_line;
    m_line = line;
    if (fields.size() > m_keep)
        fields.resize(m_keep);
    if (!anyQuoted && fields.size() <= 1 && (fields.empty() || trimmed(fields[0]).empty()))
        return Parsed::Blank;
    m_record.m_line = recordLine;
    return Parsed::Record;
}

} // namespace Gtfs
