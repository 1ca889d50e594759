#include "board/Form1.h"
#include "controls/M_Degit.h"

#include <benchmark/benchmark.h>


// Writing a new fare into all 36 cells of the board, as one step does.
static void BM_RedrawAll36Cells(benchmark::State& state)
{
    Form1 board;
    board.Form_Load();
    int fare = 120;
    for (auto _ : state) {
        for (int i = 1; i <= 36; ++i)
            board.Degit[i]->setValue(fare + i * 10);
        fare = fare == 900 ? 120 : fare + 10;
        benchmark::DoNotOptimize(board.Degit[36]->surface().constBits());
    }
    state.SetItemsProcessed(state.iterations() * 36);
}
BENCHMARK(BM_RedrawAll36Cells)->Unit(benchmark::kMicrosecond);

// A lamp test: every segment of every cell lit, then blanked again.
static void BM_LampTestAll36Cells(benchmark::State& state)
{
    Form1 board;
    board.Form_Load();
    for (auto _ : state) {
        for (int i = 1; i <= 36; ++i)
            board.Degit[i]->ResetDegit(-1);
        for (int i = 1; i <= 36; ++i)
            board.Degit[i]->ResetDegit(0);
    }
}
BENCHMARK(BM_LampTestAll36Cells)->Unit(benchmark::kMicrosecond);
