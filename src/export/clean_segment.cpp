#include "export/clean_segment.h"

#include <cmath>

#include "export/formatting.h"

namespace bw {

std::vector<CleanSegment> CleanSegment::from(const std::vector<ExportSegment>& segments,
                                             DoubtfulText doubtful) {
    std::vector<CleanSegment> result;
    result.reserve(segments.size());
    for (const ExportSegment& segment : segments) {
        if (segment.doubtful && doubtful == DoubtfulText::omit) {
            continue;
        }
        std::vector<std::string> lines = Formatting::lines(segment.text);
        if (lines.empty()) {
            continue;
        }
        if (segment.doubtful && doubtful == DoubtfulText::mark) {
            lines.back() += doubtfulTextMark;
        }
        const double start =
            std::isfinite(segment.start) && segment.start >= 0 ? segment.start : 0.0;
        const double end = std::isfinite(segment.end) && segment.end >= start ? segment.end : start;
        result.emplace_back(start, end, std::move(lines), Formatting::singleLine(segment.speaker));
    }
    return result;
}

} // namespace bw
