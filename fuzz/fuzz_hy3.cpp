// The fare file as the panel opens it and as the converter turns it into
// CSV. The bytes go through a real file because both take a path, as the
// user's file reaches them. The reader is also run on its own: the records
// and the board layout it accepts must come back the same from the writer.

#include "Convert.h"

#include "panel/DataIo.h"
#include "panel/Hy3File.h"
#include "panel/Hy3Layout.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

namespace {

const QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

struct Route
{
    std::vector<Hy3File::Record> records;
    BoardLayout layout = BoardLayout::Tickets12;
};

Route readRoute(QByteArray bytes)
{
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    Route route;
    route.records = Hy3File::readRecords(file, Hy3File::readCount(file));
    route.layout = Hy3Layout::read(file);
    return route;
}

bool same(const Route& a, const Route& b)
{
    if (a.layout != b.layout || a.records.size() != b.records.size())
        return false;
    for (std::size_t i = 0; i < a.records.size(); ++i) {
        const Hy3File::Record& x = a.records[i];
        const Hy3File::Record& y = b.records[i];
        if (x.Chimei != y.Chimei || x.SeiriNum != y.SeiriNum || x.Fare != y.Fare)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString path = scratch().filePath(QStringLiteral("route.hy3"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(bytes);
    }

    // A refused file is the reader doing its job.
    DataIo::nKukan = 1;
    try {
        std::vector<int> undecodable;
        if (DataIo::LoadFareFile(path, &undecodable) == DataIo::LoadResult::Loaded) {
            // Every stored row must be readable.
            volatile std::int32_t sum = static_cast<std::int32_t>(DataIo::RouteLayout);
            for (int r = 1; r <= DataIo::nStoredRows; ++r) {
                const DataIo::FareRecord& row = DataIo::FareTable.at(static_cast<std::size_t>(r));
                sum = sum + row.Fare.back() + row.Chimei.size();
            }
            // A name named for its bad bytes is a stored one and shows them.
            for (int r : undecodable) {
                if (r < 1 || r > DataIo::nStoredRows
                    || !DataIo::FareTable.at(static_cast<std::size_t>(r)).Chimei.contains(QChar(u'\u3013')))
                    std::abort();
            }
        }
    } catch (const std::exception&) {
    }
    try {
        Hy3Conv::hy3ToCsv(path, scratch().filePath(QStringLiteral("route.csv")));
    } catch (const std::exception&) {
    }

    Route route;
    QByteArray written;
    try {
        route = readRoute(bytes);
        written = Hy3File::write(route.records) + Hy3Layout::trailer(route.layout);
    } catch (const std::exception&) {
        return 0;
    }
    if (!same(readRoute(written), route))
        std::abort();
    return 0;
}
