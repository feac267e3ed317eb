// One stretch of speech, in seconds from the first sample analysed.
#pragma once

namespace bw {

struct SpeechRegion {
    double start = 0;
    double end = 0;

    double duration() const { return end - start; }

    bool operator==(const SpeechRegion&) const = default;
};

} // namespace bw
