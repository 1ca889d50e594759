#pragma once

#include <QString>

#include <SDL.h>
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>
#include <fluidsynth.h>
#include <mecab.h>
#include <sndfile.h>

// The sound and speech libraries, opened when first needed instead of with
// the program: loading them, and the dozens of libraries they bring along,
// before main() made every start-up wait. The sound device, the soundfont
// and the voice are loaded on threads of their own once the windows are up,
// and those threads are mostly the first to need them; the voice's data
// folder is looked up through espeak-ng when the panel makes the engine.
//
// Each accessor opens its library and finds its functions on the first call,
// from whichever thread. When the library or one of its functions is missing
// the table is false and says which, for the message of the feature that
// then goes without; its functions are then not to be called.
namespace EngineLibraries {

struct Library
{
    QString missing;
    explicit operator bool() const { return missing.isEmpty(); }
};

struct Sdl : Library
{
    decltype(&::SDL_SetHint) SetHint;
    decltype(&::SDL_GetError) GetError;
    decltype(&::SDL_InitSubSystem) InitSubSystem;
    decltype(&::SDL_QuitSubSystem) QuitSubSystem;
    decltype(&::SDL_OpenAudioDevice) OpenAudioDevice;
    decltype(&::SDL_PauseAudioDevice) PauseAudioDevice;
    decltype(&::SDL_LockAudioDevice) LockAudioDevice;
    decltype(&::SDL_UnlockAudioDevice) UnlockAudioDevice;
    decltype(&::SDL_CloseAudioDevice) CloseAudioDevice;
};

struct SndFile : Library
{
    decltype(&::sf_open) open;
    decltype(&::sf_close) close;
    decltype(&::sf_readf_short) readf_short;
    decltype(&::sf_strerror) strerror;
};

struct FluidSynth : Library
{
    decltype(&::fluid_set_log_function) set_log_function;
    decltype(&::new_fluid_settings) new_settings;
    decltype(&::delete_fluid_settings) delete_settings;
    decltype(&::fluid_settings_setnum) settings_setnum;
    decltype(&::fluid_settings_setstr) settings_setstr;
    decltype(&::fluid_settings_setint) settings_setint;
    decltype(&::fluid_settings_getstr_default) settings_getstr_default;
    decltype(&::new_fluid_synth) new_synth;
    decltype(&::delete_fluid_synth) delete_synth;
    decltype(&::fluid_synth_sfload) synth_sfload;
    decltype(&::fluid_synth_system_reset) synth_system_reset;
    decltype(&::fluid_synth_write_float) synth_write_float;
    decltype(&::new_fluid_player) new_player;
    decltype(&::delete_fluid_player) delete_player;
    decltype(&::fluid_player_add_mem) player_add_mem;
    decltype(&::fluid_player_play) player_play;
    decltype(&::fluid_player_get_status) player_get_status;
};

struct Espeak : Library
{
    decltype(&::espeak_ng_InitializePath) ng_InitializePath;
    decltype(&::espeak_Info) Info;
    decltype(&::espeak_Initialize) Initialize;
    decltype(&::espeak_SetVoiceByName) SetVoiceByName;
    decltype(&::espeak_SetSynthCallback) SetSynthCallback;
    decltype(&::espeak_SetParameter) SetParameter;
    decltype(&::espeak_SetPhonemeTrace) SetPhonemeTrace;
    decltype(&::espeak_Synth) Synth;
    decltype(&::espeak_Terminate) Terminate;
};

struct Mecab : Library
{
    // createModel is overloaded; this is the argument-vector one.
    MeCab::Model* (*createModel)(int argc, char** argv);
    const char* (*getLastError)();
};

const Sdl& sdl();
const SndFile& sndFile();
const FluidSynth& fluidSynth();
const Espeak& espeak();
const Mecab& mecab();

} // namespace EngineLibraries
