#include "GtfsFeed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>
#include <array>
#include <memory>

namespace Gtfs {

namespace {

const char* const kRequired[] = {"stops.txt", "routes.txt", "trips.txt", "stop_times.txt"};

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool isUsed(const std::string& lowerName)
{
    const auto& used = usedFileNames();
    return std::find(used.begin(), used.end(), lowerName) != used.end();
}

QString tooBig(const std::string& name, const Limits& limits)
{
    return QStringLiteral("%1 が大きすぎます (展開して %2 MiB まで、フィード全体で %3 MiB までです)。")
        .arg(QString::fromStdString(name))
        .arg(limits.maxFileBytes >> 20)
        .arg(limits.maxTotalBytes >> 20);
}

QString zipErrorText(zip_error_t* error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

struct ZipCloser
{
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser
{
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

std::string inflate(zip_t* zip, zip_uint64_t index, const std::string& name, const Limits& limits,
                    std::size_t& total)
{
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(zip, index, 0));
    if (!file) {
        throw Error(QStringLiteral("zip の中の %1 を開けません (%2)。")
                        .arg(QString::fromStdString(name), zipErrorText(zip_get_error(zip))));
    }
    std::string bytes;
    std::array<char, 1 << 16> buffer;
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), buffer.data(), buffer.size());
        if (got < 0) {
            throw Error(QStringLiteral("zip の中の %1 が壊れています (%2)。")
                            .arg(QString::fromStdString(name), zipErrorText(zip_file_get_error(file.get()))));
        }
        if (got == 0)
            break;
        const auto n = static_cast<std::size_t>(got);
        // The sizes a zip announces can lie; count what actually comes out.
        if (bytes.size() + n > limits.maxFileBytes || total + n > limits.maxTotalBytes)
            throw Error(tooBig(name, limits));
        bytes.append(buffer.data(), n);
        total += n;
    }
    return bytes;
}

FeedFiles readZip(zip_t* zip, const Limits& limits)
{
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    // For each used name the entry nearest the top of the archive.
    std::map<std::string, std::pair<zip_uint64_t, std::size_t>> chosen;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (!raw)
            continue;
        const std::string_view path(raw);
        const std::size_t slash = path.rfind('/');
        const std::string base = lowerAscii(slash == std::string_view::npos ? path : path.substr(slash + 1));
        if (!isUsed(base))
            continue;
        const auto depth = static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
        const auto it = chosen.find(base);
        if (it == chosen.end() || depth < it->second.second)
            chosen[base] = {static_cast<zip_uint64_t>(i), depth};
    }
    FeedFiles files;
    std::size_t total = 0;
    for (const auto& [name, entry] : chosen)
        files[name] = inflate(zip, entry.first, name, limits, total);
    return files;
}

[[noreturn]] void throwNotZip()
{
    throw Error(QStringLiteral("zip ファイルではありません。フィードは公開されている zip ファイルのまま、"
                               "または展開した .txt ファイルのあるフォルダーを指定してください。"));
}

// Finishes with error whether it throws or not.
void checkZipOpen(zip_t* zip, zip_error_t* error)
{
    struct Fini
    {
        zip_error_t* error;
        ~Fini() { zip_error_fini(error); }
    } fini{error};
    if (zip)
        return;
    const int code = zip_error_code_zip(error);
    if (code == ZIP_ER_NOZIP)
        throwNotZip();
    if (code == ZIP_ER_NOENT)
        throw Error(QStringLiteral("ファイルが見つかりません。"));
    if (code == ZIP_ER_OPEN || code == ZIP_ER_READ)
        throw Error(QStringLiteral("ファイルを開けません (%1)。").arg(zipErrorText(error)));
    throw Error(QStringLiteral("zip ファイルが壊れています (%1)。").arg(zipErrorText(error)));
}

// Every zip starts with a local file header, or is empty and starts with the
// end record. libzip takes an empty file for an empty archive; a file that
// starts otherwise is no zip as published.
bool looksLikeZip(std::string_view head)
{
    return head.substr(0, 4) == std::string_view("PK\x03\x04", 4) || head.substr(0, 4) == std::string_view("PK\x05\x06", 4);
}

// ----- reading the tables -----

std::string str(std::string_view s)
{
    return std::string(s);
}

const std::string* fileOf(const FeedFiles& files, const char* name)
{
    const auto it = files.find(name);
    return it == files.end() ? nullptr : &it->second;
}

CsvTable table(const FeedFiles& files, const char* name)
{
    const std::string* bytes = fileOf(files, name);
    if (!bytes) {
        throw Error(QStringLiteral("%1 がありません (フィードには stops.txt, routes.txt, trips.txt, stop_times.txt が必要です)。")
                        .arg(QLatin1String(name)));
    }
    return CsvTable::parse(QLatin1String(name), *bytes);
}

