// The converter's CSV. Records it accepts must survive both ways out: the
// CSV it writes and the fare file it writes read back to the same records.

#include "FareCsv.h"

#include "panel/Hy3File.h"
#include "panel/Hy3Layout.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace {

bool same(const std::vector<Hy3File::Record>& a, const std::vector<Hy3File::Record>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].Chimei != b[i].Chimei || a[i].SeiriNum != b[i].SeiriNum || a[i].Fare != b[i].Fare)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::vector<Hy3File::Record> records;
    BoardLayout layout = BoardLayout::Tickets12;
    try {
        records = FareCsv::parse(FareCsv::decode(bytes), &layout);
    } catch (const std::exception&) {
        return 0; // a refused file is the reader doing its job
    }

    QString csv;
    try {
        csv = FareCsv::format(records, layout);
    } catch (const FareCsv::Error&) {
        return 0; // a name holding a line break has no CSV form
    }
    BoardLayout again = BoardLayout::Tickets12;
    if (!same(FareCsv::parse(csv, &again), records) || again != layout)
        std::abort();

    QByteArray hy3 = Hy3File::write(records) + Hy3Layout::trailer(layout);
    QBuffer file(&hy3);
    file.open(QIODevice::ReadOnly);
    if (!same(Hy3File::readRecords(file, Hy3File::readCount(file)), records) || Hy3Layout::read(file) != layout)
        std::abort();
    return 0;
}
