#include "sound/Mix.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Samples = std::vector<std::int16_t>;

Samples mixed(const std::vector<Samples>& sources, std::size_t samples)
{
    std::vector<std::span<const std::int16_t>> spans(sources.begin(), sources.end());
    // Whatever out held before is overwritten.
    Samples out(samples, 12345);
    Mix::mix(spans, out);
    return out;
}

TEST(Mix, AddsLevelsSaturatesAndLeavesSilenceWhereNothingPlays)
{
    const struct
    {
        const char* what;
        std::vector<Samples> sources;
        std::size_t samples;
        Samples out;
    } cases[] = {
        {"no source", {}, 4, {0, 0, 0, 0}},
        {"only empty sources", {{}, {}}, 2, {0, 0}},
        {"one source as it is", {{1, -2, 3, -4}}, 4, {1, -2, 3, -4}},
        {"levels add", {{1000, 2000}, {-300, 20}, {5, -2020}}, 2, {705, 0}},
        {"loud sounds clip at full scale", {{30000, -30000}, {30000, -30000}}, 2, {32767, -32768}},
        {"five at full scale", {{32767, -32768}, {32767, -32768}, {32767, -32768}, {32767, -32768}, {32767, -32768}},
         2, {32767, -32768}},
        {"clipping is per sample, after the sum", {{32767, 100}, {32767, 0}, {-32768, 0}}, 2, {32766, 100}},
        {"shorter sources add to the first frames", {{1, 1, 1, 1, 1, 1}, {10, 10}, {}, {100, 100, 100, 100}}, 8,
         {111, 111, 101, 101, 1, 1, 0, 0}},
        {"a source longer than the block is cut", {{1, 2, 3, 4, 5, 6}}, 4, {1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(mixed(c.sources, c.samples), c.out);
    }

    // Blocks longer than the mix's own pieces.
    Samples ramp(10000);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::int16_t>(i);
    const Samples half(5001, -1);
    const Samples out = mixed({ramp, half}, 10000);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], static_cast<std::int16_t>(i < 5001 ? i - 1 : i)) << i;
}

} // namespace
