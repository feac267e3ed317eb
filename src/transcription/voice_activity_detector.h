// The contract of what finds speech in a block of 16 kHz mono samples.
#pragma once

#include "transcription/speech_analysis.h"

#include <span>
#include <vector>

namespace bw {

// Implementations are shared between threads and must be safe to call from several at once.
class VoiceActivityDetector {
public:
    virtual ~VoiceActivityDetector() = default;

    // Times are seconds from the first sample. Throws TranscriptionError.
    virtual SpeechAnalysis analyze(std::span<const float> samples) = 0;

    std::vector<SpeechRegion> speechRegions(std::span<const float> samples) {
        return analyze(samples).regions;
    }
};

} // namespace bw
