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

// A sound decoded a block at a time, as interleaved 16-bit stereo at the
// output rate. The output's feeder thread calls start() once, then read()
// until it gives 0; then it destroys the stream, on the same thread.
class SoundStream
{
public:
    virtual ~SoundStream() = default;
    // Opens what the stream reads from; false: there is nothing to play.
    virtual bool start() { return true; }
    // Up to frames frames into out (2 * frames samples). 0 is the end, also
    // of a file that breaks off in the middle.
    virtual int read(std::int16_t* out, int frames) = 0;
};

// The program's one audio output: four sound channels and the speech voice,
// mixed and played through the system's sound device. With no device the
// program runs silently; every call is then accepted and does nothing.
//
// The device is opened, and the soundfont loaded, on a thread of their own
// from the moment the output is first asked for: the windows come up
// meanwhile. Whatever needs the device waits for that, and only that.
//
// Sounds are decoded while they play: a feeder thread (Feeder) reads each
// channel's stream a block at a time into the voice's queue (VoiceQueue), a
// few hundred milliseconds ahead of the device. The device's callback
// (AudioDevice) only takes blocks from those queues and mixes them (Mixer);
// it never touches a file or a decoder, and the one lock it shares is never
// held while decoding. With nothing to play the device rests, and none of
// these threads wakes until something is played or spoken.
class AudioOutput
{
public:
    static constexpr int SampleRate = 44100;
    static constexpr int ChannelCount = 4;
    // How long the device goes on after the last sound before it rests:
    // long enough for what it holds to play out and for a quick run of key
    // presses to keep it going.
    static constexpr int RestAfterMs = 200;

    // The output, made on first use. Holders of shared() keep it alive past
    // the end of the program's static life (the speech engine does).
    static AudioOutput& instance();
    static std::shared_ptr<AudioOutput> shared();

    // False when no sound device could be opened; reason() says why. Both
    // wait until the device has been tried.
    bool available() const;
    QString reason() const;
    // Calls done once the device has been tried, on the thread that tried
    // it, or at once when that is over.
    void whenReady(std::function<void()> done);

    // Starts stream on channel 0 to 3 from its beginning, replacing whatever
    // the channel held. Returns at once: the stream is opened and read on the
    // feeder thread.
    void play(int channel, std::unique_ptr<SoundStream> stream);
    // A sound already decoded.
    void play(int channel, std::shared_ptr<const PcmBuffer> pcm);
    void stop(int channel);
    // True from play until the sound's last frame has gone to the device, or
    // it was stopped or replaced.
    bool isPlaying(int channel) const;
    // Frames of the channel's latest sound that have gone to the device.
    std::int64_t position(int channel) const;
    // Calls done once when the sound now on channel runs out, is stopped or
    // is replaced; at once when nothing plays there. done may run on the
    // audio thread: it must only hand the news on (post an event, notify).
    void whenDone(int channel, std::function<void()> done);

    // The speech voice: mono 16-bit samples at sampleRate, appended as the
    // synthesiser produces them (from any thread) and converted to the
    // output's rate on the way, across the chunks; clearSpeech() cuts it.
    void appendSpeech(const std::int16_t* samples, std::size_t count, int sampleRate);
    void clearSpeech();
    bool isSpeaking() const;

    // True while the device rests because nothing has played for
    // RestAfterMs, and always without a device (tests and measurements).
    bool isPaused() const;

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
    void waitReady() const;
    static const std::shared_ptr<AudioOutput>& holder();

    struct Impl;
    std::unique_ptr<Impl> m;
};
