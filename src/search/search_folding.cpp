#include "search/search_folding.h"

#include "base/unicode_text.h"

#include <algorithm>

namespace bw {

namespace {

struct Folding {
    char32_t letter;
    std::string_view replacement;
};

// Sorted by letter.
constexpr Folding foldings[] = {
    {U'\u00C6', "ae"}, {U'\u00D0', "d"},  {U'\u00D8', "o"},  {U'\u00DE', "th"}, {U'\u00DF', "ss"},
    {U'\u00E6', "ae"}, {U'\u00F0', "d"},  {U'\u00F8', "o"},  {U'\u00FE', "th"}, {U'\u0110', "d"},
    {U'\u0111', "d"},  {U'\u0126', "h"},  {U'\u0127', "h"},  {U'\u0131', "i"},  {U'\u0141', "l"},
    {U'\u0142', "l"},  {U'\u0152', "oe"}, {U'\u0153', "oe"}, {U'\u0166', "t"},  {U'\u0167', "t"},
    {U'\u1E9E', "ss"},
};

const Folding* foldingOf(char32_t scalar) {
    const auto* found =
        std::lower_bound(std::begin(foldings), std::end(foldings), scalar,
                         [](const Folding& folding, char32_t c) { return folding.letter < c; });
    return found != std::end(foldings) && found->letter == scalar ? found : nullptr;
}

} // namespace

std::string foldedSearchToken(std::string_view token) {
    if (std::all_of(token.begin(), token.end(), [](char c) { return (c & 0x80) == 0; })) {
        return {};
    }
    std::string folded;
    bool changed = false;
    unicode::forEachScalar(token, [&](char32_t scalar, std::string_view source) {
        if (const Folding* folding = foldingOf(scalar)) {
            folded += folding->replacement;
            changed = true;
        } else {
            folded += source;
        }
    });
    return changed ? folded : std::string();
}

} // namespace bw
