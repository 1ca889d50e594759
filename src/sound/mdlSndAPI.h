#pragma once

#include <QString>

// The four sound channels "S1" to "S4": a new sound on a channel cuts the
// one before it, sounds on different channels overlap.
namespace mdlSndAPI {

// Plays strFile on channel strAlias; nWait non-zero plays it to its end
// before returning (windows keep painting, input waits), then sleeps nDelay
// milliseconds. An empty or missing file changes nothing.
void PlaySnd(const QString& strFile, const QString& strAlias, int nWait, int nDelay);

// Closes the four channels.
void CloseAllSnd();

} // namespace mdlSndAPI
