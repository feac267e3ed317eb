#include "transcription/chunking_options.h"

#include "base/precondition.h"

namespace bw {

ChunkingOptions::ChunkingOptions(double targetDuration, double lookahead, double minimumPause,
                                 std::optional<double> maximumDuration)
    : targetDuration(targetDuration), lookahead(lookahead), minimumPause(minimumPause),
      maximumDuration(maximumDuration.value_or(2 * targetDuration)) {
    BW_PRECONDITION(targetDuration > 0, "targetDuration must be positive");
    BW_PRECONDITION(lookahead >= 0, "lookahead must not be negative");
    BW_PRECONDITION(minimumPause >= 0, "minimumPause must not be negative");
    BW_PRECONDITION(this->maximumDuration >= targetDuration + lookahead,
                    "maximumDuration must be at least targetDuration + lookahead");
}

} // namespace bw
