#include "transcripts/transcript_text.h"

#include "base/duration_format.h"
#include "base/unicode_text.h"

namespace bw {

TranscriptText::TranscriptText(const TranscriptDocument& document) {
    const bool speakers = document.hasSpeakers();
    std::int64_t position = 0;
    for (const auto& segment : document.segments) {
        if (!paragraphs.empty()) {
            string += '\n';
            position += 1;
        }
        Paragraph paragraph;
        paragraph.segmentID = segment.id;
        paragraph.start = segment.start;
        paragraph.time = Formatting::duration(segment.start);
        if (speakers && segment.speaker) {
            paragraph.speaker = std::string(displayName(*segment.speaker)) + ":";
        }
        auto timeLength = std::int64_t(unicode::utf16Length(paragraph.time));
        auto speakerLength = std::int64_t(unicode::utf16Length(paragraph.speaker));
        // The space after the label keeps what is typed at the text's start out of its style.
        auto labelLength = speakerLength == 0 ? 0 : speakerLength + 1;
        auto textLength = std::int64_t(unicode::utf16Length(segment.text));
        paragraph.timeRange = {position + 1, timeLength};
        if (speakerLength > 0) {
            paragraph.speakerRange = {position + timeLength + 2, speakerLength};
        }
        paragraph.textRange = {position + timeLength + 2 + labelLength, textLength};
        string += '\t';
        string += paragraph.time;
        string += '\t';
        if (labelLength > 0) {
            string += paragraph.speaker + ' ';
        }
        string += segment.text;
        position += timeLength + labelLength + textLength + 2;
        paragraphs.push_back(std::move(paragraph));
    }
}

std::optional<std::size_t> TranscriptText::paragraphIndex(std::int64_t location) const {
    if (paragraphs.empty() || location < 0) {
        return std::nullopt;
    }
    std::size_t low = 0;
    std::size_t high = paragraphs.size() - 1;
    while (low < high) {
        std::size_t middle = (low + high + 1) / 2;
        if (location >= paragraphs[middle].timeRange.location - 1) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    if (location > paragraphs[low].textRange.end()) {
        return std::nullopt;
    }
    return low;
}

std::optional<std::size_t> TranscriptText::replace(TextRange replaced,
                                                   std::int64_t changeInLength) {
    if (replaced.length < 0) {
        return std::nullopt;
    }
    auto index = paragraphIndex(replaced.location);
    if (!index) {
        return std::nullopt;
    }
    TextRange& text = paragraphs[*index].textRange;
    // An edit cannot remove more than it replaced; such figures would leave a negative length.
    if (replaced.location < text.location || replaced.end() > text.end() ||
        replaced.length + changeInLength < 0) {
        return std::nullopt;
    }
    text.length += changeInLength;
    for (std::size_t later = *index + 1; later < paragraphs.size(); ++later) {
        paragraphs[later].timeRange.location += changeInLength;
        if (paragraphs[later].speakerRange.length > 0) {
            paragraphs[later].speakerRange.location += changeInLength;
        }
        paragraphs[later].textRange.location += changeInLength;
    }
    return index;
}

bool TranscriptText::containsLineBreak(std::string_view text) {
    bool found = false;
    unicode::forEachScalar(text, [&](char32_t scalar, std::string_view) {
        found = found || unicode::isLineBreak(scalar);
    });
    return found;
}

std::string TranscriptText::singleLine(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    unicode::forEachScalar(text, [&](char32_t scalar, std::string_view source) {
        if (unicode::isLineBreak(scalar)) {
            result += ' ';
        } else {
            // A well-formed scalar is copied as read; malformed input is written as U+FFFD.
            result += scalar == 0xFFFD ? unicode::replacementCharacter : source;
        }
    });
    return result;
}

} // namespace bw
