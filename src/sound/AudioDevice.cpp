#include "sound/AudioDevice.h"

#include "platform/EngineLibraries.h"

bool AudioDevice::open(int rate, SDL_AudioCallback fill, void* userdata, const std::string& appName, QString& reason)
{
    const EngineLibraries::Sdl& sdl = EngineLibraries::sdl();
    if (!sdl) {
        reason = sdl.missing;
        return false;
    }
    // The program's own event loop handles signals; SDL must not take them.
    sdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!appName.empty())
        sdl.SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, appName.c_str());
    if (sdl.InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reason = QString::fromUtf8(sdl.GetError());
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = DeviceFrames;
    wanted.callback = fill;
    wanted.userdata = userdata;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device takes, so the
    // mixer always works in one format. A device opens paused.
    m_id = sdl.OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_id == 0) {
        reason = QString::fromUtf8(sdl.GetError());
        sdl.QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    m_resting = true;
    return true;
}

void AudioDevice::close()
{
    if (m_id == 0)
        return;
    const EngineLibraries::Sdl& sdl = EngineLibraries::sdl();
    sdl.CloseAudioDevice(m_id);
    sdl.QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioDevice::rest()
{
    if (m_id == 0 || m_locked)
        return;
    const EngineLibraries::Sdl& sdl = EngineLibraries::sdl();
    // Paused first: should SDL's thread come by once more before the lock
    // is taken, it only hands the device silence.
    sdl.PauseAudioDevice(m_id, 1);
    sdl.LockAudioDevice(m_id);
    m_locked = true;
    m_resting = true;
}

void AudioDevice::wake()
{
    if (m_id == 0 || !m_resting)
        return;
    const EngineLibraries::Sdl& sdl = EngineLibraries::sdl();
    sdl.PauseAudioDevice(m_id, 0);
    m_resting = false;
    letGo();
}

void AudioDevice::letGo()
{
    if (!m_locked)
        return;
    EngineLibraries::sdl().UnlockAudioDevice(m_id);
    m_locked = false;
}
