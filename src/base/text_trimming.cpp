#include "base/text_trimming.h"

#include <cstdint>

namespace bw {

namespace {

bool isWhitespace(char32_t c) {
    return c == U'\t' || c == U' ' || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

bool isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Length of the UTF-8 sequence a lead byte starts; 1 for bytes that cannot lead one, so that
// malformed text is walked byte by byte and never trimmed into.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0xC0) {
        return 1;
    }
    if (lead < 0xE0) {
        return 2;
    }
    if (lead < 0xF0) {
        return 3;
    }
    return 4;
}

char32_t decodeAt(std::string_view text, std::size_t at, std::size_t length) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    switch (length) {
    case 1:
        return byte(0) < 0x80 ? char32_t(byte(0)) : char32_t(0xFFFD);
    case 2:
        return (char32_t(byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
        return (char32_t(byte(0) & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) |
               (byte(2) & 0x3F);
    default:
        return (char32_t(byte(0) & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) |
               (char32_t(byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    }
}

template <typename Predicate> std::string_view trim(std::string_view text, Predicate isTrimmed) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t length = sequenceLength(static_cast<unsigned char>(text[begin]));
        if (begin + length > text.size() || !isTrimmed(decodeAt(text, begin, length))) {
            break;
        }
        begin += length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        // Step back over continuation bytes to the start of the last character.
        std::size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
            --start;
        }
        std::size_t length = sequenceLength(static_cast<unsigned char>(text[start]));
        if (start + length != end || !isTrimmed(decodeAt(text, start, length))) {
            break;
        }
        end = start;
    }
    return text.substr(begin, end - begin);
}

} // namespace

std::string_view trimWhitespace(std::string_view text) {
    return trim(text, isWhitespace);
}

std::string_view trimWhitespaceAndLineBreaks(std::string_view text) {
    return trim(text, [](char32_t c) { return isWhitespace(c) || isLineBreak(c); });
}

} // namespace bw
