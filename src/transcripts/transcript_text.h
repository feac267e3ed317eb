// A transcript laid out as one editable text: one paragraph per segment, made of a tab, the
// segment's start time, a second tab and the segment's text, with single line feeds between
// paragraphs. Where the segments name their speakers, the speaker's label ("Me:", "Others:")
// and a space stand between the second tab and the text: shown, never edited. For every paragraph
// it keeps where its time label and its text lie, so that the editor view can tell which segment an
// edit or a click belongs to. Plain data, no view.
//
// Every location and length counts UTF-16 code units, the unit of the view's text storage:
// a character outside the Basic Multilingual Plane counts two.
#pragma once

#include "transcripts/transcript_document.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bw {

struct TextRange {
    std::int64_t location = 0;
    std::int64_t length = 0;

    std::int64_t end() const { return location + length; }

    bool operator==(const TextRange&) const = default;
};

struct TranscriptText {
    struct Paragraph {
        std::int64_t segmentID = 0;
        double start = 0; // the segment's start, where a click on the label seeks to
        std::string time; // the label shown, e.g. "4:05"
        TextRange timeRange;
        TextRange textRange;
        std::string speaker;    // the label shown, e.g. "Me:"; empty when none is named
        TextRange speakerRange; // {0, 0} when none is named

        Paragraph() = default;
        Paragraph(std::int64_t segmentID, double start, std::string time, TextRange timeRange,
                  TextRange textRange, std::string speaker = {}, TextRange speakerRange = {})
            : segmentID(segmentID), start(start), time(std::move(time)), timeRange(timeRange),
              textRange(textRange), speaker(std::move(speaker)), speakerRange(speakerRange) {}

        bool operator==(const Paragraph&) const = default;
    };

    std::string string;                // UTF-8; fixed once built (edits do not rewrite it)
    std::vector<Paragraph> paragraphs; // one per segment, in document order

    TranscriptText() = default;
    explicit TranscriptText(const TranscriptDocument& document);

    // The paragraph the location belongs to: from its leading tab up to and including the
    // position right after its text (where its line feed stands). Nothing for a negative
    // location, one beyond the last text, or an empty layout.
    std::optional<std::size_t> paragraphIndex(std::int64_t location) const;

    // Takes an edit of the view's text: `replaced` is the range that was replaced, measured in
    // the text before the edit, and `changeInLength` what the edit added (negative: removed).
    // When the range lies within one paragraph's text, that text range takes the change, every
    // later paragraph moves by it, and the paragraph's index is returned. Otherwise (the edit
    // touches a tab, a time label, a line feed or two paragraphs, or its figures cannot be an
    // edit of that text) nothing changes and nothing is returned; the caller then rebuilds the
    // layout from the document.
    std::optional<std::size_t> replace(TextRange replaced, std::int64_t changeInLength);

    // Whether the text holds any line break: U+000A to U+000D, U+0085, U+2028 or U+2029.
    static bool containsLineBreak(std::string_view text);

    // The text with each of those scalars replaced by one space (CR LF gives two spaces).
    static std::string singleLine(std::string_view text);
};

} // namespace bw
