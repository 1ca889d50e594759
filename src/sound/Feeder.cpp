#include "sound/Feeder.h"

#include "sound/AudioDevice.h"
#include "sound/AudioOutput.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <pthread.h>
#include <utility>

namespace {

// How often the feeder looks whether a queue has room while a stream is
// open and nothing new wakes it earlier. The device takes a block every
// 11.6 ms; with 370 ms queued this is far more often than needed, and it
// only happens while something plays.
constexpr auto FeederPause = std::chrono::milliseconds(8);

} // namespace

Feeder::Feeder(std::mutex& lock, AudioDevice& device, std::function<bool()> idle)
    : m_lock(lock)
    , m_device(device)
    , m_idle(std::move(idle))
    , m_thread([this] { run(); })
{
}

Feeder::~Feeder()
{
    stop();
}

void Feeder::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_lock);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

// Both told after the lock is let go: a feeder woken while the lock is still
// held would only sleep again on the lock, and on a busy machine each
// wake-up of a thread can cost milliseconds.
void Feeder::add(Reading reading)
{
    {
        std::lock_guard lock(m_lock);
        m_incoming.push_back(std::move(reading));
        m_news = true;
    }
    m_wake.notify_one();
}

void Feeder::wakeDevice()
{
    {
        std::lock_guard lock(m_lock);
        m_wakeDevice = true;
    }
    m_wake.notify_one();
}

void Feeder::restDevice()
{
    if (m_restDevice)
        return;
    m_restDevice = true;
    m_wake.notify_one();
}

void Feeder::run()
{
    // Named for whoever counts the program's threads and their wake-ups.
    pthread_setname_np(pthread_self(), "sound feeder");
    std::vector<Active> active;
    std::vector<Active> released;
    std::unique_lock lock(m_lock);
    while (!m_quit) {
        m_news = false;
        for (Reading& r : m_incoming)
            active.push_back({std::move(r), false});
        m_incoming.clear();
        // A voice no channel holds any more is done with; it is let go of
        // here, under the lock (so that the channel's reference is gone
        // first), and destroyed below, outside it.
        const auto done = std::stable_partition(active.begin(), active.end(), [](const Active& a) { return a.reading.voice->attached.load(); });
        std::move(done, active.end(), std::back_inserter(released));
        active.erase(done, active.end());
        // Decided with the lock held: a sound or speech queued after this
        // wakes the loop again, so the device is never left resting under it.
        const bool idle = m_idle();
        const bool rest = std::exchange(m_restDevice, false) && idle;
        m_wakeDevice = false;
        lock.unlock();
        released.clear();
        if (rest)
            m_device.rest();
        // A new sound's first block is read before the device is set going,
        // so that it sounds with the device's first block.
        bool more = fillRound(active);
        if (!idle)
            m_device.wake();
        while (more && !m_news)
            more = fillRound(active);
        lock.lock();
        const auto woken = [this] { return m_quit || !m_incoming.empty() || m_wakeDevice || m_restDevice; };
        // A stream still open is read on, or, once its channel let go of it,
        // closed in the next round.
        if (std::any_of(active.begin(), active.end(), [](const Active& a) { return a.reading.stream != nullptr; }))
            m_wake.wait_for(lock, FeederPause, woken);
        else
            m_wake.wait(lock, woken);
    }
    lock.unlock();
    m_device.letGo();
    active.clear();
}

// Every voice with room gets one block, so that a new sound's first block is
// not queued behind another's whole queue.
bool Feeder::fillRound(std::vector<Active>& voices)
{
    bool read = false;
    for (Active& a : voices) {
        VoiceQueue& voice = *a.reading.voice;
        if (voice.ended() || !voice.attached)
            continue;
        if (!a.started) {
            a.started = true;
            if (!a.reading.stream->start()) {
                a.reading.stream.reset();
                voice.end();
                continue;
            }
        }
        if (!voice.hasRoom())
            continue;
        VoiceQueue::Block block;
        block.frames = a.reading.stream->read(block.samples.data(), VoiceQueue::BlockFrames);
        if (block.frames <= 0) {
            // Closes the file at once; the voice plays out what is queued.
            a.reading.stream.reset();
            voice.end();
            continue;
        }
        voice.push(std::move(block));
        read = true;
    }
    return read;
}
