// Estimates the time a transcription still needs from how long the audio done so far took,
// assuming the rest goes at the same pace. Times are seconds on one monotonic clock. Work that
// carries on from an earlier run counts only the audio done since it started.
#pragma once

#include <optional>

namespace bw {

// Seconds on the monotonic clock the estimates are made on (the system's uptime stands in).
double systemUptime();

struct ProgressEstimator {
    double totalDuration;  // length of the recording
    double startedAt;      // when the work started, on the systemUptime clock
    double minimumElapsed; // how long the work must have run before any estimate is given
    double startPosition;  // seconds of the recording done before the work started

    ProgressEstimator(double totalDuration, double startedAt, double minimumElapsed,
                      double startPosition = 0)
        : totalDuration(totalDuration), startedAt(startedAt), minimumElapsed(minimumElapsed),
          startPosition(startPosition) {}

    // Seconds until the end, or nothing while too little time has passed or no audio is done.
    std::optional<double> estimatedTimeRemaining(double processed, double now) const;
};

} // namespace bw
