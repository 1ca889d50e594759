// The converter's feed reader and route import. One input carries a whole
// feed: each file starts on a line "==> name.txt <==", the layout `tail -n +1
// *.txt` prints, so a published feed's files make a seed as they are. An
// input that starts like a zip goes through the zip reader instead.

#include "GtfsImport.h"
#include "GtfsSource.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
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
        const Gtfs::FeedFiles files = input.starts_with("PK") ? Gtfs::FeedFiles{} : splitFiles(input);
        std::unique_ptr<Gtfs::FeedSource> source;
        if (input.starts_with("PK"))
            source = Gtfs::openZipBytes(input, limits);
        else
            source = std::make_unique<Gtfs::MemoryFeed>(files);
        int imports = 0;
        for (const Gtfs::RouteSummary& summary : Gtfs::summarize(*source)) {
            for (int direction = -1; direction < 2 && imports < 8; ++direction) {
                if (direction >= 0 && summary.directions[static_cast<std::size_t>(direction)].stops == 0)
                    continue;
                ++imports;
                Gtfs::ImportRequest request;
                request.route = QString::fromStdString(summary.route.id);
                request.direction = direction;
                request.keito = QStringLiteral("1");
                // Each way of making the board, one after the other.
                request.ticketPerStop = imports % 2 == 0;
                request.ic = imports % 3 == 0;
                try {
                    (void)Gtfs::tapeBytes(Gtfs::importRoute(*source, request).tape);
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
