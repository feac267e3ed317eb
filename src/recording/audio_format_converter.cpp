#include "recording/audio_format_converter.h"

#include "platform/audio_file_error.h"
#include "recording/conversion_error.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace bw {

namespace {

using SampleType = CaptureFormat::SampleType;

std::uint32_t littleEndian(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | p[i];
    }
    return value;
}

std::uint32_t bigEndian(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = value << 8 | p[i];
    }
    return value;
}

float sampleAt(const unsigned char* p, SampleType type) {
    switch (type) {
    case SampleType::unsignedInt8:
        return (float(p[0]) - 128.0f) / 128.0f;
    case SampleType::signedInt16LittleEndian:
        return float(std::int16_t(littleEndian(p, 2))) / 32768.0f;
    case SampleType::signedInt16BigEndian:
        return float(std::int16_t(bigEndian(p, 2))) / 32768.0f;
    case SampleType::signedInt24LittleEndian:
        return float(std::int32_t(littleEndian(p, 3) << 8) >> 8) / 8388608.0f;
    case SampleType::signedInt24In32LittleEndian:
        return float(std::int32_t(littleEndian(p, 4) << 8) >> 8) / 8388608.0f;
    case SampleType::signedInt32LittleEndian:
        return float(double(std::int32_t(littleEndian(p, 4))) / 2147483648.0);
    case SampleType::signedInt32BigEndian:
        return float(double(std::int32_t(bigEndian(p, 4))) / 2147483648.0);
    case SampleType::float32LittleEndian:
        return std::bit_cast<float>(littleEndian(p, 4));
    case SampleType::float32BigEndian:
        return std::bit_cast<float>(bigEndian(p, 4));
    case SampleType::unsupported:
        break;
    }
    return 0;
}

std::int16_t toInt16(float sample) {
    if (!(sample == sample)) {
        return 0; // NaN
    }
    const float scaled = std::round(sample * 32767.0f);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

} // namespace

AudioFormatConverter::AudioFormatConverter(const CaptureFormat& inputFormat)
    : m_inputFormat(inputFormat) {
    if (!inputFormat.isUsable()) {
        throw ConversionError::unsupportedFormat(inputFormat.description());
    }
    try {
        m_converter = std::make_unique<AudioConverter>(inputFormat.sampleRate,
                                                       inputFormat.channelCount, outputSampleRate);
    } catch (const AudioFileError&) {
        throw ConversionError::unsupportedFormat(inputFormat.description());
    }
    m_output.resize(outputCapacity);
}

void AudioFormatConverter::deinterleave(const CaptureBuffer& buffer) {
    const int channels = m_inputFormat.channelCount;
    if (!m_input || m_input->frameCapacity() < buffer.frameCount) {
        m_input = std::make_unique<PcmBuffer>(channels, buffer.frameCount);
    }
    const std::size_t sampleBytes = m_inputFormat.bytesPerSample();
    const auto* bytes = static_cast<const unsigned char*>(buffer.data);
    for (std::size_t frame = 0; frame < buffer.frameCount; ++frame) {
        for (int c = 0; c < channels; ++c) {
            m_input->channel(c)[frame] = sampleAt(bytes, m_inputFormat.sampleType);
            bytes += sampleBytes;
        }
    }
    m_input->setFrameLength(buffer.frameCount);
}

std::vector<AudioFormatConverter::Block> AudioFormatConverter::drain(const CaptureBuffer* buffer,
                                                                     bool endOfStream) {
    // The input function hands the buffer over once, then reports end of stream or, while
    // recording goes on, that no more input is there for now.
    bool handedOver = buffer == nullptr || buffer->frameCount == 0;
    if (!handedOver) {
        deinterleave(*buffer);
    }
    const AudioConverter::InputFunction input = [&](std::size_t) -> const PcmBuffer* {
        if (!handedOver) {
            handedOver = true;
            return m_input.get();
        }
        return endOfStream ? nullptr : &m_empty;
    };
    std::vector<Block> blocks;
    for (;;) {
        std::size_t produced = 0;
        AudioConverter::Status status;
        try {
            status = m_converter->convert(m_output.data(), outputCapacity, produced, input);
        } catch (const AudioFileError& error) {
            throw ConversionError::failed(*error.what() ? error.what() : "conversion failed");
        }
        if (produced > 0) {
            Block block(produced);
            std::transform(m_output.begin(), m_output.begin() + std::ptrdiff_t(produced),
                           block.begin(), toInt16);
            blocks.push_back(std::move(block));
        }
        if (status != AudioConverter::Status::haveData || produced == 0) {
            break;
        }
    }
    return blocks;
}

} // namespace bw
