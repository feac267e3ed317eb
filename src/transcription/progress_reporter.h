// Sends the middle progress reports of one transcription run: keeps the reported position
// from going backwards or past the end, adds the time estimate and calls the caller's handler.
// Shared by the transcriber and the recognizer's progress callback, so report() may be called
// from any thread; the handler is called outside the lock.
#pragma once

#include "transcription/progress_estimator.h"
#include "transcription/transcription_engine.h"

#include <functional>
#include <mutex>

namespace bw {

class ProgressReporter {
public:
    // `clock` gives the current time on the estimator's clock; an empty handler ignores reports.
    ProgressReporter(ProgressEstimator estimator, ProgressHandler handler,
                     std::function<double()> clock = systemUptime);

    void report(TranscriptionProgress::Phase phase, double processed,
                std::vector<TranscriptSegment> newSegments,
                std::optional<PartialTranscript> finishedWork = std::nullopt);

private:
    std::mutex m_lock;
    const ProgressEstimator m_estimator;
    const ProgressHandler m_handler;
    const std::function<double()> m_clock;
    double m_lastProcessed; // guarded by m_lock
};

} // namespace bw
