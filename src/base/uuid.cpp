#include "base/uuid.h"

#include <cerrno>
#include <random>

#include <sys/random.h>

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
    // Sixteen bytes from the system's generator for every identifier: a generator seeded once
    // per process would draw from few enough sequences for processes to repeat one another,
    // and a forked process would repeat its parent's.
    Uuid id;
    std::size_t filled = 0;
    while (filled < id.m_bytes.size()) {
        ssize_t got = ::getrandom(id.m_bytes.data() + filled, id.m_bytes.size() - filled, 0);
        if (got > 0) {
            filled += std::size_t(got);
        } else if (errno != EINTR) {
            break;
        }
    }
    if (filled < id.m_bytes.size()) {
        // No getrandom (a very old kernel): the standard library's device, 32 bits a call.
        std::random_device device;
        for (std::size_t i = 0; i < id.m_bytes.size(); i += 4) {
            const auto value = device();
            for (std::size_t j = 0; j < 4; ++j) {
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
