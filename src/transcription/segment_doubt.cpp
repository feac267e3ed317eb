#include "transcription/segment_doubt.h"

#include <array>
#include <string>

namespace bw {

namespace {

struct Entry {
    SegmentDoubt doubt;
    std::string_view code;
    std::string_view description;
};

constexpr std::array entries{
    Entry{SegmentDoubt::repeatsPreviousLine, "repeatsPreviousLine", "repeats the previous line"},
    Entry{SegmentDoubt::repeatsItself, "repeatsItself", "repeats itself"},
    Entry{SegmentDoubt::littleSpeech, "littleSpeech", "little speech under this text"},
    Entry{SegmentDoubt::tooFast, "tooFast", "more text than the speech under it can hold"},
    Entry{SegmentDoubt::unsure, "unsure", "the recognizer was unsure of it"},
    Entry{SegmentDoubt::notSpeech, "notSpeech", "the recognizer heard no speech here"},
};

// In the order of the enumeration.
constexpr bool inOrder() {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (static_cast<std::size_t>(entries[i].doubt) != i) {
            return false;
        }
    }
    return true;
}
static_assert(inOrder());

const Entry& entryOf(SegmentDoubt doubt) {
    return entries.at(static_cast<std::size_t>(doubt));
}

} // namespace

std::string_view code(SegmentDoubt doubt) {
    return entryOf(doubt).code;
}

std::optional<SegmentDoubt> segmentDoubtFromCode(std::string_view code) {
    for (const auto& entry : entries) {
        if (entry.code == code) {
            return entry.doubt;
        }
    }
    return std::nullopt;
}

std::string_view description(SegmentDoubt doubt) {
    return entryOf(doubt).description;
}

std::string describe(const std::vector<SegmentDoubt>& doubts) {
    std::string text;
    for (auto doubt : doubts) {
        if (!text.empty()) {
            text += "; ";
        }
        text += description(doubt);
    }
    return text;
}

} // namespace bw
