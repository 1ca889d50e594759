#include "sound/Mix.h"

#include <algorithm>
#include <array>

namespace Mix {

void mix(std::span<const std::span<const std::int16_t>> sources, std::span<std::int16_t> out)
{
    // Summed in 32 bits a piece at a time: five sources of full scale are far
    // inside that, and the piece stays on the stack of the device's thread.
    constexpr std::size_t Piece = 2048;
    std::array<std::int32_t, Piece> sum;
    for (std::size_t from = 0; from < out.size(); from += Piece) {
        const std::size_t n = std::min(Piece, out.size() - from);
        std::fill_n(sum.begin(), n, 0);
        for (const std::span<const std::int16_t>& source : sources) {
            const std::size_t end = std::min(source.size(), from + n);
            for (std::size_t i = from; i < end; ++i)
                sum[i - from] += source[i];
        }
        for (std::size_t i = 0; i < n; ++i)
            out[from + i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(sum[i], INT16_MIN, INT16_MAX));
    }
}

} // namespace Mix
