// One progress report of a transcription.
#pragma once

#include "transcription/transcript_segment.h"

#include <chrono>
#include <optional>
#include <vector>

namespace bw {

struct TranscriptionProgress {
    enum class Phase { loadingModel, transcribing, finished };

    Phase phase = Phase::loadingModel;
    double processedDuration = 0; // seconds of the recording dealt with so far
    double totalDuration = 0;     // seconds of the whole recording
    std::optional<double> estimatedTimeRemaining;
    std::vector<TranscriptSegment> newSegments; // finished since the previous report

    // processed / total clamped to 0...1 when total > 0; otherwise 1 once finished, else 0.
    double fractionCompleted() const;

    std::optional<std::chrono::system_clock::time_point>
    estimatedFinishDate(std::chrono::system_clock::time_point now) const;

    bool operator==(const TranscriptionProgress&) const = default;
};

} // namespace bw
