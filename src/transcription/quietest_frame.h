// The frame where speech is least likely, shared by the region splitter and the chunk planner.
#pragma once

#include <cstdint>
#include <vector>

namespace bw {

// Of the frames first...last (1 <= first <= last <= count - 2), the one whose probability
// summed with its two neighbours' is strictly the smallest; the earliest wins ties, and
// `first` is taken when no sum is below the largest finite float.
std::int64_t quietestFrame(const std::vector<float>& probabilities, std::int64_t first,
                           std::int64_t last);

} // namespace bw
