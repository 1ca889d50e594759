#include "board/Form1.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "panel/Hy3File.h"
#include "panel/frmCtl.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>


namespace {

std::vector<Hy3File::Record> longestRoute()
{
    std::vector<Hy3File::Record> records(DataIo::MaxRows);
    for (int r = 0; r < DataIo::MaxRows; ++r) {
        records[static_cast<size_t>(r)].Chimei = QStringLiteral("市民病院前三丁目%1").arg(r);
        records[static_cast<size_t>(r)].SeiriNum = static_cast<std::int16_t>(r + 1);
        for (int i = 0; i < Hy3File::FareCount; ++i)
            records[static_cast<size_t>(r)].Fare[static_cast<size_t>(i)] = static_cast<std::int16_t>(170 + 10 * (r + i));
    }
    return records;
}

} // namespace

// Route setting's read of a 301-stop route, file to FareTable.
static void BM_LoadFareFile301Rows(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("12.hy3"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Hy3File::write(longestRoute())) < 0) {
        state.SkipWithError("cannot write the fare file");
        return;
    }
    file.close();
    DataIo::nKukan = 1;
    for (auto _ : state) {
        if (DataIo::LoadFareFile(path) != DataIo::LoadResult::Loaded)
            state.SkipWithError("not loaded");
    }
}
BENCHMARK(BM_LoadFareFile301Rows)->Unit(benchmark::kMicrosecond);

// One display of a full row: 36 fares, late-night doubling, the four
// information digits.
static void BM_DispDataFullRow(benchmark::State& state)
{
    Form1 board;
    board.Form_Load();
    frmOption& options = *board.option();
    for (QCheckBox* check : options.Check3)
        check->setChecked(true);
    board.ctl()->Check2->setChecked(true);
    DataIo::SetFareCell(1, 1, QStringLiteral("中央駅"));
    for (int c = 2; c <= 152; ++c)
        DataIo::SetFareCell(1, c, static_cast<std::int16_t>(100 + c));
    DataIo::SetFareCell(2, 1, QStringLiteral("市役所前"));
    DataIo::nStoredRows = 2;
    DataIo::nKukan = 1;
    DataIo::strKeito = QStringLiteral("00012");
    int row = 1;
    for (auto _ : state) {
        board.ctl()->DispData(row);
        row = 3 - row;
    }
}
BENCHMARK(BM_DispDataFullRow)->Unit(benchmark::kMicrosecond);
