// Case folding of ASCII letters only, for identifiers and file extensions: unlike std::tolower
// it ignores the C locale and leaves every byte outside A-Z, UTF-8 included, as it is.
#pragma once

#include <string>
#include <string_view>

namespace bw {

std::string lowercasedAscii(std::string_view text);

} // namespace bw
