// What a search finds: one segment (or title) that matches, and for the recording list, each
// recording that has a match with the best of them.
#pragma once

#include "base/uuid.h"
#include "search/marked_text.h"

#include <cstdint>
#include <optional>
#include <string>

namespace bw {

struct SearchMatch {
    Uuid itemID;
    std::string title;                   // of the recording, as indexed
    std::optional<std::int64_t> segment; // the segment's position; none when the title matched
    double start = 0;                    // the segment's start in seconds; 0 for the title
    std::string speaker;                 // the segment's speaker, when it has one
    MarkedText snippet;                  // a short passage around the matched words

    bool operator==(const SearchMatch&) const = default;
};

struct RecordingMatch {
    Uuid itemID;
    bool titleMatches = false;
    std::int64_t segmentCount = 0; // matching segments
    // The segment with the most matched words (the earliest of equals); none when only the
    // title matched.
    std::optional<SearchMatch> best;

    bool operator==(const RecordingMatch&) const = default;
};

// A matching segment of one recording with its words marked, for the transcript editor.
struct SegmentMatch {
    std::int64_t segment = 0;
    MarkedText text; // the segment's text as indexed

    bool operator==(const SegmentMatch&) const = default;
};

} // namespace bw
