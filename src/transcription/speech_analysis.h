// What a voice activity detector found in one block of samples.
#pragma once

#include "transcription/speech_region.h"

#include <vector>

namespace bw {

struct SpeechAnalysis {
    std::vector<SpeechRegion> regions;     // sorted by start, without overlaps
    std::vector<float> frameProbabilities; // one speech probability per frame; may be empty
    double frameDuration = 0;              // seconds per frame; 0 without probabilities

    bool operator==(const SpeechAnalysis&) const = default;
};

} // namespace bw
