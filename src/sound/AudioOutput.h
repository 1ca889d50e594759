#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Decoded sound, interleaved 16-bit stereo at the output rate.
struct PcmBuffer
{
    std::vector<std::int16_t> samples; // left, right, left, right ...
    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size() / 2); }
};

// The program's one audio output: four sound channels and the speech voice,
// mixed and played through the system's sound device. With no device the
// program runs silently; every call is then accepted and does nothing.
class AudioOutput
{
public:
    static constexpr int SampleRate = 44100;
    static constexpr int ChannelCount = 4;

    static AudioOutput& instance();

    // False when no sound device could be opened; reason() says why.
    bool available() const;
    QString reason() const;

    // Starts pcm on channel 0 to 3 from its beginning, replacing whatever the
    // channel held.
    void play(int channel, std::shared_ptr<const PcmBuffer> pcm);
    void stop(int channel);
    bool isPlaying(int channel) const;
    // Calls done once when the sound now on channel runs out, is stopped or
    // is replaced; at once when nothing plays there. done may run on the
    // audio thread: it must only hand the news on (post an event, notify).
    void whenDone(int channel, std::function<void()> done);

    // The speech voice: mono 16-bit samples at sampleRate, appended as the
    // synthesiser produces them (from any thread); clearSpeech() cuts it.
    void appendSpeech(const std::int16_t* samples, std::size_t count, int sampleRate);
    void clearSpeech();
    bool isSpeaking() const;

    // Sees every block of interleaved stereo frames as it goes to the device,
    // on the audio thread with the output locked: it must return quickly and
    // must not call back into the output. An empty function removes it.
    using MixObserver = std::function<void(const std::int16_t* samples, int frames)>;
    void setMixObserver(MixObserver observer);

    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

private:
    AudioOutput();
    ~AudioOutput();

    struct Impl;
    std::unique_ptr<Impl> m;
};
