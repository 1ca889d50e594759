#pragma once

#include <SDL.h>

#include <QString>

#include <atomic>
#include <string>

// The system's sound device, as the output drives it. SDL's own thread takes
// a block from the callback every DeviceFrames frames while the device runs.
//
// With nothing to play the device rests: it is paused, so that the callback
// is not called to mix silence, and its lock is held, so that SDL's thread,
// which would otherwise go on handing the device silence a block at a time,
// sleeps on that lock instead. It runs again the moment something is to
// play. SDL wants its lock let go of by the thread that took it: rest(),
// wake() and letGo() are called on one thread, the feeder's, only.
class AudioDevice
{
public:
    // 512 frames is 11.6 ms: a sound started now reaches the device with the
    // next block, well inside the 30 ms after which a key click feels late.
    static constexpr int DeviceFrames = 512;

    // Opens the device, paused, for interleaved 16-bit stereo at rate, with
    // fill as its callback; false with why in reason when there is none.
    // Called once, on the output's opening thread.
    bool open(int rate, SDL_AudioCallback fill, void* userdata, const std::string& appName, QString& reason);
    // Stops the callback for good: once this returns it is not running and
    // will not run again. The device must not be resting.
    void close();
    bool isOpen() const { return m_id != 0; }

    void rest();
    void wake();
    // Lets SDL's thread go on, paused, so that the device can be closed.
    void letGo();
    // True while the device rests (tests and measurements).
    bool resting() const { return m_resting.load(); }

private:
    SDL_AudioDeviceID m_id = 0;
    // Set and cleared on the feeder's thread; read by anyone.
    std::atomic<bool> m_resting{false};
    bool m_locked = false;
};
