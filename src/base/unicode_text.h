// Helpers for UTF-8 text over ICU: reading it one Unicode scalar at a time, repairing malformed
// bytes, and counting user-perceived characters (extended grapheme clusters).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bw::unicode {

inline constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

// The scalars that end a line: U+000A to U+000D, U+0085, U+2028 and U+2029.
constexpr bool isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Reads the scalar that starts at byte `at` (< text.size()) into `scalar` and returns the offset
// after it. A maximal ill-formed subpart (stray or missing continuation bytes, overlong forms,
// surrogates, values beyond U+10FFFF) reads as one U+FFFD.
std::size_t nextScalar(std::string_view text, std::size_t at, char32_t& scalar);

// Calls visit(char32_t scalar, std::string_view source) for each scalar of the text, with the
// bytes it was read from. Malformed UTF-8 reads as one U+FFFD per maximal ill-formed subpart,
// whose source is that subpart: write the scalar, not the source, to get valid UTF-8.
template <typename Visit> void forEachScalar(std::string_view text, Visit&& visit) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            visit(char32_t(lead), text.substr(i, 1));
            ++i;
            continue;
        }
        char32_t scalar = 0;
        const std::size_t next = nextScalar(text, i, scalar);
        visit(scalar, text.substr(i, next - i));
        i = next;
    }
}

// The text as valid UTF-8: each maximal ill-formed subpart becomes U+FFFD, everything else is
// kept byte for byte.
std::string repairedUtf8(std::string_view text);

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

// The number of UTF-16 code units the text takes (two for each scalar beyond U+FFFF), the unit
// of Qt's strings and text positions. Malformed UTF-8 counts as its U+FFFD replacements.
std::size_t utf16Length(std::string_view text);

// The number of extended grapheme clusters in valid UTF-8 text.
std::size_t graphemeCount(std::string_view text);

// The length in bytes of the first `count` grapheme clusters of the text (all of it when it
// has fewer).
std::size_t graphemePrefixSize(std::string_view text, std::size_t count);

// The length in bytes of the last `count` grapheme clusters of the text (all of it when it has
// fewer).
std::size_t graphemeSuffixSize(std::string_view text, std::size_t count);

} // namespace bw::unicode
