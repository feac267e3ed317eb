// The folding the search index adds to SQLite's unicode61 tokenizer (which lower-cases and, with
// remove_diacritics 2, strips accents that Unicode decomposes): letters with no decomposition
// become the ASCII a user types for them, so that "strasse" finds "Straße" and "lodz" finds
// "Łódź". Applied alike to indexed text and to queries.
#pragma once

#include <string>
#include <string_view>

namespace bw {

// The token with ß, ẞ, æ, œ, ø, ł, đ, ð, þ, ħ, ŧ, ı and their capitals replaced ("ss", "ae",
// "oe", "o", "l", "d", "d", "th", "h", "t", "i"); everything else as it is. Empty when nothing
// changes, so that the common case costs no copy.
std::string foldedSearchToken(std::string_view token);

} // namespace bw
