#include "platform/EngineLibraries.h"

#include <QLibrary>

namespace EngineLibraries {

namespace {

// Opens one library and fills function pointers from it, stopping at the
// first thing missing. The library stays loaded for the rest of the run.
class Resolver
{
public:
    explicit Resolver(const char* fileName)
        : m_library(QString::fromLatin1(fileName))
    {
        if (!m_library.load())
            m_missing = m_library.errorString();
    }

    template <typename F>
    void operator()(F& target, const char* name)
    {
        target = nullptr;
        if (!m_missing.isEmpty())
            return;
        target = reinterpret_cast<F>(m_library.resolve(name));
        if (!target)
            m_missing = QStringLiteral("%1: %2 not found").arg(m_library.fileName(), QLatin1String(name));
    }

    QString missing() const { return m_missing; }

private:
    QLibrary m_library;
    QString m_missing;
};

} // namespace

const Sdl& sdl()
{
    static const Sdl api = [] {
        Resolver r(ENGINE_SONAME_SDL2);
        Sdl a{};
        r(a.SetHint, "SDL_SetHint");
        r(a.GetError, "SDL_GetError");
        r(a.InitSubSystem, "SDL_InitSubSystem");
        r(a.QuitSubSystem, "SDL_QuitSubSystem");
        r(a.OpenAudioDevice, "SDL_OpenAudioDevice");
        r(a.PauseAudioDevice, "SDL_PauseAudioDevice");
        r(a.LockAudioDevice, "SDL_LockAudioDevice");
        r(a.UnlockAudioDevice, "SDL_UnlockAudioDevice");
        r(a.CloseAudioDevice, "SDL_CloseAudioDevice");
        a.missing = r.missing();
        return a;
    }();
    return api;
}

const SndFile& sndFile()
{
    static const SndFile api = [] {
        Resolver r(ENGINE_SONAME_SNDFILE);
        SndFile a{};
        r(a.open, "sf_open");
        r(a.close, "sf_close");
        r(a.readf_short, "sf_readf_short");
        r(a.strerror, "sf_strerror");
        a.missing = r.missing();
        return a;
    }();
    return api;
}

const FluidSynth& fluidSynth()
{
    static const FluidSynth api = [] {
        Resolver r(ENGINE_SONAME_FLUIDSYNTH);
        FluidSynth a{};
        r(a.set_log_function, "fluid_set_log_function");
        r(a.new_settings, "new_fluid_settings");
        r(a.delete_settings, "delete_fluid_settings");
        r(a.settings_setnum, "fluid_settings_setnum");
        r(a.settings_setstr, "fluid_settings_setstr");
        r(a.settings_setint, "fluid_settings_setint");
        r(a.settings_getstr_default, "fluid_settings_getstr_default");
        r(a.new_synth, "new_fluid_synth");
        r(a.delete_synth, "delete_fluid_synth");
        r(a.synth_sfload, "fluid_synth_sfload");
        r(a.synth_system_reset, "fluid_synth_system_reset");
        r(a.synth_write_float, "fluid_synth_write_float");
        r(a.new_player, "new_fluid_player");
        r(a.delete_player, "delete_fluid_player");
        r(a.player_add_mem, "fluid_player_add_mem");
        r(a.player_play, "fluid_player_play");
        r(a.player_get_status, "fluid_player_get_status");
        a.missing = r.missing();
        return a;
    }();
    return api;
}

const Espeak& espeak()
{
    static const Espeak api = [] {
        Resolver r(ENGINE_SONAME_ESPEAK_NG);
        Espeak a{};
        r(a.ng_InitializePath, "espeak_ng_InitializePath");
        r(a.Info, "espeak_Info");
        r(a.Initialize, "espeak_Initialize");
        r(a.SetVoiceByName, "espeak_SetVoiceByName");
        r(a.SetSynthCallback, "espeak_SetSynthCallback");
        r(a.SetParameter, "espeak_SetParameter");
        r(a.SetPhonemeTrace, "espeak_SetPhonemeTrace");
        r(a.Synth, "espeak_Synth");
        r(a.Terminate, "espeak_Terminate");
        a.missing = r.missing();
        return a;
    }();
    return api;
}

const Mecab& mecab()
{
    static const Mecab api = [] {
        Resolver r(ENGINE_SONAME_MECAB);
        Mecab a{};
        // C++ functions, found by their linker names (the Itanium C++ ABI's,
        // which g++ and clang share on Linux).
        r(a.createModel, "_ZN5MeCab11createModelEiPPc");
        r(a.getLastError, "_ZN5MeCab12getLastErrorEv");
        a.missing = r.missing();
        return a;
    }();
    return api;
}

} // namespace EngineLibraries
