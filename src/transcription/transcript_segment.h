// One timed piece of a transcript, in seconds from the beginning of the recording.
#pragma once

#include "transcription/segment_doubt.h"

#include <string>
#include <utility>
#include <vector>

namespace bw {

struct TranscriptSegment {
    double start = 0;
    double end = 0;
    std::string text;
    std::vector<SegmentDoubt> doubts; // why the text may be wrong; empty when nothing is doubted

    TranscriptSegment() = default;
    TranscriptSegment(double start, double end, std::string text,
                      std::vector<SegmentDoubt> doubts = {})
        : start(start), end(end), text(std::move(text)), doubts(std::move(doubts)) {}

    bool operator==(const TranscriptSegment&) const = default;
};

} // namespace bw
