#include "library/audio_duration.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace bw {

// Interim measurement of RIFF/WAVE files only, until the FFmpeg-backed audio file information
// of the platform layer is available.
double audioDuration(const std::filesystem::path& file) {
    std::ifstream input(file, std::ios::binary);
    char header[12];
    if (!input.read(header, 12) || std::string(header, 4) != "RIFF" ||
        std::string(header + 8, 4) != "WAVE") {
        throw std::runtime_error("not a readable audio file");
    }
    std::uint32_t byteRate = 0;
    for (;;) {
        char chunk[8];
        if (!input.read(chunk, 8)) {
            throw std::runtime_error("no audio data");
        }
        std::uint32_t size = std::uint8_t(chunk[4]) | std::uint8_t(chunk[5]) << 8 |
                             std::uint8_t(chunk[6]) << 16 |
                             std::uint32_t(std::uint8_t(chunk[7])) << 24;
        std::string id(chunk, 4);
        if (id == "fmt ") {
            char format[16];
            if (size < 16 || !input.read(format, 16)) {
                throw std::runtime_error("bad format chunk");
            }
            byteRate = std::uint8_t(format[8]) | std::uint8_t(format[9]) << 8 |
                       std::uint8_t(format[10]) << 16 |
                       std::uint32_t(std::uint8_t(format[11])) << 24;
            input.seekg(std::streamoff(size - 16 + (size & 1)), std::ios::cur);
        } else if (id == "data") {
            if (byteRate == 0) {
                throw std::runtime_error("no sample rate");
            }
            return double(size) / byteRate;
        } else {
            input.seekg(std::streamoff(size + (size & 1)), std::ios::cur);
        }
    }
}

} // namespace bw
