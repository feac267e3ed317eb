// Captured audio made up for the recording tests: a sine in any capture format cut into
// buffers as a capture device delivers them, and the samples of a recorded file.
#pragma once

#include "platform/audio_file_decoder.h"
#include "platform/capture_buffer.h"
#include "platform/pcm_buffer.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numbers>
#include <vector>

namespace bw::test {

struct CapturedAudio {
    CaptureFormat format;
    std::vector<unsigned char> bytes;

    std::size_t frameCount() const { return bytes.size() / format.bytesPerFrame(); }

    // Hands the audio over in buffers of `framesPerBuffer` frames.
    void deliver(const std::function<void(const CaptureBuffer&)>& receive,
                 std::size_t framesPerBuffer = 4096) const {
        for (std::size_t frame = 0; frame < frameCount(); frame += framesPerBuffer) {
            const std::size_t frames = std::min(framesPerBuffer, frameCount() - frame);
            receive(CaptureBuffer{format, bytes.data() + frame * format.bytesPerFrame(), frames,
                                  std::nullopt});
        }
    }
};

// A sine (every channel alike) in 16-bit or 32-bit float little-endian samples; a square wave
// when `square`.
inline CapturedAudio sine(CaptureFormat format, double seconds, double hertz, double amplitude,
                          bool square = false) {
    CapturedAudio audio{format, {}};
    const auto frames = static_cast<std::size_t>(seconds * format.sampleRate);
    for (std::size_t i = 0; i < frames; ++i) {
        double value =
            amplitude * std::sin(2 * std::numbers::pi * hertz * double(i) / format.sampleRate);
        if (square) {
            value = value >= 0 ? amplitude : -amplitude;
        }
        for (int c = 0; c < format.channelCount; ++c) {
            if (format.sampleType == CaptureFormat::SampleType::float32LittleEndian) {
                auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
                for (int b = 0; b < 4; ++b) {
                    audio.bytes.push_back(static_cast<unsigned char>(bits >> (8 * b)));
                }
            } else {
                auto sample = static_cast<std::uint16_t>(
                    static_cast<std::int16_t>(std::lround(value * 32767)));
                audio.bytes.push_back(static_cast<unsigned char>(sample));
                audio.bytes.push_back(static_cast<unsigned char>(sample >> 8));
            }
        }
    }
    return audio;
}

// The first channel of an audio file, as floats.
inline std::vector<float> decodedSamples(const std::filesystem::path& file) {
    AudioFileDecoder decoder(file);
    PcmBuffer buffer(decoder.channelCount(), 4096);
    std::vector<float> samples;
    while (std::size_t frames = decoder.read(buffer, buffer.frameCapacity())) {
        samples.insert(samples.end(), buffer.channel(0), buffer.channel(0) + frames);
    }
    return samples;
}

} // namespace bw::test