// A non-negative whole number of at most 18 digits, else -1.
std::int64_t sequenceOf(std::string_view s)
{
    if (s.empty() || s.size() > 18)
        return -1;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

void readStops(const FeedFiles& files, Feed& feed)
{
    const CsvTable t = table(files, "stops.txt");
    const int id = t.requireColumn("stop_id");
    const int name = t.requireColumn("stop_name");
    const int zone = t.column("zone_id");
    feed.stops.reserve(t.rowCount());
    for (std::size_t r = 0; r < t.rowCount(); ++r)
        feed.stops.try_emplace(str(t.field(r, id)), Stop{text(t.field(r, name)), str(t.field(r, zone))});
}

void readRoutes(const FeedFiles& files, Feed& feed, std::unordered_map<std::string, std::size_t>& index)
{
    const CsvTable t = table(files, "routes.txt");
    const int id = t.requireColumn("route_id");
    const int shortName = t.column("route_short_name");
    const int longName = t.column("route_long_name");
    for (std::size_t r = 0; r < t.rowCount(); ++r) {
        std::string routeId = str(t.field(r, id));
        if (!index.try_emplace(routeId, feed.routes.size()).second)
            continue;
        feed.routes.push_back({std::move(routeId), text(t.field(r, shortName)), text(t.field(r, longName))});
    }
}

void readTrips(const FeedFiles& files, Feed& feed, const std::unordered_map<std::string, std::size_t>& routes,
               std::unordered_map<std::string, std::uint32_t>& index)
{
    const CsvTable t = table(files, "trips.txt");
    const int route = t.requireColumn("route_id");
    const int id = t.requireColumn("trip_id");
    const int direction = t.column("direction_id");
    for (std::size_t r = 0; r < t.rowCount(); ++r) {
        const auto routeIt = routes.find(str(t.field(r, route)));
        if (routeIt == routes.end())
            continue;
        std::string tripId = str(t.field(r, id));
        if (!index.try_emplace(tripId, static_cast<std::uint32_t>(feed.trips.size())).second)
            continue;
        const std::string_view d = t.field(r, direction);
        // direction_id may be left out; a trip without one runs direction 0.
        const int dir = d.empty() || d == "0" ? 0 : d == "1" ? 1 : -1;
        feed.trips.push_back({std::move(tripId), routeIt->second, dir});
    }
}

void readStopTimes(const FeedFiles& files, Feed& feed, const std::unordered_map<std::string, std::uint32_t>& trips)
{
    const CsvTable t = table(files, "stop_times.txt");
    const int trip = t.requireColumn("trip_id");
    const int stop = t.requireColumn("stop_id");
    const int sequence = t.requireColumn("stop_sequence");
    feed.stopTimes.reserve(t.rowCount());
    std::string key;
    for (std::size_t r = 0; r < t.rowCount(); ++r) {
        key.assign(t.field(r, trip));
        const auto tripIt = trips.find(key);
        if (tripIt == trips.end())
            continue;
        feed.stopTimes.push_back({tripIt->second, sequenceOf(t.field(r, sequence)), str(t.field(r, stop)), t.lineOf(r)});
    }
}

void readFares(const FeedFiles& files, Feed& feed)
{
    for (const char* name : {"fare_attributes.txt", "fare_rules.txt"}) {
        if (!fileOf(files, name))
            feed.missingFareFiles << QLatin1String(name);
    }
    if (!feed.missingFareFiles.isEmpty())
        return;
    const CsvTable attributes = CsvTable::parse(QStringLiteral("fare_attributes.txt"), *fileOf(files, "fare_attributes.txt"));
    const int fareId = attributes.requireColumn("fare_id");
    const int price = attributes.requireColumn("price");
    for (std::size_t r = 0; r < attributes.rowCount(); ++r)
        feed.fares.try_emplace(str(attributes.field(r, fareId)), FareAttribute{str(attributes.field(r, price)), attributes.lineOf(r)});

    const CsvTable rules = CsvTable::parse(QStringLiteral("fare_rules.txt"), *fileOf(files, "fare_rules.txt"));
    const int ruleFare = rules.requireColumn("fare_id");
    const int route = rules.column("route_id");
    const int origin = rules.column("origin_id");
    const int destination = rules.column("destination_id");
    feed.fareRules.reserve(rules.rowCount());
    for (std::size_t r = 0; r < rules.rowCount(); ++r) {
        feed.fareRules.push_back({str(rules.field(r, ruleFare)), str(rules.field(r, route)), str(rules.field(r, origin)),
                                  str(rules.field(r, destination)), rules.lineOf(r)});
    }
}

bool isReadingLanguage(std::string_view language)
{
    return lowerAscii(language) == "ja-hrkt";
}

// Both layouts of translations.txt: the current one names the table and the
// field and points at a record or at a value; the older one maps a written
// text (trans_id, the stop name itself) to its translation.
void readTranslations(const FeedFiles& files, Feed& feed)
{
    const std::string* bytes = fileOf(files, "translations.txt");
    if (!bytes)
        return;
    const CsvTable t = CsvTable::parse(QStringLiteral("translations.txt"), *bytes);
    const int translation = t.column("translation");
    if (t.column("table_name") >= 0 && translation >= 0) {
        const int tableName = t.column("table_name");
        const int fieldName = t.column("field_name");
        const int language = t.column("language");
        const int recordId = t.column("record_id");
        const int fieldValue = t.column("field_value");
        for (std::size_t r = 0; r < t.rowCount(); ++r) {
            if (t.field(r, tableName) != "stops" || t.field(r, fieldName) != "stop_name"
                || !isReadingLanguage(t.field(r, language)) || t.field(r, translation).empty()) {
                continue;
            }
            if (!t.field(r, recordId).empty())
                feed.readingByStopId.try_emplace(str(t.field(r, recordId)), text(t.field(r, translation)));
            else if (!t.field(r, fieldValue).empty())
                feed.readingByName.try_emplace(str(t.field(r, fieldValue)), text(t.field(r, translation)));
        }
    } else if (t.column("trans_id") >= 0 && translation >= 0) {
        const int transId = t.column("trans_id");
        const int lang = t.column("lang");
        for (std::size_t r = 0; r < t.rowCount(); ++r) {
            if (isReadingLanguage(t.field(r, lang)) && !t.field(r, translation).empty())
                feed.readingByName.try_emplace(str(t.field(r, transId)), text(t.field(r, translation)));
        }
    } else {
        feed.warnings << QStringLiteral("translations.txt の列が読めないため、停留所名の読みは使いませんでした。");
    }
}

} // namespace

