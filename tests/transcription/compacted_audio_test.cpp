#include "support/readable_param_name.h"
#include "transcription/compacted_audio.h"

#include <gtest/gtest.h>

#include <limits>
#include <numeric>
#include <random>

namespace bw {

void PrintTo(const TranscriptSegment& segment, std::ostream* out) {
    *out << "[" << segment.start << ", " << segment.end << ", \"" << segment.text << "\"]";
}

namespace {

using Piece = CompactedAudio::Piece;
using Segments = std::vector<TranscriptSegment>;

// 10 s whose sample i holds i, so every copied sample shows where it came from.
std::vector<float> numberedSource() {
    std::vector<float> source(160000);
    std::iota(source.begin(), source.end(), 0.0f);
    return source;
}

class TwoPieces : public testing::Test {
protected:
    std::vector<float> source = numberedSource();
    CompactedAudio audio{source, {{1, 2}, {4, 5}}, 0.2, 16000};
};

TEST_F(TwoPieces, LaysSpeechEndToEndWithSilentPauses) {
    EXPECT_EQ(audio.pieces(), (std::vector<Piece>{{16000, 0, 16000}, {64000, 19200, 16000}}));
    ASSERT_EQ(audio.samples().size(), 35200u);
    EXPECT_EQ(audio.samples()[0], 16000.0f);
    EXPECT_EQ(audio.samples()[15999], 31999.0f);
    for (std::size_t i = 16000; i < 19200; ++i) {
        ASSERT_EQ(audio.samples()[i], 0.0f) << i;
    }
    EXPECT_EQ(audio.samples()[19200], 64000.0f);
    EXPECT_EQ(audio.samples()[35199], 79999.0f);
    EXPECT_FALSE(audio.isEmpty());
}

struct MapCase {
    double compacted;
    double asStart;
    double asEnd;

