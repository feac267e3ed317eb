// The work of a transcription up to the end of its last finished chunk: what a later run over
// the same file needs to carry on from there instead of starting again.
#pragma once

#include "transcription/speech_region.h"
#include "transcription/transcript_segment.h"

#include <vector>

namespace bw {

struct PartialTranscript {
    double position = 0; // seconds of the recording that the finished chunks cover
    std::vector<TranscriptSegment> segments;      // theirs, in time order
    std::vector<SpeechRegion> unrecognizedSpeech; // theirs, in seconds of the recording

    bool operator==(const PartialTranscript&) const = default;
};

} // namespace bw
