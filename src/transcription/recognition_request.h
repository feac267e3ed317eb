// What the transcriber asks of the recognizer for one block of samples.
#pragma once

#include "transcription/decoding_strategy.h"
#include "transcription/transcription_language.h"

#include <optional>
#include <string>

namespace bw {

struct RecognitionRequest {
    TranscriptionLanguage language = TranscriptionLanguage::english;
    DecodingStrategy decoding = DecodingStrategy::greedy();
    std::optional<std::string> prompt; // preceding text, at most 200 characters
    bool conditionOnPreviousText = false;
    // Where sampling starts: 0 decodes greedily first; a retry of a block that looped starts
    // higher, so that the decoder takes other paths.
    double temperature = 0;

    bool operator==(const RecognitionRequest&) const = default;
};

} // namespace bw
