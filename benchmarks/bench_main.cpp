#include "platform/Application.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

// Widgets need an application object; without a display the benchmarks run
// on the offscreen platform.
int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
