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
    // A text that is likely to be spoken next (the tape's next row): an
    // engine that needs time before it can speak makes it ready now. One
    // that starts speaking at once has nothing to do.
    virtual void Prepare(const QString& text) { (void)text; }
};

// The program's engine: the voice the user chose (Open JTalk's, else
// espeak-ng's), fed with the readings. Throws AppError when no voice can
// speak.
std::unique_ptr<SpeechEngine> createSpeechEngine();
