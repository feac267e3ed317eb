#include "platform/mixed_audio_decoder.h"

#include <algorithm>

namespace bw {

MixedAudioDecoder::MixedAudioDecoder(const std::filesystem::path& file,
                                     const std::optional<std::filesystem::path>& mixedWith)
    : m_first(file), m_length(std::max<std::int64_t>(m_first.lengthInFrames(), 0)) {
    if (!mixedWith) {
        return;
    }
    try {
        auto second = std::make_unique<AudioFileDecoder>(*mixedWith);
        if (second->sampleRate() == m_first.sampleRate()) {
            m_length = std::max(m_length, second->lengthInFrames());
            m_secondBlock = std::make_unique<PcmBuffer>(second->channelCount(), 4096);
            m_second = std::move(second);
        }
    } catch (const std::exception&) {
        // Played without it.
    }
}

std::size_t MixedAudioDecoder::read(PcmBuffer& buffer, std::size_t maxFrames) {
    const auto wanted = static_cast<std::size_t>(std::clamp<std::int64_t>(
        std::min<std::int64_t>(std::int64_t(std::min(maxFrames, buffer.frameCapacity())),
                               m_length - m_position),
        0, std::int64_t(buffer.frameCapacity())));
    if (!m_second) {
        const std::size_t read = m_first.read(buffer, wanted);
        m_position += std::int64_t(read);
        return read;
    }
    // The track that ended first is silence until the other ends.
    std::size_t read = m_first.read(buffer, wanted);
    const int channels = buffer.channelCount();
    for (int c = 0; c < channels; ++c) {
        std::fill(buffer.channel(c) + read, buffer.channel(c) + wanted, 0.0f);
    }
    std::size_t mixed = 0;
    while (mixed < wanted) {
        std::size_t got = 0;
        try {
            got = m_second->read(*m_secondBlock,
                                 std::min(wanted - mixed, m_secondBlock->frameCapacity()));
        } catch (const std::exception&) {
            got = 0; // a damaged rest of the second track is silence
        }
        if (got == 0) {
            break;
        }
        const int secondChannels = m_secondBlock->channelCount();
        for (int c = 0; c < channels; ++c) {
            // A mono track goes to every channel; extra channels of the other are dropped.
            const float* from = m_secondBlock->channel(std::min(c, secondChannels - 1));
            float* to = buffer.channel(c) + mixed;
            for (std::size_t i = 0; i < got; ++i) {
                to[i] = std::clamp(to[i] + from[i], -1.0f, 1.0f);
            }
        }
        mixed += got;
    }
    const std::size_t frames = std::max(read, mixed);
    buffer.setFrameLength(frames);
    m_position += std::int64_t(frames);
    return frames;
}

void MixedAudioDecoder::seek(std::int64_t frame) {
    m_position = std::clamp<std::int64_t>(frame, 0, m_length);
    m_first.seek(m_position);
    if (m_second) {
        m_second->seek(m_position);
    }
}

} // namespace bw
