// The fare file as the panel opens it: the bytes go through a real file
// because the loader takes a path, as the user's file reaches it.

#include "panel/DataIo.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <exception>

namespace {

QString filePath()
{
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("route.hy3"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = filePath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    DataIo::nKukan = 1;
    try {
        if (DataIo::LoadFareFile(path) == DataIo::LoadResult::Loaded) {
            // Every stored row must be readable.
            volatile std::int32_t sum = 0;
            for (int r = 1; r <= DataIo::nStoredRows; ++r)
                sum = sum + DataIo::FareTable.at(static_cast<std::size_t>(r)).Fare[150] + DataIo::FareTable[r].Chimei.size();
        }
    } catch (const std::exception&) {
        // A refused file is the reader doing its job.
    }
    return 0;
}