const std::vector<std::string>& usedFileNames()
{
    static const std::vector<std::string> names = {"stops.txt", "routes.txt", "trips.txt", "stop_times.txt",
                                                    "fare_attributes.txt", "fare_rules.txt", "translations.txt"};
    return names;
}

FeedFiles readZipFile(const QString& path, const Limits& limits)
{
    QFile probe(path);
    if (!probe.exists())
        throw Error(QStringLiteral("ファイルが見つかりません。"));
    if (!probe.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("ファイルを開けません (%1)。").arg(probe.errorString()));
    if (!looksLikeZip(probe.read(4).toStdString()))
        throwNotZip();
    probe.close();

    int code = 0;
    ZipPtr zip(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code));
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    checkZipOpen(zip.get(), &error);
    return readZip(zip.get(), limits);
}

FeedFiles readZipBytes(std::string_view bytes, const Limits& limits)
{
    if (!looksLikeZip(bytes))
        throwNotZip();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* raw = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!raw && source)
        zip_source_free(source);
    ZipPtr zip(raw);
    checkZipOpen(zip.get(), &error);
    return readZip(zip.get(), limits);
}

FeedFiles readFolder(const QString& path, const Limits& limits)
{
    const QDir dir(path);
    if (!dir.exists())
        throw Error(QStringLiteral("フォルダーが見つかりません。"));
    FeedFiles files;
    std::size_t total = 0;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const std::string name = lowerAscii(entry.fileName().toStdString());
        if (!isUsed(name) || files.count(name))
            continue;
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("%1 を開けません (%2)。").arg(entry.fileName(), file.errorString()));
        const auto size = static_cast<std::size_t>(std::max<qint64>(0, file.size()));
        if (size > limits.maxFileBytes || total + size > limits.maxTotalBytes)
            throw Error(tooBig(name, limits));
        const QByteArray bytes = file.read(static_cast<qint64>(size) + 1);
        if (static_cast<std::size_t>(bytes.size()) > limits.maxFileBytes)
            throw Error(tooBig(name, limits));
        total += static_cast<std::size_t>(bytes.size());
        files[name] = bytes.toStdString();
    }
    return files;
}

FeedFiles readFeedFiles(const QString& path, const Limits& limits)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Error(QStringLiteral("ファイルが見つかりません。"));
    return info.isDir() ? readFolder(path, limits) : readZipFile(path, limits);
}

Feed readFeed(const FeedFiles& files)
{
    // The four files every feed has are checked before any is read, so a
    // missing one is named even when another is also broken.
    for (const char* name : kRequired) {
        if (!fileOf(files, name))
            table(files, name); // throws the message for a missing file
    }
    Feed feed;
    std::unordered_map<std::string, std::size_t> routeIndex;
    std::unordered_map<std::string, std::uint32_t> tripIndex;
    readStops(files, feed);
    readRoutes(files, feed, routeIndex);
    readTrips(files, feed, routeIndex, tripIndex);
    readStopTimes(files, feed, tripIndex);
    readFares(files, feed);
    readTranslations(files, feed);
    return feed;
}

} // namespace Gtfs
