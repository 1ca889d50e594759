#include "board/Form1.h"
#include "options/frmOption.h"
#include "panel/DataIo.h"
#include "panel/Hy3File.h"
#include "panel/frmCtl.h"

#include <QCheckBox>
#include <QTimer>
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

namespace {

// The board on the layout of the argument (12 or 36) with every value of
// row 1 set (so on the thirty-six-ticket board it fills all five pages),
// late-night doubling and the four information digits on; row 2 has a name
// only.
struct BoardOnTwoRows
{
    explicit BoardOnTwoRows(int layout)
    {
        board.Form_Load();
        frmOption& options = *board.option();
        for (QCheckBox* check : options.Check3)
            check->setChecked(true);
        board.ctl()->Check2->setChecked(true);
        board.setBoardLayout(layout == 36 ? BoardLayout::Tickets36 : BoardLayout::Tickets12);
        options.SetProp();
        DataIo::ClearFareTable();
        DataIo::SetFareCell(1, 1, QStringLiteral("中央駅"));
        for (int c = 2; c <= 152; ++c)
            DataIo::SetFareCell(1, c, static_cast<std::int16_t>(100 + c));
        DataIo::SetFareCell(2, 1, QStringLiteral("市役所前"));
        DataIo::nStoredRows = 2;
        DataIo::nKukan = 1;
        DataIo::strKeito = QStringLiteral("00012");
    }
    Form1 board;
};

} // namespace

// One display of a full row: 36 fares, late-night doubling, the four
// information digits; on the thirty-six-ticket board also the pages of the
// row and its first page's labels.
static void BM_DispDataFullRow(benchmark::State& state)
{
    BoardOnTwoRows fixture(static_cast<int>(state.range(0)));
    int row = 1;
    for (auto _ : state) {
        fixture.board.ctl()->DispData(row);
        row = 3 - row;
    }
}
BENCHMARK(BM_DispDataFullRow)->ArgName("board")->Arg(12)->Arg(36)->Unit(benchmark::kMicrosecond);

// One page turn of the thirty-six-ticket board on a row of five pages: the
// page's 36 fares, its 36 labels, the page indicator and the information
// digits.
static void BM_PageTurn(benchmark::State& state)
{
    BoardOnTwoRows fixture(36);
    frmCtl& panel = *fixture.board.ctl();
    panel.DispData(1);
    for (auto _ : state)
        panel.tmrPage_Timer();
    panel.tmrPage->stop();
}
BENCHMARK(BM_PageTurn)->Unit(benchmark::kMicrosecond);
