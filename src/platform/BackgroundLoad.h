#pragma once

// Loading done ahead of need (the sound device, the soundfont, the speech
// dictionary and voice) runs beside the windows coming up; on a machine with
// few processors it would hold them up.
namespace BackgroundLoad {

inline constexpr int Niceness = 10;

// The thread that loads calls this first: it then takes a processor only
// when the user-interface thread does not want it. Linux gives every thread
// its own niceness; threads made after the call inherit it, so it is called
// only on threads that do nothing else.
void lowerThisThread();

// The program holds the loaders back until its windows have painted for the
// first time, so that they do not compete with the windows for the
// processors. Until it does, and once it releases them, loaders start at
// once; a caller that waits for a loader's result releases them first, so a
// sound or an announcement asked for earlier never waits for the windows.
void holdUntilShown();
void release();
// Called by a loader before it starts.
void waitForTurn();

} // namespace BackgroundLoad
