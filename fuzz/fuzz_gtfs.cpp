// The converter's feed reader and route import. One input carries a whole
// feed: each file starts on a line "==> name.txt <==", the layout `tail -n +1
// *.txt` prints, so a published feed's files make a seed as they are. An
// input that starts like a zip goes through the zip reader instead.

#include "GtfsFeed.h"
#include "GtfsImport.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

namespace {

Gtfs::FeedFiles splitFiles(std::string_view input)
{
    Gtfs::FeedFiles files;
    static constexpr std::string_view open = "==> ";
    static constexpr std::string_view close = " <==\n";
    std::string* current = nullptr;
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end == std::string_view::npos ? input.size() : end + 1);
        input.remove_prefix(line.size());
        if (line.starts_with(open) && line.ends_with(close)) {
            const std::string_view name = line.substr(open.size(), line.size() - open.size() - close.size());
            current = &files[std::string(name)];
        } else if (current) {
            current->append(line);
        }
    }
    return files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Small bounds keep a zip bomb from ending the run on memory.
    Gtfs::Limits limits;
    limits.maxFileBytes = std::size_t{1} << 20;
    limits.maxTotalBytes = std::size_t{4} << 20;
    try {
        const Gtfs::FeedFiles files = input.starts_with("PK") ? Gtfs::readZipBytes(input, limits) : splitFiles(input);
        const Gtfs::Feed feed = Gtfs::readFeed(files);
        int imports = 0;
        for (const Gtfs::RouteSummary& summary : Gtfs::summarize(feed)) {
            for (int direction = 0; direction < 2 && imports < 8; ++direction) {
                if (summary.stops[static_cast<std::size_t>(direction)] == 0)
                    continue;
                ++imports;
                try {
                    const Gtfs::ImportedRoute route =
                        Gtfs::importRoute(feed, {QString::fromStdString(summary.route->id), direction, QStringLiteral("1")});
                    (void)Gtfs::tapeBytes(route.tape);
                } catch (const std::exception&) {
                    // A refused route is the import doing its job; the next may pass.
                }
            }
        }
    } catch (const std::exception&) {
        return 0; // a refused feed is the reader doing its job
    }
    return 0;
}
