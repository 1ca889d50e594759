#pragma once

#include <readerwriterqueue/readerwriterqueue.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// One play of one sound on its way from the feeder to the mixer: blocks of
// interleaved stereo frames at the output rate in a lock-free queue with one
// producer, the feeder's thread, and one consumer, the device's thread. Each
// side has its own methods below; neither calls the other's.
//
// The feeder keeps its reference until a channel has let go of the queue
// (attached is cleared), and lets go of it after that: the queue's memory is
// always freed on the feeder's thread, never on the device's.
class VoiceQueue
{
public:
    // The feeder reads a stream 1024 frames (23 ms) at a time and keeps up to
    // 16 of them queued, 370 ms ahead of the device: a stall of the feeder
    // that long goes unheard, and a voice's queue holds 64 KiB whatever its
    // length.
    static constexpr int BlockFrames = 1024;
    static constexpr std::size_t Blocks = 16;

    struct Block
    {
        std::array<std::int16_t, 2 * BlockFrames> samples;
        int frames = 0;
    };

    VoiceQueue();

    // The feeder's side.
    bool hasRoom() const;
    // Only with room.
    void push(Block&& block);
    // After the last block: the voice plays out what is queued and ends.
    void end();
    bool ended() const;

    // The device thread's side. Up to frames frames of the next blocks into
    // out (2 * frames samples); returns how many. Fewer: the feeder is late,
    // or the voice has run out.
    int take(std::int16_t* out, int frames);
    // True once the feeder has ended the voice and take() has had every frame.
    bool drained();

    // Whether a channel still holds the voice. Cleared, with the output
    // locked, when the channel lets go of it; the feeder then stops reading
    // and lets go too.
    std::atomic<bool> attached{true};

private:
    moodycamel::ReaderWriterQueue<Block> m_queue;
    std::atomic<bool> m_ended{false};
    // The device thread's alone: frames already taken from the front block.
    int m_offset = 0;
};
