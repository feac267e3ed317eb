// Writes small 16 kHz mono 16-bit WAV files for tests that need audio on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace bw::test {

// `seconds` of silence (0 gives a file with a header and no samples).
inline void writeSilentWav(const std::filesystem::path& file, double seconds) {
    const std::uint32_t rate = 16000;
    std::vector<std::int16_t> samples(static_cast<size_t>(seconds * rate));
    auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataSize);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(dataSize);
    out.write(reinterpret_cast<const char*>(samples.data()), dataSize);
}

} // namespace bw::test
