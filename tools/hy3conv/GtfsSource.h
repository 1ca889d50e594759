#pragma once

#include "GtfsCsv.h"

#include <QString>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Where the files of a published bus feed come from: the zip file as
// published, a folder of its .txt files, or files held in memory. Each file
// is read as a stream, as often as the reader needs, and never held whole.
namespace Gtfs {

// What a zip may inflate to. Published feeds of large cities reach a few
// hundred megabytes of stop times; a zip bomb stops at these bounds. A file
// read twice counts once.
struct Limits
{
    std::size_t maxFileBytes = std::size_t{768} << 20;
    std::size_t maxTotalBytes = std::size_t{1024} << 20;
};

// The files the reader uses, by lower-case name; others are never opened.
const std::vector<std::string>& usedFileNames();

class FeedSource
{
public:
    virtual ~FeedSource() = default;
    // The file of that lower-case name (one of usedFileNames()) from its
    // first byte, or nullptr when the feed has none. Messages of the stream
    // do not name the feed: the caller does.
    virtual std::unique_ptr<ByteStream> open(const std::string& name) = 0;
};

// Names are matched without regard to case, and inside a zip also in a
// folder (some feeds are zipped with their folder). Throws Error for a path
// that does not exist, a file that is not a zip and a broken zip.
std::unique_ptr<FeedSource> openFeed(const QString& path, const Limits& limits = {});
std::unique_ptr<FeedSource> openZipFile(const QString& path, const Limits& limits = {});
std::unique_ptr<FeedSource> openFolder(const QString& path);
// A zip held in memory; the bytes must outlive the source.
std::unique_ptr<FeedSource> openZipBytes(std::string_view bytes, const Limits& limits = {});

// The files of a feed by lower-case name ("stops.txt"), with their bytes.
using FeedFiles = std::map<std::string, std::string>;

// Files held in memory, which must outlive the source.
class MemoryFeed : public FeedSource
{
public:
    explicit MemoryFeed(const FeedFiles& files)
        : m_files(files)
    {
    }
    std::unique_ptr<ByteStream> open(const std::string& name) override;

private:
    const FeedFiles& m_files;
};

} // namespace Gtfs
