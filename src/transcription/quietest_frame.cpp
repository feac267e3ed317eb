#include "transcription/quietest_frame.h"

#include "transcription/sample_index.h"

#include <algorithm>
#include <limits>

namespace bw {

std::optional<std::int64_t> quietestFrame(const SpeechAnalysis& analysis, double from, double to) {
    double frame = analysis.frameDuration;
    const auto& probabilities = analysis.frameProbabilities;
    if (!(frame > 0) || probabilities.size() < 3) {
        return std::nullopt;
    }
    std::int64_t first = std::max<std::int64_t>(1, truncatedIndex(from / frame));
    std::int64_t last = std::min<std::int64_t>(truncatedIndex(to / frame) - 1,
                                               static_cast<std::int64_t>(probabilities.size()) - 2);
    if (last < first) {
        return std::nullopt;
    }
    auto at = [&](std::int64_t i) { return probabilities[static_cast<std::size_t>(i)]; };
    float best = std::numeric_limits<float>::max();
    std::int64_t quietest = first; // when no sum is below the largest finite float
    for (std::int64_t i = first; i <= last; ++i) {
        float sum = at(i - 1) + at(i) + at(i + 1);
        if (sum < best) {
            best = sum;
            quietest = i;
        }
    }
    return quietest;
}

} // namespace bw
