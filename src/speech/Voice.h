#pragma once

#include "speech/VoiceSettings.h"

#include <QString>

#include <cstdint>

// One synthesiser behind the program's speech engine. Every call comes from
// the thread that made the voice.
class Voice
{
public:
    virtual ~Voice() = default;

    // Starts speaking text and returns at once; a text still speaking is cut.
    virtual void Speak(const QString& text) = 0;
    // Makes ready what text will sound like, so that a Speak of it soon
    // after starts at once; says nothing.
    virtual void Prepare(const QString& text) = 0;
    // Ends the speech now.
    virtual void Stop() = 0;
    // -1 when the last Speak failed, 0 otherwise.
    virtual std::int32_t Status() const = 0;
    // Used from the next Speak or Prepare on.
    virtual void setSettings(const VoiceSettings& settings) = 0;
};
