#pragma once

#include "sound/Resampler.h"
#include "sound/VoiceQueue.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Calls to make once a sound has ended; they only hand the news on.
using Waiters = std::vector<std::function<void()>>;
void notify(Waiters& waiters);

// What the device's thread plays: the four sound channels and the speech
// voice, taken a device block at a time and mixed. Every member is guarded by
// the output's lock; the device's thread holds it while it renders, the
// user-interface and speech threads while they change what plays.
class Mixer
{
public:
    static constexpr int ChannelCount = 4;

    struct Channel
    {
        std::shared_ptr<VoiceQueue> voice;
        // Frames of the latest sound that have gone to the device.
        std::int64_t played = 0;
        Waiters waiters;
    };
    std::array<Channel, ChannelCount> channels;

    // Mono speech at sampleRate, converted to the output's format as it comes.
    void appendSpeech(const std::int16_t* samples, std::size_t count, int sampleRate);
    void clearSpeech();
    bool speaking() const { return !m_speech.empty(); }

    // Nothing on any channel, no speech queued.
    bool idle() const;

    // The next frames stereo frames into out. The waiters of the sounds that
    // ran out go to finished, for the caller to call with the output unlocked.
    void render(std::int16_t* out, int frames, Waiters& finished);
    // Frames rendered since anything was last heard.
    std::int64_t quietFrames() const { return m_quietFrames; }

private:
    // How much is taken from each source per mix.
    static constexpr int Piece = 1024;

    // Up to frames frames of the channel's voice into out; lets go of the
    // voice once it has run out.
    int takeFrom(Channel& channel, std::int16_t* out, int frames, Waiters& finished);
    int takeSpeech(std::int16_t* out, int frames);

    // Speech already at the output rate, stereo, and the conversion that
    // runs on across the synthesiser's chunks.
    std::deque<std::int16_t> m_speech;
    std::optional<Resampler> m_speechRate;
    std::vector<std::int16_t> m_converted;
    std::int64_t m_quietFrames = 0;

    // The pieces of the sources, the device thread's alone.
    std::array<std::array<std::int16_t, 2 * Piece>, ChannelCount + 1> m_pieces{};
};
