#pragma once

#include "platform/DataPaths.h"
#include "readings/Yomi.h"
#include "speech/Voice.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class AudioOutput;

// espeak-ng's Japanese voice fed with MeCab readings. Synthesis runs on a
// worker thread of its own, one request at a time; its PCM goes to the
// program's audio output as it is produced. The worker first loads MeCab's
// dictionary and the voice, so that making the engine costs the start-up
// only a look whether they are there; a request made before they are loaded
// waits for them.
class EspeakSpeech final : public Voice
{
public:
    struct Paths
    {
        QString dictionary = Yomi::dictionaryDir();
        // A folder holding espeak-ng's data; empty: where espeak-ng looks itself.
        QString voiceData;
    };

    // Why the voice cannot speak with these paths, naming what to install, or
    // an empty text. Loads nothing but espeak-ng's library.
    static QString missing(const Paths& paths);

    // Raises AppError when MeCab's dictionary, espeak-ng or its Japanese voice
    // is missing. Should loading them fail all the same, every request fails
    // (Status -1).
    EspeakSpeech();
    explicit EspeakSpeech(const Paths& paths);
    ~EspeakSpeech() override;
    EspeakSpeech(const EspeakSpeech&) = delete;
    EspeakSpeech& operator=(const EspeakSpeech&) = delete;

    void Speak(const QString& text) override;
    // espeak-ng's first sound follows Speak within milliseconds: nothing is
    // made ready ahead.
    void Prepare(const QString& text) override { (void)text; }
    void Stop() override;
    std::int32_t Status() const override;

    // Used from the next Speak on.
    VoiceSettings settings() const { return m_settings; }
    void setSettings(const VoiceSettings& settings) override { m_settings = settings.clamped(); }

    // espeak-ng 1.51 reads リャ, リュ, リョ as "rya-a", "rya-u", "rya-o": those
    // syllables go to the voice as phoneme codes instead.
    static QString voiceInput(const QString& speakable);

    // What the voice makes of text, in IPA, one clause per line.
    QString phonemes(const QString& text) const;

    // Sees each block of PCM once the audio output holds it, on the worker
    // thread (measurements and tests).
    using PcmTap = std::function<void(const std::int16_t* samples, std::size_t count)>;
    void setPcmTap(PcmTap tap);
    static int sampleRate();

    // Returns once the dictionary and the voice are loaded (or failed to);
    // every request waits for that by itself (measurements and tests).
    void waitLoaded() const;

    // Makes the next synthesis fail as a broken voice would (tests).
    void failNextSynthesis() { m_failNext = true; }

private:
    friend struct SynthCallback;

    struct Job
    {
        std::uint64_t generation = 0;
        QByteArray input;
        VoiceSettings settings;
    };
    struct Delivery
    {
        EspeakSpeech* engine;
        std::uint64_t generation;
    };

    void cancelCurrent();
    void load(const QString& program);
    void run(const QString& program);
    void synthesise(const Job& job);
    bool deliver(const short* wav, int count, std::uint64_t generation);

    // Held to the engine's end: the voice is cut there, whenever the
    // program's statics go.
    std::shared_ptr<AudioOutput> m_output;
    Paths m_paths;
    mutable std::mutex m_loadMutex;
    mutable std::condition_variable m_loadChanged;
    bool m_loadDone = false;
    std::atomic<bool> m_loadFailed{false};

    VoiceSettings m_settings;
    std::atomic<std::int32_t> m_status{0};
    std::atomic<bool> m_failNext{false};

    // Held while PCM is handed over and while it is cut, so that no block of a
    // cancelled request reaches the output after Stop or Speak returns.
    std::mutex m_audioMutex;
    std::atomic<std::uint64_t> m_generation{0};
    PcmTap m_tap;

    std::mutex m_queueMutex;
    std::condition_variable m_wake;
    std::optional<Job> m_pending;
    bool m_quit = false;
    std::thread m_worker;
};
