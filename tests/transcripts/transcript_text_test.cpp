#include "transcripts/transcript_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace bw {
namespace {

// A document of segments with these starts and texts, ids 0, 1, 2, ...
TranscriptDocument documentOf(const std::vector<std::pair<double, std::string>>& segments) {
    TranscriptDocument document;
    for (const auto& [start, text] : segments) {
        document.segments.push_back(
            {std::int64_t(document.segments.size()), start, start + 1, text, text});
    }
    return document;
}

TEST(TranscriptTextTest, LaysParagraphsOutWithTheirRanges) {
    TranscriptText text(documentOf({{0.0, "Hi"}, {65.9, "There"}}));
    EXPECT_EQ(text.string, "\t0:00\tHi\n\t1:05\tThere");
    ASSERT_EQ(text.paragraphs.size(), 2u);
    EXPECT_EQ(text.paragraphs[0], (TranscriptText::Paragraph{0, 0.0, "0:00", {1, 4}, {6, 2}}));
    EXPECT_EQ(text.paragraphs[1], (TranscriptText::Paragraph{1, 65.9, "1:05", {10, 4}, {15, 5}}));
    EXPECT_TRUE(TranscriptText(TranscriptDocument::empty).string.empty());
    EXPECT_TRUE(TranscriptText(TranscriptDocument::empty).paragraphs.empty());
}

TEST(TranscriptTextTest, TimeLabels) {
    struct Case {
        double start;
        const char* label;
    };
    for (auto [start, label] :
         {Case{245.99, "4:05"}, Case{-3, "0:00"}, Case{NAN, "0:00"}, Case{3599.9, "59:59"},
          Case{3725, "1:02:05"}, Case{INFINITY, "0:00"}, Case{36000, "10:00:00"}}) {
        EXPECT_EQ(TranscriptText(documentOf({{start, "x"}})).paragraphs[0].time, label) << start;
    }
}

// "😀" (U+1F600) is two UTF-16 units and four UTF-8 bytes; "é" one unit and two bytes.
TEST(TranscriptTextTest, RangesCountUtf16Units) {
    TranscriptText text(documentOf({{0, "😀é"}, {1, "a😀"}, {2, "z"}}));
    EXPECT_EQ(text.paragraphs[0].textRange, (TextRange{6, 3}));
    EXPECT_EQ(text.paragraphs[1].timeRange, (TextRange{11, 4}));
    EXPECT_EQ(text.paragraphs[1].textRange, (TextRange{16, 3}));
    EXPECT_EQ(text.paragraphs[2].textRange, (TextRange{26, 1}));
    // Past the surrogate pair at 17-18, the paragraph ends at 19 and the next starts at 20.
    EXPECT_EQ(text.paragraphIndex(19), 1u);
    EXPECT_EQ(text.paragraphIndex(20), 2u);
}

TEST(TranscriptTextTest, ParagraphAtLocation) {
    TranscriptText text(documentOf({{0.0, "Hi"}, {65.9, "There"}, {70, ""}}));
    // Paragraph 0: 0-8 (its line feed at 8); paragraph 1: 9-20; paragraph 2: 21-27.
    struct Case {
        std::int64_t location;
        std::optional<std::size_t> paragraph;
    };
    for (auto [location, paragraph] :
         {Case{-1, std::nullopt}, Case{0, 0}, Case{3, 0}, Case{8, 0}, Case{9, 1}, Case{20, 1},
          Case{21, 2}, Case{27, 2}, Case{28, std::nullopt}, Case{1000, std::nullopt}}) {
        EXPECT_EQ(text.paragraphIndex(location), paragraph) << location;
    }
    EXPECT_EQ(TranscriptText().paragraphIndex(0), std::nullopt);
}

TEST(TranscriptTextTest, EditsWithinOneTextShiftLaterParagraphs) {
    const TranscriptText original(documentOf({{0.0, "Hi"}, {65.9, "There"}, {70, "😀"}}));
    struct Case {
        const char* name;
        TextRange replaced;
        std::int64_t change;
        std::optional<std::size_t> paragraph;
    };
    const Case cases[] = {
        {"typing inside the first text", {7, 0}, +1, 0},
        {"typing at the start of a text", {15, 0}, +2, 1},
        {"typing at the end of a text", {20, 0}, +1, 1},
        {"deleting a whole text", {15, 5}, -5, 1},
        {"replacing an emoji by a letter", {27, 2}, -1, 2},
        {"typing into the time label", {11, 0}, +1, std::nullopt},
        {"deleting the tab before a text", {14, 1}, -1, std::nullopt},
        {"spanning the line feed", {7, 3}, -3, std::nullopt},
        {"spanning two paragraphs", {16, 12}, -12, std::nullopt},
        {"removing more than was replaced", {15, 1}, -2, std::nullopt},
        {"a negative length", {16, -1}, 0, std::nullopt},
        {"beyond the end", {30, 0}, +1, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TranscriptText text = original;
        EXPECT_EQ(text.replace(c.replaced, c.change), c.paragraph);
        if (!c.paragraph) {
            EXPECT_EQ(text.paragraphs, original.paragraphs);
            continue;
        }
        for (std::size_t i = 0; i < text.paragraphs.size(); ++i) {
            const auto& before = original.paragraphs[i];
            const auto& after = text.paragraphs[i];
            std::int64_t shift = i > *c.paragraph ? c.change : 0;
            std::int64_t grow = i == *c.paragraph ? c.change : 0;
            EXPECT_EQ(after.timeRange, (TextRange{before.timeRange.location + shift, 4}));
            EXPECT_EQ(after.textRange, (TextRange{before.textRange.location + shift,
                                                  before.textRange.length + grow}));
        }
        EXPECT_EQ(text.string, original.string); // the layout's text is never rewritten
    }
}

// The speakers' labels are laid out before the texts but belong to no text: edits there are
// refused, and an edit of an earlier text moves them with their paragraphs.
TEST(TranscriptTextTest, SpeakerLabelsStandBetweenTheTimeAndTheText) {
    auto document = documentOf({{0.0, "Hi"}, {65.9, "Thére"}, {70, "Bye"}});
    document.segments[0].speaker = Speaker::others;
    document.segments[1].speaker = Speaker::me;
    TranscriptText text(document);
    EXPECT_EQ(text.string, "\t0:00\tOthers: Hi\n\t1:05\tMe: Thére\n\t1:10\tBye");
    EXPECT_EQ(text.paragraphs[0],
              (TranscriptText::Paragraph{0, 0.0, "0:00", {1, 4}, {14, 2}, "Others:", {6, 7}}));
    EXPECT_EQ(text.paragraphs[1],
              (TranscriptText::Paragraph{1, 65.9, "1:05", {18, 4}, {27, 5}, "Me:", {23, 3}}));
    EXPECT_EQ(text.paragraphs[2], (TranscriptText::Paragraph{2, 70, "1:10", {34, 4}, {39, 3}}));

    struct Case {
        const char* name;
        TextRange replaced;
        std::int64_t change;
        std::optional<std::size_t> paragraph;
    };
    for (const auto& c : {Case{"typing into a label", {8, 0}, +1, std::nullopt},
                          Case{"typing before the space after it", {26, 0}, +1, std::nullopt},
                          Case{"deleting the label with the text", {23, 9}, -9, std::nullopt},
                          Case{"typing at the text's start", {27, 0}, +1, 1},
                          Case{"deleting in the first text", {14, 1}, -1, 0}}) {
        SCOPED_TRACE(c.name);
        TranscriptText edited = text;
        EXPECT_EQ(edited.replace(c.replaced, c.change), c.paragraph);
        if (c.paragraph == 0u) {
            EXPECT_EQ(edited.paragraphs[1].speakerRange, (TextRange{22, 3}));
            EXPECT_EQ(edited.paragraphs[2].speakerRange, (TextRange{0, 0}));
        } else if (!c.paragraph) {
            EXPECT_EQ(edited.paragraphs, text.paragraphs);
        }
    }
    // A transcript without speakers is laid out as it always was.
    EXPECT_EQ(TranscriptText(documentOf({{0.0, "Hi"}})).paragraphs[0].speaker, "");
}

TEST(TranscriptTextTest, LineBreaks) {
    struct Case {
        std::string text;
        bool breaks;
        std::string single;
    };
    const Case cases[] = {
        {"plain text 😀", false, "plain text 😀"},
        {"a\nb", true, "a b"},
        {"a\r\nb", true, "a  b"},
        {"\va\fb\r", true, " a b "},
        {"x\u0085y\u2028z\u2029", true, "x y z "},
        {"tab\tstays", false, "tab\tstays"},
        {"\u2027 and \u202A are not breaks", false, "\u2027 and \u202A are not breaks"},
        {"bad \xC3 byte\n", true, "bad \uFFFD byte "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TranscriptText::containsLineBreak(c.text), c.breaks) << c.text;
        EXPECT_EQ(TranscriptText::singleLine(c.text), c.single) << c.text;
    }
}

} // namespace
} // namespace bw
