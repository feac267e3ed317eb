#include "transcripts/transcript_document.h"

#include "base/text_trimming.h"

namespace bw {

const TranscriptDocument TranscriptDocument::empty{};

TranscriptDocument::TranscriptDocument(const Transcript& transcript,
                                       std::chrono::system_clock::time_point date)
    : language(transcript.language), engine(transcript.engine), model(transcript.model),
      audioDuration(transcript.audioDuration),
      transcribedAt(std::chrono::floor<std::chrono::seconds>(date)),
      unrecognizedSpeech(transcript.unrecognizedSpeech) {
    segments.reserve(transcript.segments.size());
    std::int64_t id = 0;
    for (const auto& segment : transcript.segments) {
        std::string text(trimWhitespaceAndLineBreaks(segment.text));
        segments.push_back({id++, segment.start, segment.end, text, text, segment.doubts});
    }
}

} // namespace bw
