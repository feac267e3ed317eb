// The result of one transcription: the segments in time order and where they came from.
#pragma once

#include "transcription/speech_region.h"
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
    // Stretches of speech, in seconds of the recording, that the detector found and the
    // recognizer gave no text for even when asked again; empty when everything was heard.
    std::vector<SpeechRegion> unrecognizedSpeech;

    // Every segment's text in order, joined with one space; empty without segments.
    std::string text() const;

    bool operator==(const Transcript&) const = default;
};

} // namespace bw
