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
    // Both words in one piece: one segment with the trimmed text.
    EXPECT_EQ(audio.originalSegments(twoWords(0.3, 0.6), 1.5), (Segments{{1, 5, "Hello world."}}));
    // A word inside the pause belongs to the nearer piece; equal distances keep it behind.
    EXPECT_EQ(audio.originalSegments(twoWords(0.5, 1.15), 1.5),
              (Segments{{1, 2, "Hello"}, {4, 5, "world."}}));
    EXPECT_EQ(audio.originalSegments(twoWords(0.5, 1.1), 1.5), (Segments{{1, 5, "Hello world."}}));
}

TEST_F(TwoPieces, SegmentsWithoutTextOrWordsToSplitStayWhole) {
    EXPECT_EQ(audio.originalSegments({0, 1, " \n\t ", {}}, 1.5), Segments{});
    EXPECT_EQ(audio.originalSegments({0.5, 1.7, "Hi", {{0.5, 0.6, " Hi"}}}, 1.5),
              (Segments{{1.5, 4.5, "Hi"}}));
    // Blank words are not counted, so one real word is left and nothing splits.
    EXPECT_EQ(audio.originalSegments({0.5, 1.7, "Hi", {{0.5, 0.6, " Hi"}, {1.6, 1.7, "  "}}}, 1.5),
              (Segments{{1.5, 4.5, "Hi"}}));
    // An end before the start is raised to it.
    EXPECT_EQ(audio.originalSegments({1.7, 0.5, "x", {}}, 1.5), (Segments{{4.5, 4.5, "x"}}));
}

TEST_F(TwoPieces, RunsWhoseWordsAreBlankAcrossLineBreaksYieldNothing) {
    RecognizedSegment segment{0, 2.2, "Hello\n", {{0.4, 0.6, " Hello"}, {1.6, 1.8, "\n"}}};
    EXPECT_EQ(audio.originalSegments(segment, 1.5), (Segments{{1, 2, "Hello"}}));
}

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
