#include "sound/Mixer.h"

#include "sound/Mix.h"

#include <algorithm>
#include <iterator>
#include <span>

void notify(Waiters& waiters)
{
    for (auto& done : waiters)
        done();
    waiters.clear();
}

void Mixer::appendSpeech(const std::int16_t* samples, std::size_t count, int sampleRate)
{
    // A voice that changes its rate starts a new conversion; a chunk's
    // fraction of a frame at the old rate is lost, nothing more.
    if (!m_speechRate || m_speechRate->sampleRate() != sampleRate)
        m_speechRate.emplace(1, sampleRate);
    m_converted.clear();
    // Chunks of at most int's frames: a synthesiser's come far smaller.
    for (std::size_t done = 0; done < count;) {
        const auto n = static_cast<int>(std::min<std::size_t>(count - done, 1 << 20));
        m_speechRate->push(samples + done, n, m_converted);
        done += static_cast<std::size_t>(n);
    }
    m_speech.insert(m_speech.end(), m_converted.begin(), m_converted.end());
}

void Mixer::clearSpeech()
{
    m_speech.clear();
    m_speechRate.reset();
}

bool Mixer::idle() const
{
    return m_speech.empty() && std::none_of(channels.begin(), channels.end(), [](const Channel& c) { return c.voice != nullptr; });
}

int Mixer::takeFrom(Channel& channel, std::int16_t* out, int frames, Waiters& finished)
{
    if (!channel.voice)
        return 0;
    const int taken = channel.voice->take(out, frames);
    channel.played += taken;
    // A voice that is not drained yet but gave less is late: the channel is
    // silent for now and goes on where it was.
    if (channel.voice->drained()) {
        std::move(channel.waiters.begin(), channel.waiters.end(), std::back_inserter(finished));
        channel.waiters.clear();
        channel.voice->attached = false;
        channel.voice.reset();
    }
    return taken;
}

int Mixer::takeSpeech(std::int16_t* out, int frames)
{
    const auto n = static_cast<std::ptrdiff_t>(std::min<std::size_t>(m_speech.size(), 2 * static_cast<std::size_t>(frames)));
    std::copy_n(m_speech.begin(), n, out);
    m_speech.erase(m_speech.begin(), m_speech.begin() + n);
    return static_cast<int>(n / 2);
}

void Mixer::render(std::int16_t* out, int frames, Waiters& finished)
{
    m_quietFrames = idle() ? m_quietFrames + frames : 0;
    for (int done = 0; done < frames; done += Piece) {
        const int n = std::min(Piece, frames - done);
        std::array<std::span<const std::int16_t>, ChannelCount + 1> sources;
        for (int c = 0; c < ChannelCount; ++c) {
            const int got = takeFrom(channels[static_cast<std::size_t>(c)], m_pieces[static_cast<std::size_t>(c)].data(), n, finished);
            sources[static_cast<std::size_t>(c)] = std::span(m_pieces[static_cast<std::size_t>(c)].data(), static_cast<std::size_t>(2 * got));
        }
        const int spoken = takeSpeech(m_pieces[ChannelCount].data(), n);
        sources[ChannelCount] = std::span(m_pieces[ChannelCount].data(), static_cast<std::size_t>(2 * spoken));
        Mix::mix(sources, std::span(out + 2 * done, static_cast<std::size_t>(2 * n)));
    }
}
