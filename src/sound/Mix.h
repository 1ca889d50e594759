#pragma once

#include <cstdint>
#include <span>

// The mix of the output's sources into one block for the device: pure
// arithmetic, no device, no lock.
namespace Mix {

// Adds the sources, interleaved stereo frames each, sample by sample into
// out, and bends every sum that leaves 16 bits to the nearest end of the
// range. A source shorter than out adds to out's first frames only; with no
// source, or only empty ones, out is silent.
void mix(std::span<const std::span<const std::int16_t>> sources, std::span<std::int16_t> out);

} // namespace Mix
