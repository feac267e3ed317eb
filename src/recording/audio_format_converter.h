// Converts captured audio of one format (any sample type, rate and channel count) to the
// recording format, 16 kHz mono signed 16-bit, mixing all channels down. A stream converter: the
// resampler keeps its history between buffers, so consecutive buffers give continuous audio,
// and drain() with end of stream delivers the tail it still holds. One caller at a time.
#pragma once

#include "platform/audio_converter.h"
#include "platform/capture_buffer.h"
#include "platform/capture_format.h"
#include "platform/pcm_buffer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace bw {

class AudioFormatConverter {
public:
    static constexpr int outputSampleRate = 16000;
    // Frames of every output block.
    static constexpr std::size_t outputCapacity = 8192;

    using Block = std::vector<std::int16_t>;

    // Throws ConversionError (unsupportedFormat) for a format without rate, channels or a known
    // sample type.
    explicit AudioFormatConverter(const CaptureFormat& inputFormat);

    const CaptureFormat& inputFormat() const { return m_inputFormat; }

    // Converts `buffer` (in the input format; none only with end of stream) into zero or more
    // output blocks. With `endOfStream` the resampler's tail follows; the converter is spent
    // afterwards. Throws ConversionError (failed).
    std::vector<Block> drain(const CaptureBuffer* buffer, bool endOfStream);

private:
    void deinterleave(const CaptureBuffer& buffer);

    CaptureFormat m_inputFormat;
    std::unique_ptr<AudioConverter> m_converter;
    std::unique_ptr<PcmBuffer> m_input; // the buffer as planar floats
    PcmBuffer m_empty{1, 0};
    std::vector<float> m_output;
};

} // namespace bw
