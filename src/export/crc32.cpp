#include "export/crc32.h"

namespace bw::CRC32 {

const std::array<std::uint32_t, 256>& table() {
    static const std::array<std::uint32_t, 256> values = [] {
        std::array<std::uint32_t, 256> built{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t value = i;
            for (int bit = 0; bit < 8; ++bit) {
                value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
            }
            built[i] = value;
        }
        return built;
    }();
    return values;
}

std::uint32_t checksum(std::span<const std::uint8_t> bytes) {
    const auto& lookup = table();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        crc = lookup[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

} // namespace bw::CRC32
