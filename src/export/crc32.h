// The CRC-32 checksum the ZIP format prescribes (reflected polynomial 0xEDB88320), table-driven.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace bw::CRC32 {

// Built once, on first use, safely from any thread; never changed afterwards.
const std::array<std::uint32_t, 256>& table();

// The checksum of the bytes; 0 for no bytes.
std::uint32_t checksum(std::span<const std::uint8_t> bytes);

} // namespace bw::CRC32
