// One progress report of a transcription.
#pragma once

#include "transcription/partial_transcript.h"
#include "transcription/transcript_segment.h"

#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace bw {

struct TranscriptionProgress {
    enum class Phase { loadingModel, transcribing, finished };

    Phase phase = Phase::loadingModel;
    double processedDuration = 0; // seconds of the recording dealt with so far
    double totalDuration = 0;     // seconds of the whole recording
    std::optional<double> estimatedTimeRemaining;
    std::vector<TranscriptSegment> newSegments; // finished since the previous report
    // Set on the report at the end of every chunk but the last: all the work done so far.
    std::optional<PartialTranscript> finishedWork;

    TranscriptionProgress() = default;
    TranscriptionProgress(Phase phase, double processedDuration, double totalDuration,
                          std::optional<double> estimatedTimeRemaining = std::nullopt,
                          std::vector<TranscriptSegment> newSegments = {},
                          std::optional<PartialTranscript> finishedWork = std::nullopt)
        : phase(phase), processedDuration(processedDuration), totalDuration(totalDuration),
          estimatedTimeRemaining(estimatedTimeRemaining), newSegments(std::move(newSegments)),
          finishedWork(std::move(finishedWork)) {}

    // processed / total clamped to 0...1 when total > 0; otherwise 1 once finished, else 0.
    double fractionCompleted() const;

    std::optional<std::chrono::system_clock::time_point>
    estimatedFinishDate(std::chrono::system_clock::time_point now) const;

    bool operator==(const TranscriptionProgress&) const = default;
};

} // namespace bw
