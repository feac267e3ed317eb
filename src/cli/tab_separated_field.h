// Text for one field of the commands' tab-separated output: control characters are written
// as escapes, so that a title or group name with a tab or a line break cannot forge a field
// or a row.
#pragma once

#include <string>
#include <string_view>

namespace bw::cli {

// Tab, line feed and carriage return as \t, \n and \r; other C0 controls and DEL as \xHH;
// C1 controls and the Unicode line and paragraph separators as \uHHHH. Everything else,
// including a backslash, is kept as it is.
std::string tabSeparatedField(std::string_view text);

} // namespace bw::cli
