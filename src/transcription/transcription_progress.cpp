#include "transcription/transcription_progress.h"

#include <algorithm>
#include <cmath>

namespace bw {

double TranscriptionProgress::fractionCompleted() const {
    if (totalDuration > 0) {
        double fraction = processedDuration / totalDuration;
        if (std::isnan(fraction)) {
            return 0;
        }
        return std::clamp(fraction, 0.0, 1.0);
    }
    return phase == Phase::finished ? 1.0 : 0.0;
}

std::optional<std::chrono::system_clock::time_point>
TranscriptionProgress::estimatedFinishDate(std::chrono::system_clock::time_point now) const {
    if (!estimatedTimeRemaining) {
        return std::nullopt;
    }
    return now + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                     std::chrono::duration<double>(*estimatedTimeRemaining));
}

} // namespace bw
