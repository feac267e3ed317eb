// Why a recognized segment's text may not be what was said: a loop of the decoder, text over
// little speech, text spoken impossibly fast, a recognizer unsure of it or taking it for no
// speech at all. Stored with the segment by its code; shown with its description.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace bw {

enum class SegmentDoubt {
    repeatsPreviousLine,
    repeatsItself,
    littleSpeech,
    tooFast,
    unsure,
    notSpeech,
};

// The stored code, e.g. "repeatsPreviousLine".
std::string_view code(SegmentDoubt doubt);
std::optional<SegmentDoubt> segmentDoubtFromCode(std::string_view code);

// What the user reads, e.g. "repeats the previous line".
std::string_view description(SegmentDoubt doubt);

// The descriptions joined with "; ", e.g. "repeats itself; little speech under this text".
std::string describe(const std::vector<SegmentDoubt>& doubts);

} // namespace bw
