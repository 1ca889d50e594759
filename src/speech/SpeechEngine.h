#pragma once

#include <QString>

#include <cstdint>
#include <memory>

class QWidget;

// A text-to-speech engine as the announcement tape uses it.
class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;

    // Starts speaking text and returns at once; the voice goes on in the
    // background.
    virtual void Speak(const QString& text) = 0;
    // Ends any speech in progress.
    virtual void Stop() = 0;
    // -1 when the last request failed, 0 otherwise.
    virtual std::int32_t Status() const = 0;
    // The engine's adjustment dialog, modal, owned by owner.
    virtual void AdjustDialog(QWidget* owner, const QString& title) = 0;
};

// The program's engine: espeak-ng's Japanese voice, fed with readings from
// MeCab. Throws AppError when the engine cannot be started.
std::unique_ptr<SpeechEngine> createSpeechEngine();
