// One timed piece of a transcript, in seconds from the beginning of the recording.
#pragma once

#include <string>

namespace bw {

struct TranscriptSegment {
    double start = 0;
    double end = 0;
    std::string text;

    bool operator==(const TranscriptSegment&) const = default;
};

} // namespace bw
