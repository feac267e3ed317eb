// A fixed-capacity block of 32-bit float audio with one separate array per channel
// ("deinterleaved"), the format the decoder delivers and the converter takes.
#pragma once

#include <cstddef>
#include <vector>

namespace bw {

class PcmBuffer {
public:
    PcmBuffer(int channelCount, std::size_t frameCapacity)
        : m_capacity(frameCapacity),
          m_samples(static_cast<std::size_t>(channelCount) * frameCapacity),
          m_channels(static_cast<std::size_t>(channelCount)) {
        for (std::size_t c = 0; c < m_channels.size(); ++c) {
            m_channels[c] = m_samples.data() + c * frameCapacity;
        }
    }

    int channelCount() const { return static_cast<int>(m_channels.size()); }
    std::size_t frameCapacity() const { return m_capacity; }

    // Frames currently held (0...frameCapacity()).
    std::size_t frameLength() const { return m_length; }
    void setFrameLength(std::size_t frames) {
        m_length = frames < m_capacity ? frames : m_capacity;
    }

    float* channel(int index) { return m_channels[static_cast<std::size_t>(index)]; }
    const float* channel(int index) const { return m_channels[static_cast<std::size_t>(index)]; }
    // One pointer per channel, for APIs that take planar audio.
    float* const* channels() const { return m_channels.data(); }

private:
    std::size_t m_capacity;
    std::size_t m_length = 0;
    std::vector<float> m_samples;
    std::vector<float*> m_channels;
};

} // namespace bw
