// The SubRip subtitle export: each segment broken into cues of at most two lines of at most 42
// user-perceived characters, timed in proportion to their length within the segment. CR LF line
// endings. Only the segments matter; title, date and language are not written. Cannot fail.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/clean_segment.h"
#include "export/export_transcript.h"

namespace bw::SubRipExport {

inline constexpr std::size_t maximumLineLength = 42;

struct Cue {
    double start = 0;
    double end = 0;
    std::vector<std::string> lines; // one or two

    bool operator==(const Cue&) const = default;
};

// The whole subtitle file, UTF-8 without a byte-order mark; empty when there is no cue.
std::string render(const ExportTranscript& transcript, DoubtfulText doubtful = DoubtfulText::keep);

// One cleaned line broken at spaces into subtitle lines. A word longer than the limit is never
// broken: it stands alone on its line.
std::vector<std::string> wrap(std::string_view line);

// The segment's cues: its lines wrapped one by one, paired in order, and its time span shared
// out by the characters each cue carries.
std::vector<Cue> cues(const CleanSegment& segment);

// "HH:MM:SS,mmm", hours unbounded; times that are not finite and positive are 0.
std::string timestamp(double seconds);

} // namespace bw::SubRipExport
