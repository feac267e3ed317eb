// What every view shows about the running transcription: which recording, how far along, when
// it should end, and the segments recognised so far. A plain value the service replaces as
// progress arrives.
#pragma once

#include "base/uuid.h"
#include "transcription/transcript_segment.h"
#include "transcription/transcription_language.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace bw {

struct TranscriptionJob {
    enum class Phase { loadingModel, transcribing, saving };

    Uuid itemID;
    TranscriptionLanguage language = TranscriptionLanguage::slovak;
    double audioDuration = 0; // seconds, measured when the job started
    Phase phase = Phase::loadingModel;
    double fractionCompleted = 0; // 0...1
    std::optional<std::chrono::system_clock::time_point> estimatedFinish;
    std::vector<TranscriptSegment> segments; // every segment reported so far, in arrival order
    // Where the job carried on from the work of an earlier one that was interrupted, in seconds
    // of the recording; nothing for a job that started at the beginning.
    std::optional<double> resumedFrom;

    TranscriptionJob() = default;
    TranscriptionJob(Uuid itemID, TranscriptionLanguage language, double audioDuration,
                     Phase phase = Phase::loadingModel, double fractionCompleted = 0,
                     std::optional<std::chrono::system_clock::time_point> estimatedFinish = {},
                     std::vector<TranscriptSegment> segments = {},
                     std::optional<double> resumedFrom = std::nullopt)
        : itemID(itemID), language(language), audioDuration(audioDuration), phase(phase),
          fractionCompleted(fractionCompleted), estimatedFinish(estimatedFinish),
          segments(std::move(segments)), resumedFrom(resumedFrom) {}

    // fractionCompleted within 0...1, and 0 when it is not a number; as whole percent, rounded
    // down, for the texts that show it.
    double shownFraction() const {
        return std::isfinite(fractionCompleted) ? std::clamp(fractionCompleted, 0.0, 1.0) : 0.0;
    }
    int wholePercent() const { return static_cast<int>(std::floor(shownFraction() * 100)); }

    bool operator==(const TranscriptionJob&) const = default;
};

} // namespace bw
