// One timed piece of a transcript as handed to the exporters. Times are seconds from the start
// of the recording and may be anything (NaN, negative, end before start): the writers clean them.
#pragma once

#include <string>
#include <utility>

#include "export/hash_combine.h"

namespace bw {

struct ExportSegment {
    double start = 0;
    double end = 0;
    std::string text; // UTF-8, possibly several lines
    // The engine doubted the text and nobody has corrected it; see DoubtfulText.
    bool doubtful = false;
    // Who spoke it, as the reader sees the name ("Me", "Others"); empty when the transcript names
    // no speakers, and then every writer writes what it wrote before speakers existed.
    std::string speaker;

    ExportSegment() = default;
    ExportSegment(double start, double end, std::string text, bool doubtful = false,
                  std::string speaker = {})
        : start(start), end(end), text(std::move(text)), doubtful(doubtful),
          speaker(std::move(speaker)) {}

    bool operator==(const ExportSegment&) const = default;
};

} // namespace bw

template <> struct std::hash<bw::ExportSegment> {
    std::size_t operator()(const bw::ExportSegment& segment) const noexcept {
        return bw::hashFields(segment.start, segment.end, segment.text, segment.doubtful,
                              segment.speaker);
    }
};
