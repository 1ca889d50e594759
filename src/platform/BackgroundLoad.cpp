#include "platform/BackgroundLoad.h"

#include <condition_variable>
#include <mutex>

#include <sys/resource.h>
#include <unistd.h>

namespace BackgroundLoad {

namespace {

struct Gate
{
    std::mutex mutex;
    std::condition_variable opened;
    bool held = false;
};

// Never destroyed: a loader may still pass it while the program exits.
Gate& gate()
{
    static Gate* const g = new Gate;
    return *g;
}

} // namespace

void lowerThisThread()
{
    // A failure leaves the thread as it was, which is only slower.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), Niceness);
}

void holdUntilShown()
{
    Gate& g = gate();
    std::lock_guard lock(g.mutex);
    g.held = true;
}

void release()
{
    Gate& g = gate();
    {
        std::lock_guard lock(g.mutex);
        if (!g.held)
            return;
        g.held = false;
    }
    g.opened.notify_all();
}

void waitForTurn()
{
    Gate& g = gate();
    std::unique_lock lock(g.mutex);
    g.opened.wait(lock, [&g] { return !g.held; });
}

} // namespace BackgroundLoad
