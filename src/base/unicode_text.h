// Module-internal helpers for UTF-8 text: reading it one Unicode scalar at a time, writing
// scalars back, and counting user-perceived characters (extended grapheme clusters) with ICU.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bw::unicode {

// Calls visit(char32_t scalar, std::string_view source) for each scalar of the text, with the
// bytes it was read from. Malformed UTF-8 (stray or missing continuation bytes, overlong forms,
// surrogates, values beyond U+10FFFF) reads as one U+FFFD per maximal ill-formed subpart, whose
// source is that subpart: write the scalar, not the source, to get valid UTF-8.
template <typename Visit> void forEachScalar(std::string_view text, Visit&& visit) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            visit(char32_t(lead), text.substr(i, 1));
            ++i;
            continue;
        }
        int trailing = 0;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the first continuation byte
        char32_t scalar = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trailing = 1;
            scalar = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trailing = 2;
            scalar = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trailing = 3;
            scalar = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            visit(char32_t(0xFFFD), text.substr(i, 1));
            ++i;
            continue;
        }
        std::size_t next = i + 1;
        bool wellFormed = true;
        for (int k = 0; k < trailing; ++k, ++next) {
            const unsigned char lo = k == 0 ? low : 0x80;
            const unsigned char hi = k == 0 ? high : 0xBF;
            if (next >= size || bytes[next] < lo || bytes[next] > hi) {
                wellFormed = false;
                break;
            }
            scalar = (scalar << 6) | (bytes[next] & 0x3F);
        }
        visit(wellFormed ? scalar : char32_t(0xFFFD), text.substr(i, next - i));
        i = next;
    }
}

inline constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

// The text with each malformed part replaced by U+FFFD (as forEachScalar reads it).
std::string validUtf8(std::string_view text);

// True when every byte is printable ASCII (U+0020 to U+007E): then each byte is one
// user-perceived character.
bool isPrintableAscii(std::string_view text);

// True when every scalar is below U+0300 and no CR is followed by LF. No scalar in that range
// joins its neighbours into a cluster (combining marks, joiners, regional indicators and the
// like all lie above it), so each scalar is one user-perceived character, and two such texts
// joined by a space stay so. Latin scripts with precomposed letters take this path.
bool isClusterPerScalar(std::string_view text);

// The number of scalars of valid UTF-8 text.
std::size_t scalarCount(std::string_view text);

// The number of extended grapheme clusters in valid UTF-8 text.
std::size_t graphemeCount(std::string_view text);

// The length in bytes of the first `count` grapheme clusters of the text (all of it when it
// has fewer).
std::size_t graphemePrefixSize(std::string_view text, std::size_t count);

} // namespace bw::unicode
