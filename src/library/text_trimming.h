// Text helpers for names and titles the user types: Unicode-aware trimming of white space and
// newlines, and comparison ignoring case without any locale.
#pragma once

#include <string>

namespace bw {

// Without leading and trailing white space and newlines (any Unicode White_Space character).
std::string trimmedText(const std::string& text);

// Equal after Unicode default case folding; accents and other marks still differ.
bool equalIgnoringCase(const std::string& a, const std::string& b);

} // namespace bw
