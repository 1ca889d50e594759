#include "GtfsCsv.h"

#include <QByteArrayView>

#include <deque>
#include <limits>
#include <utility>

namespace Gtfs {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

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

// Only called once the whole file failed: a character never spans a line
// break, so the first line that fails alone is the one to name.
int firstBadUtf8Line(std::string_view bytes)
{
    int line = 1;
    while (!bytes.empty()) {
        const std::size_t eol = bytes.find('\n');
        const std::string_view one = bytes.substr(0, eol);
        if (!isValidUtf8(one))
            return line;
        if (eol == std::string_view::npos)
            break;
        bytes.remove_prefix(eol + 1);
        ++line;
    }
    return line;
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

void readRecords(const QString& fileName, std::string_view bytes, std::size_t maxFields,
                 const std::function<void(std::vector<std::string_view>& fields, int line)>& onRecord)
{
    std::vector<std::string_view> fields;
    // The text of quoted fields, one buffer per column; a deque, so that
    // growing it leaves the earlier fields' views valid.
    std::deque<std::string> unquoted;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    int line = 1;
    while (i < n) {
        const int recordLine = line;
        fields.clear();
        bool anyQuoted = false;
        bool endOfRecord = false;
        while (!endOfRecord) {
            std::size_t j = i;
            while (j < n && isBlank(bytes[j]))
                ++j;
            std::string_view field;
            if (j < n && bytes[j] == '"') {
                anyQuoted = true;
                const int openLine = line;
                const std::size_t slot = fields.size();
                if (unquoted.size() <= slot)
                    unquoted.resize(slot + 1);
                std::string& buf = unquoted[slot];
                buf.clear();
                i = j + 1;
                for (;;) {
                    if (i >= n) {
                        throw Error(QStringLiteral("%1: %2 行目: %3 列目の引用符 (\") が閉じていません。")
                                        .arg(fileName).arg(openLine).arg(slot + 1));
                    }
                    const std::size_t q = bytes.find('"', i);
                    const std::size_t stop = q == std::string_view::npos ? n : q;
                    const std::string_view run = bytes.substr(i, stop - i);
                    for (char c : run)
                        line += c == '\n';
                    if (slot < maxFields)
                        buf.append(run);
                    i = stop;
                    if (i >= n)
                        continue;
                    if (i + 1 < n && bytes[i + 1] == '"') {
                        if (slot < maxFields)
                            buf.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                // Anything between the closing quote and the comma is kept
                // as written rather than refusing the whole feed for it.
                while (i < n && bytes[i] != ',' && bytes[i] != '\n' && bytes[i] != '\r') {
                    if (!isBlank(bytes[i]) && slot < maxFields)
                        buf.push_back(bytes[i]);
                    ++i;
                }
                field = buf;
            } else {
                const std::size_t start = i;
                while (i < n && bytes[i] != ',' && bytes[i] != '\n' && bytes[i] != '\r')
                    ++i;
                field = bytes.substr(start, i - start);
            }
            if (fields.size() < maxFields)
                fields.push_back(field);
            else if (fields.size() == maxFields)
                fields.emplace_back(); // counted once, so the slot index stays past the limit
            if (i >= n) {
                endOfRecord = true;
            } else if (bytes[i] == ',') {
                ++i;
            } else {
                if (bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                    ++i;
                ++i;
                ++line;
                endOfRecord = true;
            }
        }
        if (fields.size() > maxFields)
            fields.resize(maxFields);
        const bool emptyLine = !anyQuoted && fields.size() <= 1 && (fields.empty() || trimmed(fields[0]).empty());
        if (!emptyLine)
            onRecord(fields, recordLine);
    }
}

CsvTable CsvTable::parse(const QString& fileName, std::string_view bytes, std::size_t maxColumns)
{
    if (bytes.substr(0, kBom.size()) == kBom)
        bytes.remove_prefix(kBom.size());
    // Cells are addressed with 32-bit offsets.
    if (bytes.size() >= std::numeric_limits<std::uint32_t>::max() / 2)
        throw Error(QStringLiteral("%1: ファイルが大きすぎます。").arg(fileName));
    if (!isValidUtf8(bytes)) {
        throw Error(QStringLiteral("%1: %2 行目: UTF-8 として読めないバイトがあります。")
                        .arg(fileName).arg(firstBadUtf8Line(bytes)));
    }

    CsvTable table;
    table.m_fileName = fileName;
    table.m_data.reserve(bytes.size());
    bool haveHeader = false;
    readRecords(fileName, bytes, maxColumns, [&](std::vector<std::string_view>& fields, int line) {
        if (!haveHeader) {
            haveHeader = true;
            table.m_headerLine = line;
            for (std::string_view name : fields)
                table.m_header.emplace_back(trimmed(name));
            table.m_width = table.m_header.size();
            return;
        }
        for (std::size_t k = 0; k < table.m_width; ++k) {
            Cell cell;
            if (k < fields.size()) {
                const std::string_view f = trimmed(fields[k]);
                cell.begin = static_cast<std::uint32_t>(table.m_data.size());
                cell.size = static_cast<std::uint32_t>(f.size());
                table.m_data.append(f);
            }
            table.m_cells.push_back(cell);
        }
        table.m_lines.push_back(line);
    });
    if (!haveHeader)
        throw Error(QStringLiteral("%1: 空のファイルです (1 行目に列名が必要です)。").arg(fileName));
    return table;
}

int CsvTable::column(std::string_view name) const
{
    for (std::size_t k = 0; k < m_header.size(); ++k) {
        if (m_header[k] == name)
            return static_cast<int>(k);
    }
    return -1;
}

int CsvTable::requireColumn(std::string_view name) const
{
    const int k = column(name);
    if (k < 0) {
        throw Error(QStringLiteral("%1: %2 行目: 列 %3 がありません。")
                        .arg(m_fileName).arg(m_headerLine).arg(text(name)));
    }
    return k;
}

std::string_view CsvTable::field(std::size_t row, int column) const
{
    if (column < 0 || static_cast<std::size_t>(column) >= m_width)
        return {};
    const Cell& cell = m_cells[row * m_width + static_cast<std::size_t>(column)];
    return std::string_view(m_data).substr(cell.begin, cell.size);
}

} // namespace Gtfs
