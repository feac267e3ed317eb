#include "transcription/progress_estimator.h"

#include <chrono>

namespace bw {

double systemUptime() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::optional<double> ProgressEstimator::estimatedTimeRemaining(double processed,
                                                                double now) const {
    double elapsed = now - startedAt;
    if (!(minimumElapsed <= elapsed)) {
        return std::nullopt;
    }
    const double done = processed - startPosition;
    if (!(done > 0)) {
        return std::nullopt;
    }
    double remaining = totalDuration - processed;
    if (!(remaining >= 0)) {
        remaining = 0;
    }
    return remaining * elapsed / done;
}

} // namespace bw
