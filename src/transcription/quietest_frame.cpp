#include "transcription/quietest_frame.h"

#include <limits>

namespace bw {

std::int64_t quietestFrame(const std::vector<float>& probabilities, std::int64_t first,
                           std::int64_t last) {
    float best = std::numeric_limits<float>::max();
    std::int64_t quietest = first;
    for (std::int64_t i = first; i <= last; ++i) {
        auto at = [&](std::int64_t j) { return probabilities[static_cast<std::size_t>(j)]; };
        float sum = at(i - 1) + at(i) + at(i + 1);
        if (sum < best) {
            best = sum;
            quietest = i;
        }
    }
    return quietest;
}

} // namespace bw
