#include "sound/Resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using Samples = std::vector<std::int16_t>;

// in given in blocks of the sizes listed (the last size repeats), read back
// reading at most readFrames frames at a time, then ended.
Samples convert(const Samples& in, int channels, int rate, std::vector<int> blocks = {1 << 20}, int readFrames = 1000)
{
    Resampler r(channels, rate);
    Samples out;
    std::vector<std::int16_t> piece(static_cast<std::size_t>(2 * readFrames));
    const int total = static_cast<int>(in.size()) / channels;
    int given = 0;
    std::size_t b = 0;
    for (;;) {
        const int got = r.read(piece.data(), readFrames);
        out.insert(out.end(), piece.begin(), piece.begin() + 2 * got);
        if (got > 0)
            continue;
        if (r.finished())
            break;
        EXPECT_TRUE(r.needsInput());
        if (given == total) {
            r.end();
            continue;
        }
        const int n = std::min(blocks[std::min(b++, blocks.size() - 1)], total - given);
        r.write(in.data() + static_cast<std::ptrdiff_t>(given) * channels, n);
        given += n;
    }
    return out;
}

TEST(Resampler, ConvertsRatesAndChannelsAndHoldsTheLastFrameAtTheEnd)
{
    const struct
    {
        const char* what;
        Samples in;
        int channels;
        int rate;
        Samples out;
    } cases[] = {
        {"mono is doubled", {10, 20, 30}, 1, 44100, {10, 10, 20, 20, 30, 30}},
        {"stereo keeps its sides", {1, -1, 2, -2}, 2, 44100, {1, -1, 2, -2}},
        {"only the first two of four channels", {1, 2, 3, 4, 5, 6, 7, 8}, 4, 44100, {1, 2, 5, 6}},
        {"half the rate: every second frame between two", {0, 100, 10, 90, 20, 80}, 2, 22050,
         {0, 100, 5, 95, 10, 90, 15, 85, 20, 80, 20, 80}},
        {"double the rate: every second frame", {10, 20, 30}, 1, 88200, {10, 10, 30, 30}},
        {"halves round away from zero", {0, 1, -1, 0}, 1, 22050, {0, 0, 1, 1, 1, 1, 0, 0, -1, -1, -1, -1, 0, 0, 0, 0}},
        {"full scale both ways", {-32768, 32767}, 1, 22050, {-32768, -32768, -1, -1, 32767, 32767, 32767, 32767}},
        {"nothing in, nothing out", {}, 1, 22050, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(convert(c.in, c.channels, c.rate), c.out);
    }

    // A second's input is a second's output, up or down.
    for (const int rate : {8000, 11025, 22050, 32000, 44100, 48000, 96000}) {
        SCOPED_TRACE(rate);
        const Samples second(static_cast<std::size_t>(rate), 7);
        const Samples out = convert(second, 1, rate);
        EXPECT_EQ(out.size(), 2u * 44100);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == 7; }));
    }
}

TEST(Resampler, BlocksComeOutAsTheWholeWould)
{
    std::mt19937 random(517);
    std::uniform_int_distribution<int> value(-32768, 32767);
    const struct
    {
        int channels;
        int rate;
        std::vector<int> blocks;
        int readFrames;
    } cases[] = {
        {1, 22050, {1}, 1000},     {1, 22050, {700}, 7},    {2, 48000, {1024}, 1024}, {2, 48000, {3, 1, 4000}, 333},
        {1, 8000, {13}, 1},        {3, 96000, {1}, 512},    {2, 44100, {1000}, 999},  {1, 11025, {2, 5000}, 4096},
        {2, 44101, {4096}, 100},   {1, 1000, {1}, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels at " << c.rate << ", blocks from " << c.blocks.front()
                                        << ", reads of " << c.readFrames);
        Samples in(static_cast<std::size_t>(c.channels) * 9000);
        std::generate(in.begin(), in.end(), [&] { return static_cast<std::int16_t>(value(random)); });
        const Samples whole = convert(in, c.channels, c.rate);
        ASSERT_FALSE(whole.empty());
        EXPECT_EQ(convert(in, c.channels, c.rate, c.blocks, c.readFrames), whole);
    }
}

TEST(Resampler, PushedChunksOfAVoiceFollowOneAnother)
{
    // A rising line at half the rate stays a line across the chunks; the
    // frame after each chunk's last waits for the next chunk.
    Samples line(3000);
    for (std::size_t i = 0; i < line.size(); ++i)
        line[i] = static_cast<std::int16_t>(2 * i);
    Resampler r(1, 22050);
    Samples out;
    for (std::size_t at = 0; at < line.size(); at += 700)
        r.push(line.data() + at, static_cast<int>(std::min<std::size_t>(700, line.size() - at)), out);
    ASSERT_EQ(out.size(), 2u * (2 * 3000 - 1));
    for (std::size_t f = 0; f < out.size() / 2; ++f) {
        ASSERT_EQ(out[2 * f], static_cast<std::int16_t>(f)) << f;
        ASSERT_EQ(out[2 * f + 1], out[2 * f]) << f;
    }

    // The end lets the last frames out.
    r.end();
    std::int16_t tail[8] = {};
    EXPECT_EQ(r.read(tail, 4), 1);
    EXPECT_EQ(tail[0], 2 * 2999);
    EXPECT_TRUE(r.finished());
    EXPECT_EQ(r.read(tail, 4), 0);
}

} // namespace
