#pragma once

#include "speech/EspeakSpeech.h"
#include "speech/OpenJTalkSpeech.h"
#include "speech/SpeechEngine.h"
#include "speech/Voice.h"
#include "speech/VoiceSettings.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// The program's speech engine: the voice the user chose, among those that
// can speak on this machine, Open JTalk's voices first and espeak-ng's as
// the fallback. The choice and its values are read from the user's voice
// file when the engine is made and written back when the adjustment dialog
// is confirmed.
class AnnouncementVoice final : public SpeechEngine
{
public:
    struct Setup
    {
        QString openJTalk;           // the program
        QString openJTalkDictionary; // its dictionary folder
        QString voicesDir;           // the folder of the .htsvoice files
        EspeakSpeech::Paths espeak;
        QString choiceFile;
        // Where the program finds them.
        static Setup program();
    };

    struct VoiceInfo
    {
        QString id;
        QString label;
        QString file; // in the voices folder; empty for espeak-ng
    };
    // Every voice, in the order they are offered and fallen back to.
    static const std::vector<VoiceInfo>& catalogue();

    // What the test button says.
    static inline const QString TestSentence = QStringLiteral("次は、市役所前です。お降りの方はお知らせください。");

    // Raises AppError when no voice can speak.
    explicit AnnouncementVoice(const Setup& setup = Setup::program());

    void Speak(const QString& text) override;
    void Stop() override;
    std::int32_t Status() const override;
    void Prepare(const QString& text) override;
    // Goes through ApiLib's dialog seam as kind "SpeechDialog": text the
    // voice, numbers {rate, pitch, volume}, texts the voices that can speak;
    // an answer of 0 cancels.
    void AdjustDialog(QWidget* owner, const QString& title) override;

    // The voices that can speak, by id, in catalogue order.
    QStringList voices() const;
    VoiceChoice choice() const { return m_choice; }
    // Speaks with choice from now on; a voice that cannot speak gives way to
    // the first that can.
    void choose(const VoiceChoice& choice);
    // The voice speaking now.
    Voice& voice() const { return *m_voice; }

private:
    bool canSpeak(const VoiceInfo& info) const;
    std::unique_ptr<Voice> make(const VoiceInfo& info) const;
    OpenJTalkSpeech::Paths openJTalkPaths(const VoiceInfo& info) const;

    Setup m_setup;
    VoiceChoice m_choice;
    std::unique_ptr<Voice> m_voice;
    // Whether espeak-ng can speak, asked only when needed: it loads its library.
    mutable std::optional<bool> m_espeakSpeaks;
};
