#include "base/text_trimming.h"

#include "base/unicode_text.h"

#include <algorithm>

namespace bw {

namespace {

bool isWhitespace(char32_t c) {
    return c == U'\t' || c == U' ' || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

} // namespace

std::string_view trimScalars(std::string_view text, bool (*isTrimmed)(char32_t)) {
    // One pass: the kept part runs from the first kept scalar to the end of the last one.
    std::size_t begin = text.size();
    std::size_t end = 0;
    std::size_t position = 0;
    unicode::forEachScalar(text, [&](char32_t scalar, std::string_view source) {
        if (!isTrimmed(scalar)) {
            begin = std::min(begin, position);
            end = position + source.size();
        }
        position += source.size();
    });
    return begin < end ? text.substr(begin, end - begin) : std::string_view();
}

std::string_view trimWhitespace(std::string_view text) {
    return trimScalars(text, isWhitespace);
}

std::string_view trimWhitespaceAndLineBreaks(std::string_view text) {
    return trimScalars(text, [](char32_t c) { return isWhitespace(c) || unicode::isLineBreak(c); });
}

} // namespace bw
