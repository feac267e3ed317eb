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

    ExportSegment() = default;
    ExportSegment(double start, double end, std::string text, bool doubtful = false)
        : start(start), end(end), text(std::move(text)), doubtful(doubtful) {}

    bool operator==(const ExportSegment&) const = default;
};

} // namespace bw

template <> struct std::hash<bw::ExportSegment> {
    std::size_t operator()(const bw::ExportSegment& segment) const noexcept {
        return bw::hashFields(segment.start, segment.end, segment.text, segment.doubtful);
    }
};
