#pragma once

#include <thread>

// Work that the first windows would otherwise do themselves, done on a thread
// beside them while they are being built: finding the fonts they draw their
// text in, and loading the image-format plug-ins. What it leaves behind is
// shared by every thread. Lives while the program runs; waits for the thread
// when it goes.
class StartupWarmUp
{
public:
    StartupWarmUp();
    ~StartupWarmUp();

    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

private:
    std::thread m_thread;
};
