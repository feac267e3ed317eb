// The one WAV writer of the tests: 16-bit PCM from float samples, with the header's rate,
// channel count and stated data size under the test's control (absurd values included).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace bw::test {

// `samples` are interleaved, clamped to [-1, 1]. The header states `statedDataBytes` as the
// data chunk's size when given, else the samples' size.
inline void writeWav(const std::filesystem::path& file, const std::vector<float>& samples,
                     std::uint32_t sampleRate = 16000, std::uint16_t channelCount = 1,
                     std::optional<std::uint32_t> statedDataBytes = std::nullopt) {
    std::ofstream out(file, std::ios::binary);
    auto put32 = [&out](std::uint32_t value) { out.write(reinterpret_cast<char*>(&value), 4); };
    auto put16 = [&out](std::uint16_t value) { out.write(reinterpret_cast<char*>(&value), 2); };
    const auto dataBytes = statedDataBytes.value_or(std::uint32_t(samples.size() * 2));
    out.write("RIFF", 4);
    put32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1); // PCM
    put16(channelCount);
    put32(sampleRate);
    put32(sampleRate * 2 * channelCount);
    put16(std::uint16_t(2 * channelCount));
    put16(16);
    out.write("data", 4);
    put32(dataBytes);
    std::vector<std::int16_t> data(samples.size());
    std::transform(samples.begin(), samples.end(), data.begin(), [](float sample) {
        return static_cast<std::int16_t>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767));
    });
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size() * 2));
}

} // namespace bw::test
