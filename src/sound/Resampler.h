#pragma once

#include <cstdint>
#include <vector>

// Interleaved 16-bit frames of any channel count and rate, made into
// interleaved stereo at the output rate: mono is doubled, channels past the
// first two are dropped, the rate is converted by linear interpolation.
//
// It keeps its place across blocks: a sound given a block at a time comes out
// frame for frame as the same sound given whole would, whatever the blocks'
// sizes. The place is counted in whole numbers (the next output frame lies
// at position / SampleRate input frames), so no rounding drifts between
// blocks either.
//
// The reader asks for output frames and gives input only when asked for it,
// so what comes out at once is bounded by the reader's buffer, not by what a
// file's header says its rate is.
class Resampler
{
public:
    // The rate of what comes out: the output's.
    static constexpr int OutputRate = 44100;

    // channels and sampleRate above 0.
    Resampler(int channels, int sampleRate);

    int channels() const { return m_channels; }
    int sampleRate() const { return m_rate; }

    // Up to frames output frames into out (2 * frames samples); returns how
    // many. Fewer means that the next block is needed, or that the end was
    // given and everything after it has come out.
    int read(std::int16_t* out, int frames);
    // True when read() can make nothing more before the next write().
    bool needsInput() const { return !m_ended && !canMake(); }
    // True once end() was given and read() has made every frame.
    bool finished() const { return m_ended && !canMake(); }

    // The next block, frames frames of channels() samples each. Only when
    // needsInput(); the frames before the block's last are dropped then.
    void write(const std::int16_t* in, int frames);
    // No more input: the last frame is held for the output frames that fall
    // between it and where a next one would be.
    void end();

    // Appends every frame that in makes now (read() until needsInput()):
    // for a stream that is pushed, not pulled, such as a voice.
    void push(const std::int16_t* in, int frames, std::vector<std::int16_t>& out);

private:
    bool canMake() const;
    // The input frame at or before the next output frame.
    std::int64_t frameBefore() const;
    // Frame i of the block in hand, mapped to stereo; -1 is the last frame of
    // the block before.
    std::int16_t sample(std::int64_t i, int side) const;

    int m_channels;
    int m_rate;
    // The block in hand, already stereo.
    std::vector<std::int16_t> m_block;
    std::int64_t m_frames = 0;
    std::int16_t m_previous[2] = {0, 0};
    // Where the next output frame lies, in OutputRate-ths of an input frame
    // from the start of the block in hand.
    std::int64_t m_position = 0;
    bool m_ended = false;
};
