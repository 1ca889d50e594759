#include "GtfsSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>
#include <utility>

namespace Gtfs {

namespace {

bool isUsed(const std::string& lowerName)
{
    const auto& used = usedFileNames();
    return std::find(used.begin(), used.end(), lowerName) != used.end();
}

QString zipErrorText(zip_error_t* error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
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

struct ZipCloser
{
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser
{
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

class ZipFeed : public FeedSource
{
public:
    ZipFeed(ZipPtr zip, const Limits& limits)
        : m_zip(std::move(zip))
        , m_limits(limits)
    {
        // For each used name the entry nearest the top of the archive.
        std::map<std::string, std::size_t> depthOf;
        const zip_int64_t count = zip_get_num_entries(m_zip.get(), 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* raw = zip_get_name(m_zip.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
            if (!raw)
                continue;
            const std::string_view path(raw);
            const std::size_t slash = path.rfind('/');
            const std::string base = lowerAscii(slash == std::string_view::npos ? path : path.substr(slash + 1));
            if (!isUsed(base))
                continue;
            const auto depth = static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
            const auto it = depthOf.find(base);
            if (it == depthOf.end() || depth < it->second) {
                depthOf[base] = depth;
                m_entries[base] = static_cast<zip_uint64_t>(i);
            }
        }
    }

    std::unique_ptr<ByteStream> open(const std::string& name) override;

    // Counts what comes out of an entry against the limits: the sizes a zip
    // announces can lie.
    void inflated(const std::string& name, std::size_t soFar)
    {
        std::size_t& most = m_inflated[name];
        if (soFar > most) {
            m_total += soFar - most;
            most = soFar;
        }
        if (soFar > m_limits.maxFileBytes || m_total > m_limits.maxTotalBytes) {
            throw Error(QStringLiteral("%1 が大きすぎます (展開して %2 MiB まで、フィード全体で %3 MiB までです)。")
                            .arg(QString::fromStdString(name))
                            .arg(m_limits.maxFileBytes >> 20)
                            .arg(m_limits.maxTotalBytes >> 20));
        }
    }

private:
    ZipPtr m_zip;
    Limits m_limits;
    std::map<std::string, zip_uint64_t> m_entries;
    std::map<std::string, std::size_t> m_inflated;
    std::size_t m_total = 0;
};

class ZipEntryStream : public ByteStream
{
public:
    ZipEntryStream(ZipFeed& feed, std::string name, zip_file_t* file)
        : m_feed(feed)
        , m_name(std::move(name))
        , m_file(file)
    {
    }

    std::size_t read(char* to, std::size_t size) override
    {
        const zip_int64_t got = zip_fread(m_file.get(), to, size);
        if (got < 0) {
            throw Error(QStringLiteral("zip の中の %1 が壊れています (%2)。")
                            .arg(QString::fromStdString(m_name), zipErrorText(zip_file_get_error(m_file.get()))));
        }
        m_count += static_cast<std::size_t>(got);
        m_feed.inflated(m_name, m_count);
        return static_cast<std::size_t>(got);
    }

private:
    ZipFeed& m_feed;
    std::string m_name;
    std::unique_ptr<zip_file_t, ZipFileCloser> m_file;
    std::size_t m_count = 0;
};

std::unique_ptr<ByteStream> ZipFeed::open(const std::string& name)
{
    const auto it = m_entries.find(name);
    if (it == m_entries.end())
        return nullptr;
    zip_file_t* file = zip_fopen_index(m_zip.get(), it->second, 0);
    if (!file) {
        throw Error(QStringLiteral("zip の中の %1 を開けません (%2)。")
                        .arg(QString::fromStdString(name), zipErrorText(zip_get_error(m_zip.get()))));
    }
    return std::make_unique<ZipEntryStream>(*this, name, file);
}

class FileStream : public ByteStream
{
public:
    explicit FileStream(const QString& path)
        : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("%1 を開けません (%2)。").arg(QFileInfo(path).fileName(), m_file.errorString()));
    }

    std::size_t read(char* to, std::size_t size) override
    {
        const qint64 got = m_file.read(to, static_cast<qint64>(size));
        if (got < 0)
            throw Error(QStringLiteral("%1 を読めません (%2)。").arg(QFileInfo(m_file).fileName(), m_file.errorString()));
        return static_cast<std::size_t>(got);
    }

private:
    QFile m_file;
};

class FolderFeed : public FeedSource
{
public:
    explicit FolderFeed(const QString& path)
    {
        const QDir dir(path);
        if (!dir.exists())
            throw Error(QStringLiteral("フォルダーが見つかりません。"));
        const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const std::string name = lowerAscii(entry.fileName().toStdString());
            if (isUsed(name))
                m_paths.try_emplace(name, entry.filePath());
        }
    }

    std::unique_ptr<ByteStream> open(const std::string& name) override
    {
        const auto it = m_paths.find(name);
        return it == m_paths.end() ? nullptr : std::make_unique<FileStream>(it->second);
    }

private:
    std::map<std::string, QString> m_paths;
};

} // namespace

const std::vector<std::string>& usedFileNames()
{
    static const std::vector<std::string> names = {"stops.txt", "routes.txt", "trips.txt", "stop_times.txt",
                                                    "fare_attributes.txt", "fare_rules.txt", "translations.txt"};
    return names;
}

std::unique_ptr<ByteStream> MemoryFeed::open(const std::string& name)
{
    const auto it = m_files.find(name);
    return it == m_files.end() ? nullptr : std::make_unique<MemoryStream>(it->second);
}

std::unique_ptr<FeedSource> openZipFile(const QString& path, const Limits& limits)
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
    return std::make_unique<ZipFeed>(std::move(zip), limits);
}

std::unique_ptr<FeedSource> openZipBytes(std::string_view bytes, const Limits& limits)
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
    return std::make_unique<ZipFeed>(std::move(zip), limits);
}

std::unique_ptr<FeedSource> openFolder(const QString& path)
{
    return std::make_unique<FolderFeed>(path);
}

std::unique_ptr<FeedSource> openFeed(const QString& path, const Limits& limits)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Error(QStringLiteral("ファイルが見つかりません。"));
    return info.isDir() ? openFolder(path) : openZipFile(path, limits);
}

} // namespace Gtfs