    friend void PrintTo(const MapCase& c, std::ostream* out) { *out << "at " << c.compacted; }
};

class TwoPiecesMapping : public TwoPieces, public testing::WithParamInterface<MapCase> {};

TEST_P(TwoPiecesMapping, MapsBlockTimesToSourceTimes) {
    EXPECT_DOUBLE_EQ(audio.originalTimeOfStart(GetParam().compacted), GetParam().asStart);
    EXPECT_DOUBLE_EQ(audio.originalTimeOfEnd(GetParam().compacted), GetParam().asEnd);
}

INSTANTIATE_TEST_SUITE_P(Cases, TwoPiecesMapping,
                         testing::Values(MapCase{0.5, 1.5, 1.5}, MapCase{1.0, 2.0, 2.0},
                                         MapCase{1.1, 4.0, 2.0}, // inside the pause
                                         MapCase{1.2, 4.0, 4.0}, MapCase{1.7, 4.5, 4.5},
                                         MapCase{3.0, 5.0, 5.0}, MapCase{-1.0, 1.0, 1.0},
                                         MapCase{std::numeric_limits<double>::quiet_NaN(), 5.0,
                                                 5.0}),
                         test::ReadableParamName());

RecognizedSegment twoWords(double firstMid, double secondMid) {
    return {0,
            2.2,
            " Hello world. ",
            {{firstMid - 0.1, firstMid + 0.1, " Hello"},
             {secondMid - 0.1, secondMid + 0.1, " world."}}};
}

TEST_F(TwoPieces, SplitsSegmentsAcrossLongHiddenPauses) {
    EXPECT_EQ(audio.originalSegments(twoWords(0.5, 1.7), 1.5),
              (Segments{{1, 2, "Hello"}, {4, 5, "world."}}));
    // Both words in one piece: one segment with the trimmed text, ending with that piece although
    // the recognizer's end lies in the next one.
    EXPECT_EQ(audio.originalSegments(twoWords(0.3, 0.6), 1.5), (Segments{{1, 2, "Hello world."}}));
    // A word inside the pause belongs to the nearer piece; equal distances keep it behind.
    auto open = twoWords(0.5, 1.15);
    open.text = " Hello world";
    open.words[1].text = " world";
    EXPECT_EQ(audio.originalSegments(open, 1.5), (Segments{{1, 2, "Hello"}, {4, 5, "world"}}));
    EXPECT_EQ(audio.originalSegments(twoWords(0.5, 1.1), 1.5), (Segments{{1, 2, "Hello world."}}));
}

TEST_F(TwoPieces, SegmentsWithoutTextOrWordsToSplitStayWhole) {
    EXPECT_EQ(audio.originalSegments({0, 1, " \n\t ", {}}, 1.5), Segments{});
    // One word: the segment ends with the word's piece.
    EXPECT_EQ(audio.originalSegments({0.5, 1.7, "Hi", {{0.5, 0.6, " Hi"}}}, 1.5),
              (Segments{{1.5, 2, "Hi"}}));
    // Blank words are not counted, so one real word is left and nothing splits.
    EXPECT_EQ(audio.originalSegments({0.5, 1.7, "Hi", {{0.5, 0.6, " Hi"}, {1.6, 1.7, "  "}}}, 1.5),
              (Segments{{1.5, 2, "Hi"}}));
    // Without words the recognizer's times are all there is.
    EXPECT_EQ(audio.originalSegments({0.5, 1.7, "Hi", {}}, 1.5), (Segments{{1.5, 4.5, "Hi"}}));
    // An end before the start is raised to it.
    EXPECT_EQ(audio.originalSegments({1.7, 0.5, "x", {}}, 1.5), (Segments{{4.5, 4.5, "x"}}));
}

TEST_F(TwoPieces, RunsWhoseWordsAreBlankAcrossLineBreaksYieldNothing) {
    RecognizedSegment segment{0, 2.2, "Hello\n", {{0.4, 0.6, " Hello"}, {1.6, 1.8, "\n"}}};
    EXPECT_EQ(audio.originalSegments(segment, 1.5), (Segments{{1, 2, "Hello"}}));
}

// The recognizer's times around a hidden pause run early or late; the words still land in the
// piece they were spoken in, and every segment stays inside the pieces of its words.
struct EdgeCase {
    const char* name;
    std::vector<RecognizedSegment> recognized;
    Segments expected;
};

class TwoPiecesEdges : public TwoPieces, public testing::WithParamInterface<EdgeCase> {};

TEST_P(TwoPiecesEdges, PlacesWordsInTheirOwnPiece) {
    EXPECT_EQ(audio.originalSegments(GetParam().recognized, 1.5), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TwoPiecesEdges,
    testing::Values(
        // The next sentence's first word is timed into the end of the first piece, as a segment
        // of its own or at the start of the next one.
        EdgeCase{"EarlyFirstWordOfNextSegment",
                 {{0,
                   0.95,
                   " It ends here.",
                   {{0.1, 0.4, " It"}, {0.4, 0.6, " ends"}, {0.6, 0.75, " here."}}},
                  {0.95,
                   2.2,
                   " Maria will send.",
                   {{0.8, 0.95, " Maria"}, {1.25, 1.5, " will"}, {1.5, 1.9, " send."}}}},
                 {{1, 1.95, "It ends here."}, {4, 5, "Maria will send."}}},
        EdgeCase{"EarlyWordsAfterASentenceEnd",
                 {{0,
                   2.2,
                   " The report. It will take place.",
                   {{0.1, 0.3, " The"},
                    {0.3, 0.6, " report."},
                    {0.65, 0.75, " It"},
                    {0.75, 0.9, " will"},
                    {1.3, 1.5, " take"},
                    {1.5, 1.8, " place."}}}},
                 {{1, 2, "The report."}, {4, 5, "It will take place."}}},
        EdgeCase{"EarlySegmentThatEndsBeforeThePause",
                 {{0, 0.7, " Yes, I", {{0.1, 0.3, " Yes,"}, {0.3, 0.45, " I"}}},
                  {0.7, 0.98, " No", {{0.8, 0.95, " No"}}},
                  {1.1, 2.2, " longer here.", {{1.3, 1.6, " longer"}, {1.6, 2.0, " here."}}}},
                 {{1, 1.7, "Yes, I"}, {4, 4, "No"}, {4, 5, "longer here."}}},
        // The last word of a sentence is timed into the pause, nearer the second piece.
        EdgeCase{"LateLastWord",
                 {{0,
                   2.2,
                   " See you next week.",
                   {{0.2, 0.4, " See"},
                    {0.4, 0.6, " you"},
                    {0.6, 0.9, " next"},
                    {1.05, 1.3, " week."}}}},
                 {{1, 2, "See you next week."}}},
        // Segment times contiguous with the neighbours' reach into the other piece.
        EdgeCase{"StartInTheFirstPieceWordsInTheSecond",
                 {{0.9,
                   2.2,
                   " Good morning everyone.",
                   {{1.3, 1.5, " Good"}, {1.5, 1.8, " morning"}, {1.8, 2.1, " everyone."}}}},
                 {{4, 5, "Good morning everyone."}}},
        EdgeCase{"EndInTheSecondPieceWordsInTheFirst",
                 {{0.1, 1.5, " Hello there.", {{0.1, 0.4, " Hello"}, {0.4, 0.8, " there."}}}},
                 {{1.1, 2, "Hello there."}}},
        // What was really said on both sides of the pause stays there.
        EdgeCase{"SentenceEndingAtThePauseStays",
                 {{0,
                   2.2,
                   " Yes. No way.",
                   {{0.7, 0.95, " Yes."}, {1.3, 1.4, " No"}, {1.4, 1.7, " way."}}}},
                 {{1, 2, "Yes."}, {4, 5, "No way."}}},
        EdgeCase{"SentenceGoingOnAcrossThePauseSplits",
                 {{0,
                   2.2,
                   " I think we should.",
                   {{0.1, 0.3, " I"},
                    {0.3, 0.45, " think"},
                    {1.3, 1.5, " we"},
                    {1.5, 1.8, " should."}}}},
                 {{1, 2, "I think"}, {4, 5, "we should."}}},
        // A one-word reply the recognizer joined to the other side's sentence keeps its time.
        EdgeCase{"OneWordReplyBeforeTheNextSentenceStays",
                 {{0,
                   2.2,
                   " Yes, the plan works.",
                   {{0.6, 0.9, " Yes,"},
                    {1.3, 1.5, " the"},
                    {1.5, 1.7, " plan"},
                    {1.7, 2.0, " works."}}}},
                 {{1, 2, "Yes,"}, {4, 5, "the plan works."}}},
        EdgeCase{"OneWordReplyAfterASentenceStays",
                 {{0,
                   2.2,
                   " We all agree great.",
                   {{0.1, 0.3, " We"},
                    {0.3, 0.5, " all"},
                    {0.5, 0.7, " agree"},
                    {1.25, 1.4, " great."}}}},
                 {{1, 2, "We all agree"}, {4, 5, "great."}}},
        EdgeCase{"SentenceStartingAfterThePauseStays",
                 {{1.2,
                   2.2,
                   " Fine. Then go on.",
                   {{1.25, 1.4, " Fine."},
                    {1.45, 1.6, " Then"},
                    {1.6, 1.7, " go"},
                    {1.7, 1.9, " on."}}}},
                 {{4, 5, "Fine. Then go on."}}}),
    [](const testing::TestParamInfo<EdgeCase>& info) { return std::string(info.param.name); });

TEST(CompactedAudio, ShortPausesInTheSourceDoNotSplit) {
    auto source = numberedSource();
    CompactedAudio audio(source, {{1, 2}, {3, 4}}, 0.2, 16000);
    EXPECT_EQ(audio.originalSegments(twoWords(0.5, 1.7), 1.5), (Segments{{1, 4, "Hello world."}}));
}

TEST(CompactedAudio, TidiesRegionsBeforeCopying) {
    auto source = numberedSource();
    // Out of order, overlapping, rounding to nothing, and reaching past the source.
    CompactedAudio audio(source, {{9, 20}, {1.00001, 1.00002}, {3, 4}, {3.5, 5}}, 0.1, 16000);
    EXPECT_EQ(audio.pieces(), (std::vector<Piece>{{48000, 0, 32000}, {144000, 33600, 16000}}));
    EXPECT_EQ(audio.samples().size(), 49600u);

    CompactedAudio none(source, {{-3, -1}, {20, 30}}, 0.2, 16000);
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(none.samples().empty());
    EXPECT_EQ(none.originalTimeOfStart(1), 0);
    EXPECT_EQ(none.originalSegments({0, 1, "text", {}}, 1.5), Segments{});
}

// Random regions and segments: every mapped time lies inside the source's speech, ends never
// come before starts, and split segments stay in order.
TEST(CompactedAudio, RandomSegmentsMapInsideTheSource) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<float> source(16000 * 60, 0.5f);
    for (int round = 0; round < 300; ++round) {
        std::vector<SpeechRegion> regions;
        for (int i = 0, count = 1 + static_cast<int>(unit(random) * 6); i < count; ++i) {
            double start = unit(random) * 65 - 2;
            regions.push_back({start, start + unit(random) * 8});
        }
        CompactedAudio audio(source, regions, 0.2, 16000);
        if (audio.isEmpty()) {
            continue;
        }
        double first = audio.pieces().front().originalStart / 16000.0;
        double last = audio.pieces().back().originalEnd() / 16000.0;
        double blockLength = audio.samples().size() / 16000.0;
        for (int s = 0; s < 20; ++s) {
            double start = unit(random) * blockLength * 1.2 - 1;
            RecognizedSegment segment{start, start + unit(random) * blockLength, "words", {}};
            for (double at = start; at + 0.2 <= segment.end; at += 0.3 + unit(random) * 3) {
                segment.words.push_back({at, at + 0.2, " w"});
            }
            auto mapped = audio.originalSegments(segment, 1.5);
            ASSERT_FALSE(mapped.empty());
            for (std::size_t i = 0; i < mapped.size(); ++i) {
                EXPECT_GE(mapped[i].start, first);
                EXPECT_LE(mapped[i].end, last);
                EXPECT_LE(mapped[i].start, mapped[i].end);
                if (i > 0) {
                    EXPECT_GE(mapped[i].start, mapped[i - 1].end);
                }
            }
        }
    }
}

} // namespace
} // namespace bw
