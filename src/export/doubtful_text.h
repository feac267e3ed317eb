// What an export does with the segments whose text the engine doubted and nobody has corrected
// since: write them as they are, mark them with " [?]" after their text, or leave them out.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace bw {

enum class DoubtfulText { keep, mark, omit };

inline constexpr std::array<DoubtfulText, 3> allDoubtfulTexts = {
    DoubtfulText::keep, DoubtfulText::mark, DoubtfulText::omit};

// "keep", "mark" or "omit": the stored and command-line value.
std::string_view rawValue(DoubtfulText choice);
std::optional<DoubtfulText> doubtfulTextFromRawValue(std::string_view raw);

// What a marked segment's text ends with.
inline constexpr std::string_view doubtfulTextMark = " [?]";

} // namespace bw
