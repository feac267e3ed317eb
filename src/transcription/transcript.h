// The result of one transcription: the segments in time order and where they came from.
#pragma once

#include "transcription/transcript_segment.h"
#include "transcription/transcription_language.h"

#include <string>
#include <vector>

namespace bw {

struct Transcript {
    TranscriptionLanguage language = TranscriptionLanguage::english;
    std::vector<TranscriptSegment> segments;
    double audioDuration = 0; // seconds of audio that were decoded
    std::string engine;       // e.g. "whisper.cpp 1.9.1"
    std::string model;

    // Every segment's text in order, joined with one space; empty without segments.
    std::string text() const;

    bool operator==(const Transcript&) const = default;
};

} // namespace bw
