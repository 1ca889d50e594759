// The fare file as the panel opens it and as the converter turns it into
// CSV. The bytes go through a real file because both take a path, as the
// user's file reaches them.

#include "Convert.h"

#include "panel/DataIo.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = scratch().filePath(QStringLiteral("route.hy3"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    // A refused file is the reader doing its job.
    DataIo::nKukan = 1;
    try {
        std::vector<int> undecodable;
        if (DataIo::LoadFareFile(path, &undecodable) == DataIo::LoadResult::Loaded) {
            // Every stored row must be readable.
            volatile std::int32_t sum = 0;
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
    return 0;
}
