#include "transcripts/transcript_document.h"

#include "base/text_trimming.h"

#include <algorithm>
#include <utility>

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
        segments.push_back(
            {id++, segment.start, segment.end, text, text, segment.doubts, segment.speaker});
    }
}

TranscriptDocument::Segment* TranscriptDocument::segment(std::int64_t id) {
    return const_cast<Segment*>(std::as_const(*this).segment(id));
}

bool TranscriptDocument::hasSpeakers() const {
    return std::any_of(segments.begin(), segments.end(),
                       [](const Segment& segment) { return segment.speaker.has_value(); });
}

const TranscriptDocument::Segment* TranscriptDocument::segment(std::int64_t id) const {
    // The id is the segment's position in every document the program made itself.
    if (id >= 0 && std::size_t(id) < segments.size() && segments[std::size_t(id)].id == id) {
        return &segments[std::size_t(id)];
    }
    auto found = std::find_if(segments.begin(), segments.end(),
                              [id](const Segment& segment) { return segment.id == id; });
    return found == segments.end() ? nullptr : &*found;
}

} // namespace bw
