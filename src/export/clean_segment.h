// A transcript segment made ready for writing: printable lines only and times that are finite,
// not negative and in order. The writers iterate over these instead of the raw segments.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "export/doubtful_text.h"
#include "export/export_segment.h"

namespace bw {

struct CleanSegment {
    double start = 0;
    double end = 0;
    std::vector<std::string> lines; // never empty; no line is empty
    std::string speaker;            // one printable line; empty when none is named

    CleanSegment() = default;
    CleanSegment(double start, double end, std::vector<std::string> lines, std::string speaker = {})
        : start(start), end(end), lines(std::move(lines)), speaker(std::move(speaker)) {}

    // The segments in input order, each with its text cleaned by Formatting::lines; a segment
    // with nothing printable is dropped. A start that is not finite or negative becomes 0; an
    // end that is not finite or before the start becomes the start. Nothing is merged, split
    // or sorted. Doubtful segments are written, marked after their last line or dropped, as
    // `doubtful` says. The speaker's name is cleaned to one line.
    static std::vector<CleanSegment> from(const std::vector<ExportSegment>& segments,
                                          DoubtfulText doubtful = DoubtfulText::keep);

    bool operator==(const CleanSegment&) const = default;
};

} // namespace bw
