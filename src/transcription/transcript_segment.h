// One timed piece of a transcript, in seconds from the beginning of the recording.
#pragma once

#include "transcription/segment_doubt.h"
#include "transcription/speaker.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bw {

struct TranscriptSegment {
    double start = 0;
    double end = 0;
    std::string text;
    std::vector<SegmentDoubt> doubts; // why the text may be wrong; empty when nothing is doubted
    std::optional<Speaker> speaker;   // which track it was heard on; none for a single track

    TranscriptSegment() = default;
    TranscriptSegment(double start, double end, std::string text,
                      std::vector<SegmentDoubt> doubts = {},
                      std::optional<Speaker> speaker = std::nullopt)
        : start(start), end(end), text(std::move(text)), doubts(std::move(doubts)),
          speaker(speaker) {}

    bool operator==(const TranscriptSegment&) const = default;
};

} // namespace bw
