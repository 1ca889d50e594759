#pragma once

#include "speech/OpenJTalkText.h"
#include "speech/Voice.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class AudioOutput;
class QProcess;

// Open JTalk's voice. Debian has its program and no library, so each part
// of an utterance is one run of open_jtalk, reading the text on its standard
// input and writing the speech (WAV) to its standard output and its trace to
// its standard error: no file is made. The runs are driven by the event loop
// of the thread that made the voice; the speech goes to the program's audio
// output as each part is ready.
//
// One utterance speaks and one is made ready ahead (Prepare); the one ahead
// runs only while the speaking one is not synthesising, so that it never
// delays it. A Stop or a new Speak kills the speaking one's run at once and
// waits for the process to end, so no process outlives its utterance.
class OpenJTalkSpeech final : public QObject, public Voice
{
public:
    struct Paths
    {
        QString program;
        QString dictionary;
        QString voice; // an .htsvoice file
    };
    // open_jtalk, its dictionary and voiceFile in the voices folder, where the
    // program finds them.
    static Paths programPaths(const QString& voiceFile);
    // Why these cannot speak, naming what to install, or an empty text.
    static QString missing(const Paths& paths);

    // Raises AppError when missing() says something.
    explicit OpenJTalkSpeech(const Paths& paths);
    ~OpenJTalkSpeech() override;
    OpenJTalkSpeech(const OpenJTalkSpeech&) = delete;
    OpenJTalkSpeech& operator=(const OpenJTalkSpeech&) = delete;

    void Speak(const QString& text) override;
    void Prepare(const QString& text) override;
    void Stop() override;
    std::int32_t Status() const override;
    void setSettings(const VoiceSettings& settings) override { m_settings = settings.clamped(); }

    // Sees each part's speech as it goes to the audio output (tests and
    // measurements), volume applied.
    using PcmTap = std::function<void(const std::int16_t* samples, std::size_t count, int rate)>;
    void setPcmTap(PcmTap tap) { m_tap = std::move(tap); }
    // True while open_jtalk runs for this voice.
    bool synthesising() const;
    // True once the text made ready ahead can be spoken at once.
    bool prepared(const QString& text) const;
    // True once the loading done in the background is over (tests and
    // measurements).
    bool loaded() const { return m_loaded; }

    // What Open JTalk says for text, part after part, given as this voice
    // gives it, without sound: the text each part was given and the
    // pronunciation its trace shows, joined. Runs open_jtalk and waits for
    // it, on any thread. Raises AppError when it cannot run.
    struct Said
    {
        QString input;
        QString spoken;
        bool agreed = true; // every part says what the readings say
        int runs = 0;       // of open_jtalk, all parts together
    };
    static Said say(const Paths& paths, const QString& text);

private:
    struct ProcessEnd
    {
        void operator()(QProcess* process) const;
    };
    using Process = std::unique_ptr<QProcess, ProcessEnd>;
    struct Utterance;

    void load(const Paths& paths);
    std::unique_ptr<Utterance> makeUtterance(const QString& text) const;
    bool matches(const std::unique_ptr<Utterance>& u, const QString& text) const;
    void pump();
    void run(Utterance& u);
    void finished(Utterance& u);
    void fail(Utterance& u);
    void retire(Utterance& u);
    void deliver(Utterance& u);

    Paths m_paths;
    VoiceSettings m_settings;
    std::shared_ptr<AudioOutput> m_output;
    std::unique_ptr<Utterance> m_current;
    std::unique_ptr<Utterance> m_ahead;
    std::vector<Process> m_retired;
    std::int32_t m_status = 0;
    PcmTap m_tap;
    std::atomic<bool> m_ending{false};
    std::atomic<bool> m_loaded{false};
    std::thread m_loader;
};
