#pragma once

#include <sys/resource.h>
#include <unistd.h>

// Loading done ahead of need (the speech dictionary and voice, the
// soundfont) runs beside the windows coming up; on a machine with few
// processors it would hold them up. The thread that loads calls this first:
// it then takes a processor only when the user-interface thread does not
// want it. Linux gives every thread its own niceness; threads made after the
// call inherit it, so it is called only on threads that do nothing else.
namespace BackgroundLoad {

inline constexpr int Niceness = 10;

inline void lowerThisThread()
{
    // A failure leaves the thread as it was, which is only slower.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), Niceness);
}

} // namespace BackgroundLoad
