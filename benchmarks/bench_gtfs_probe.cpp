// Makes one route of a feed as `hy3conv from-gtfs FEED OUT_DIR --route R`
// does, then prints the peak resident memory of this process in KiB: what
// the import takes, apart from the benchmark that runs it. (The kernel's
// count for a child, ru_maxrss, starts from the size of the process that
// spawned it, so the child reports its own.)

#include "Convert.h"

#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_gtfs_probe FEED OUT_DIR ROUTE\n");
        return 2;
    }
    Hy3Conv::GtfsRequest request;
    request.route = QString::fromLocal8Bit(argv[3]);
    try {
        Hy3Conv::gtfsToHy3(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), request);
    } catch (const Hy3Conv::Failure& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 1;
    char line[256];
    long peakKiB = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            peakKiB = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(status);
    std::printf("%ld\n", peakKiB);
    return peakKiB < 0 ? 1 : 0;
}
