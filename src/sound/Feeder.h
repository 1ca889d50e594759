#pragma once

#include "sound/VoiceQueue.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class AudioDevice;
class SoundStream;

// The thread that reads every playing sound a block at a time into its
// voice's queue, a few hundred milliseconds ahead of the device, so that the
// device's thread never touches a file or a decoder. A stream handed to it is
// its own from then on: opened, read and destroyed on this thread only.
//
// It also sets the device going when something is to play, and lets it rest
// when the mixer has had nothing to play for a while. While nothing is read
// it sleeps until it is handed a sound, told of speech or told to rest the
// device: an idle output wakes no thread at all.
class Feeder
{
public:
    // A sound on its way to a channel.
    struct Reading
    {
        std::unique_ptr<SoundStream> stream;
        std::shared_ptr<VoiceQueue> voice;
    };

    // lock is the output's: the feeder holds it only to take new sounds, to
    // let go of finished ones, to ask idle() and to sleep, never while it
    // reads or drives the device. idle() tells, with lock held, that nothing
    // is queued to play.
    Feeder(std::mutex& lock, AudioDevice& device, std::function<bool()> idle);
    ~Feeder();
    // Ends the thread, leaving the device paused but not resting, so that it
    // can be closed. What it is told after this is not acted on.
    void stop();
    Feeder(const Feeder&) = delete;
    Feeder& operator=(const Feeder&) = delete;

    // Both with lock not held.
    void add(Reading reading);
    // Something besides a sound was queued (speech).
    void wakeDevice();
    // With lock held: the mixer has had nothing to play for a while.
    void restDevice();

private:
    struct Active
    {
        Reading reading;
        bool started = false;
    };

    void run();
    // One block for every voice with room; returns whether one was read.
    static bool fillRound(std::vector<Active>& voices);

    std::mutex& m_lock;
    AudioDevice& m_device;
    std::function<bool()> m_idle;
    // Guarded by m_lock.
    std::condition_variable m_wake;
    std::vector<Reading> m_incoming;
    bool m_wakeDevice = false;
    bool m_restDevice = true; // it opens running, but for nothing
    bool m_quit = false;
    // Set when a sound arrives, so that a round of reading ends early.
    std::atomic<bool> m_news{false};
    std::thread m_thread;
};
