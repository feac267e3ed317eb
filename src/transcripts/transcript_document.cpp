#include "transcripts/transcript_document.h"

#include <string_view>

namespace bw {

namespace {

// Characters that count as white space or newlines besides ASCII's: the Unicode spaces and
// line breaks the recognizer may put around a segment (no-break space, ideographic space, ...).
constexpr std::string_view unicodeSpaces[] = {"\u0085", "\u00A0", "\u1680", "\u2000", "\u2001",
                                              "\u2002", "\u2003", "\u2004", "\u2005", "\u2006",
                                              "\u2007", "\u2008", "\u2009", "\u200A", "\u2028",
                                              "\u2029", "\u202F", "\u205F", "\u3000"};

bool isAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

size_t leadingSpace(std::string_view s) {
    if (s.empty()) {
        return 0;
    }
    if (isAsciiSpace(s.front())) {
        return 1;
    }
    for (auto space : unicodeSpaces) {
        if (s.starts_with(space)) {
            return space.size();
        }
    }
    return 0;
}

size_t trailingSpace(std::string_view s) {
    if (s.empty()) {
        return 0;
    }
    if (isAsciiSpace(s.back())) {
        return 1;
    }
    for (auto space : unicodeSpaces) {
        if (s.ends_with(space)) {
            return space.size();
        }
    }
    return 0;
}

std::string trimmed(std::string_view text) {
    while (size_t n = leadingSpace(text)) {
        text.remove_prefix(n);
    }
    while (size_t n = trailingSpace(text)) {
        text.remove_suffix(n);
    }
    return std::string(text);
}

} // namespace

const TranscriptDocument TranscriptDocument::empty{};

TranscriptDocument::TranscriptDocument(const Transcript& transcript,
                                       std::chrono::system_clock::time_point date)
    : language(transcript.language), engine(transcript.engine), model(transcript.model),
      audioDuration(transcript.audioDuration),
      transcribedAt(std::chrono::floor<std::chrono::seconds>(date)) {
    segments.reserve(transcript.segments.size());
    std::int64_t id = 0;
    for (const auto& segment : transcript.segments) {
        std::string text = trimmed(segment.text);
        segments.push_back({id++, segment.start, segment.end, text, text});
    }
}

} // namespace bw
