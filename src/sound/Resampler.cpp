#include "sound/Resampler.h"

#include <algorithm>

Resampler::Resampler(int channels, int sampleRate)
    : m_channels(std::max(1, channels))
    , m_rate(std::max(1, sampleRate))
{
}

std::int64_t Resampler::frameBefore() const
{
    // The position is never before the block before's last frame.
    return m_position >= 0 ? m_position / OutputRate : -1;
}

bool Resampler::canMake() const
{
    // A frame between the block's last and the next block's first waits for
    // that block, unless there is none; one on the last frame itself needs
    // nothing more.
    const std::int64_t i = frameBefore();
    if (i != m_frames - 1)
        return i < m_frames - 1;
    return m_ended || m_position % OutputRate == 0;
}

std::int16_t Resampler::sample(std::int64_t i, int side) const
{
    return i < 0 ? m_previous[side] : m_block[static_cast<std::size_t>(2 * i + side)];
}

int Resampler::read(std::int16_t* out, int frames)
{
    int made = 0;
    while (made < frames && canMake()) {
        const std::int64_t i = frameBefore();
        const std::int64_t weight = m_position - i * OutputRate;
        const std::int64_t j = std::min(i + 1, m_frames - 1);
        for (int side = 0; side < 2; ++side) {
            const std::int64_t sum = sample(i, side) * (OutputRate - weight) + sample(j, side) * weight;
            // Halves round away from zero; the result lies between the two
            // frames, so it always fits.
            out[2 * made + side] = static_cast<std::int16_t>((sum >= 0 ? sum + OutputRate / 2 : sum - OutputRate / 2) / OutputRate);
        }
        ++made;
        m_position += m_rate;
    }
    return made;
}

void Resampler::write(const std::int16_t* in, int frames)
{
    if (!in || frames <= 0 || m_ended)
        return;
    if (m_frames > 0) {
        m_previous[0] = sample(m_frames - 1, 0);
        m_previous[1] = sample(m_frames - 1, 1);
        // A reader that did not wait for needsInput() loses the frames it
        // left, never the place.
        m_position = std::max(m_position - m_frames * OutputRate, std::int64_t(-OutputRate));
    }
    m_frames = frames;
    m_block.resize(static_cast<std::size_t>(2 * frames));
    for (int f = 0; f < frames; ++f) {
        const std::int16_t* s = in + static_cast<std::ptrdiff_t>(f) * m_channels;
        m_block[static_cast<std::size_t>(2 * f)] = s[0];
        m_block[static_cast<std::size_t>(2 * f + 1)] = m_channels == 1 ? s[0] : s[1];
    }
}

void Resampler::end()
{
    m_ended = true;
}

void Resampler::push(const std::int16_t* in, int frames, std::vector<std::int16_t>& out)
{
    write(in, frames);
    constexpr int Chunk = 1024;
    std::int16_t chunk[2 * Chunk];
    for (int got = read(chunk, Chunk); got > 0; got = read(chunk, Chunk))
        out.insert(out.end(), chunk, chunk + 2 * got);
}
