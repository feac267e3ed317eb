// How a recording is cut into chunks for recognition; all values in seconds.
#pragma once

#include <optional>

namespace bw {

struct ChunkingOptions {
    double targetDuration;  // preferred length of a chunk
    double lookahead;       // how far past the target to look for a cut; the buffer's growth step
    double minimumPause;    // shortest silence that counts as a pause to cut in
    double maximumDuration; // length at which a cut is forced

    // An absent maximum becomes twice the target. Violated limits (target > 0, lookahead >= 0,
    // minimumPause >= 0, maximum >= target + lookahead) stop the process: callers pass constants.
    ChunkingOptions(double targetDuration, double lookahead, double minimumPause,
                    std::optional<double> maximumDuration = std::nullopt);

    bool operator==(const ChunkingOptions&) const = default;
};

} // namespace bw
