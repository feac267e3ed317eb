#include "base/uuid.h"

#include <mutex>
#include <random>

namespace bw {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isHyphenPosition(size_t index) {
    return index == 8 || index == 13 || index == 18 || index == 23;
}

} // namespace

Uuid Uuid::random() {
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    Uuid id;
    {
        std::lock_guard lock(mutex);
        for (size_t i = 0; i < 16; i += 8) {
            std::uint64_t value = generator();
            for (size_t j = 0; j < 8; ++j) {
                id.m_bytes[i + j] = std::uint8_t(value >> (8 * j));
            }
        }
    }
    id.m_bytes[6] = std::uint8_t((id.m_bytes[6] & 0x0F) | 0x40); // version 4
    id.m_bytes[8] = std::uint8_t((id.m_bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return id;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) {
        return std::nullopt;
    }
    Uuid id;
    size_t byte = 0;
    for (size_t i = 0; i < text.size();) {
        if (isHyphenPosition(i)) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            ++i;
            continue;
        }
        int high = hexValue(text[i]);
        int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0 || isHyphenPosition(i + 1)) {
            return std::nullopt;
        }
        id.m_bytes[byte++] = std::uint8_t(high << 4 | low);
        i += 2;
    }
    return id;
}

std::string Uuid::string() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        text += digits[m_bytes[i] >> 4];
        text += digits[m_bytes[i] & 0x0F];
    }
    return text;
}

} // namespace bw

std::size_t std::hash<bw::Uuid>::operator()(const bw::Uuid& id) const noexcept {
    std::size_t value = 0;
    for (auto byte : id.bytes()) {
        value = value * 131 + byte;
    }
    return value;
}
