#include "sound/VoiceQueue.h"

#include <algorithm>
#include <utility>

VoiceQueue::VoiceQueue()
    : m_queue(Blocks)
{
}

bool VoiceQueue::hasRoom() const
{
    return m_queue.size_approx() < Blocks;
}

void VoiceQueue::push(Block&& block)
{
    m_queue.try_enqueue(std::move(block));
}

void VoiceQueue::end()
{
    m_ended.store(true, std::memory_order_release);
}

bool VoiceQueue::ended() const
{
    return m_ended.load(std::memory_order_relaxed);
}

int VoiceQueue::take(std::int16_t* out, int frames)
{
    int taken = 0;
    while (taken < frames) {
        Block* block = m_queue.peek();
        if (!block)
            break;
        const int n = std::min(frames - taken, block->frames - m_offset);
        std::copy_n(block->samples.data() + 2 * m_offset, 2 * n, out + 2 * taken);
        taken += n;
        m_offset += n;
        if (m_offset == block->frames) {
            m_queue.pop();
            m_offset = 0;
        }
    }
    return taken;
}

bool VoiceQueue::drained()
{
    // ended is read before the queue: once it is seen set, every block the
    // feeder queued is visible too.
    const bool ended = m_ended.load(std::memory_order_acquire);
    return ended && m_queue.peek() == nullptr;
}
