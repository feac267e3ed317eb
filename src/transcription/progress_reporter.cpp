#include "transcription/progress_reporter.h"

namespace bw {

ProgressReporter::ProgressReporter(ProgressEstimator estimator, ProgressHandler handler,
                                   std::function<double()> clock)
    : m_estimator(estimator), m_handler(std::move(handler)), m_clock(std::move(clock)),
      m_lastProcessed(estimator.startPosition) {}

void ProgressReporter::report(TranscriptionProgress::Phase phase, double processed,
                              std::vector<TranscriptSegment> newSegments,
                              std::optional<PartialTranscript> finishedWork) {
    double position;
    std::optional<double> estimate;
    {
        std::lock_guard lock(m_lock);
        position = processed >= m_lastProcessed ? processed : m_lastProcessed;
        if (!(position < m_estimator.totalDuration)) {
            position = m_estimator.totalDuration;
        }
        m_lastProcessed = position;
        estimate = m_estimator.estimatedTimeRemaining(position, m_clock());
    }
    if (m_handler) {
        m_handler({phase, position, m_estimator.totalDuration, estimate, std::move(newSegments),
                   std::move(finishedWork)});
    }
}

} // namespace bw
