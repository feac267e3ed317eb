// What the caller asks of a transcription.
#pragma once

#include "transcription/chunking_options.h"
#include "transcription/decoding_strategy.h"
#include "transcription/partial_transcript.h"
#include "transcription/transcription_language.h"

#include <optional>

namespace bw {

struct TranscriptionOptions {
    TranscriptionLanguage language = TranscriptionLanguage::english;
    bool voiceActivityDetection = true;
    bool conditionOnPreviousText = false;
    DecodingStrategy decoding = DecodingStrategy::greedy();
    ChunkingOptions chunking{120, 20, 0.1, 240};
    // The work of an earlier run over the same file with the same options, to carry on from:
    // the transcription starts at its position and its segments come first.
    std::optional<PartialTranscript> resumeFrom;

    // The options the application transcribes every recording with: detection on, no
    // conditioning, greedy decoding, chunks of 120 s looking 20 s ahead, 0.1 s pauses, 240 s at
    // most.
    static TranscriptionOptions standard(TranscriptionLanguage language) {
        TranscriptionOptions options;
        options.language = language;
        return options;
    }

    bool operator==(const TranscriptionOptions&) const = default;
};

} // namespace bw
