// Estimates the time a transcription still needs from how long the audio done so far took,
// assuming the rest goes at the same pace. Times are seconds on one monotonic clock.
#pragma once

#include <optional>

namespace bw {

// Seconds on the monotonic clock the estimates are made on (the system's uptime stands in).
double systemUptime();

struct ProgressEstimator {
    double totalDuration;  // length of the recording
    double startedAt;      // when the work started, on the systemUptime clock
    double minimumElapsed; // how long the work must have run before any estimate is given

    ProgressEstimator(double totalDuration, double startedAt, double minimumElapsed)
        : totalDuration(totalDuration), startedAt(startedAt), minimumElapsed(minimumElapsed) {}

    // Seconds until the end, or nothing while too little time has passed or no audio is done.
    std::optional<double> estimatedTimeRemaining(double processed, double now) const;
};

} // namespace bw
