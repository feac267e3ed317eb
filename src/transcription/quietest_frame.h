// The frame where speech is least likely, shared by the region splitter and the chunk planner.
#pragma once

#include "transcription/speech_analysis.h"

#include <cstdint>
#include <optional>

namespace bw {

// Among the analysis's frames from the one holding `from` up to the last one ending before the
// frame holding `to` (never the first or last frame), the one whose probability summed with
// its two neighbours' is strictly the smallest; the earliest wins ties. Nothing when the
// analysis has no probabilities (fewer than three) or the range holds no frame.
std::optional<std::int64_t> quietestFrame(const SpeechAnalysis& analysis, double from, double to);

} // namespace bw
