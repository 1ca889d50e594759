#include "RouteFixture.h"

#include "panel/DataIo.h"

#include <QFile>

namespace RouteFixture {

namespace {

// n stops "停留所r" of ticket number r, values 1 to `values` from fare(r, i).
template <typename Fare>
std::vector<Hy3File::Record> stops(int n, int values, Fare fare)
{
    std::vector<Hy3File::Record> records(static_cast<size_t>(n));
    for (int r = 1; r <= n; ++r) {
        Hy3File::Record& record = records[static_cast<size_t>(r - 1)];
        record.Chimei = QStringLiteral("停留所%1").arg(r);
        record.SeiriNum = static_cast<std::int16_t>(r);
        for (int i = 1; i <= values; ++i)
            record.Fare[static_cast<size_t>(i - 1)] = static_cast<std::int16_t>(fare(r, i));
    }
    return records;
}

} // namespace

std::vector<Hy3File::Record> route(int n)
{
    return stops(n, 36, [](int r, int i) { return i <= r ? 1000 + 10 * r + i : 0; });
}

int ticketFare(int r, int t)
{
    return t <= r ? 200 * r + t : 0;
}

std::vector<Hy3File::Record> ticketPerStop(int n)
{
    return stops(n, Hy3File::FareCount, ticketFare);
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test fixture %s", qPrintable(path));
    return path;
}

void resetRouteState()
{
    DataIo::ClearFareTable();
    DataIo::strKeito.clear();
    DataIo::nKukan = 0;
    DataIo::nDataCount = 0;
    DataIo::nCurIndex = 0;
    DataIo::nStoredRows = 0;
    DataIo::RouteLayout = BoardLayout::Tickets12;
}

} // namespace RouteFixture
