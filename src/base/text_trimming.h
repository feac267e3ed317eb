// Trimming of text at both ends. "White space" is the tab and the Unicode space separators;
// "line breaks" are LF, VT, FF, CR, NEL and the Unicode line and paragraph separators.
#pragma once

#include <string_view>

namespace bw {

// Without white space at either end; line breaks are kept.
std::string_view trimWhitespace(std::string_view text);

// Without white space or line breaks at either end.
std::string_view trimWhitespaceAndLineBreaks(std::string_view text);

// Without the scalars `isTrimmed` accepts at either end. Malformed UTF-8 reads as U+FFFD, so
// trimming never cuts into a malformed sequence unless U+FFFD itself is trimmed.
std::string_view trimScalars(std::string_view text, bool (*isTrimmed)(char32_t));

} // namespace bw
