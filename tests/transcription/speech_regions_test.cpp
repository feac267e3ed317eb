#include "transcription/speech_regions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace bw {

void PrintTo(const SpeechRegion& region, std::ostream* out) {
    *out << "[" << region.start << ", " << region.end << "]";
}

namespace {

using Regions = std::vector<SpeechRegion>;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct MergeCase {
    const char* name;
    Regions input;
    double gap;
    Regions expected;
};

class Merge : public testing::TestWithParam<MergeCase> {};

TEST_P(Merge, JoinsCloseNeighboursOfSortedUsableRegions) {
    EXPECT_EQ(SpeechRegions::merge(GetParam().input, GetParam().gap), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Merge,
    testing::Values(
        MergeCase{"GapWider", {{0, 1}, {1.05, 2}}, 0.1, {{0, 2}}},
        MergeCase{"GapNotWiderKeepsApart", {{0, 1}, {1.05, 2}}, 0.05, {{0, 1}, {1.05, 2}}},
        MergeCase{"TouchingWithZeroGap", {{0, 1}, {1, 2}}, 0, {{0, 1}, {1, 2}}},
        MergeCase{"OverlapWithZeroGap", {{0, 1.5}, {1, 2}}, 0, {{0, 2}}},
        MergeCase{"ContainedKeepsLongerEnd", {{0, 5}, {1, 2}}, 0, {{0, 5}}},
        MergeCase{
            "DropsEmptyReversedAndNaN", {{3, 3}, {4, 2}, {nan, 1}, {1, nan}, {7, 8}}, 0, {{7, 8}}},
        MergeCase{"Sorts", {{5, 6}, {1, 2}}, 0, {{1, 2}, {5, 6}}}, MergeCase{"Empty", {}, 1, {}}),
    [](const auto& info) { return info.param.name; });

TEST(Merge, GapIsExclusive) {
    // 1.05 - 1 is not exactly 0.05 in binary; compare against the computed gap itself.
    Regions regions{{0, 1}, {1.05, 2}};
    EXPECT_EQ(SpeechRegions::merge(regions, 1.05 - 1.0), regions);
}

TEST(Pad, WidensWithinLimitsAndJoinsOverlaps) {
    EXPECT_EQ(SpeechRegions::pad({{0.05, 1}}, 0.1, 1.02), (Regions{{0, 1.02}}));
    EXPECT_EQ(SpeechRegions::pad({{0, 1}, {1.1, 2}}, 0.1, 10), (Regions{{0, 2.1}}));
    EXPECT_EQ(SpeechRegions::pad({{0, 1}, {1.1, 2}}, 0.1, 2.05), (Regions{{0, 2.05}}));
    EXPECT_EQ(SpeechRegions::pad({{1, 2}, {5, 6}}, 0.5, 10), (Regions{{0.5, 2.5}, {4.5, 6.5}}));
}

TEST(Clip, CutsAtDurationAndZeroKeepingOrder) {
    EXPECT_EQ(SpeechRegions::clip({{0, 5}, {8, 12}}, 10), (Regions{{0, 5}, {8, 10}}));
    EXPECT_EQ(SpeechRegions::clip({{0, 5}, {10, 12}}, 10), (Regions{{0, 5}}));
    EXPECT_EQ(SpeechRegions::clip({{6, 7}, {-1, 2}, {nan, 3}, {4, 4}}, 10),
              (Regions{{6, 7}, {0, 2}}));
}

using Groups = std::vector<Regions>;

TEST(Groups, SplitsLongRegionsAtTheLimitWithoutProbabilities) {
    EXPECT_EQ(SpeechRegions::groups({{0, 70}}, 29, 0.2, {}, 16000),
              (Groups{{{0, 29}}, {{29, 58}}, {{58, 70}}}));
}

TEST(Groups, PacksPiecesWhileTheyFitWithPauses) {
    EXPECT_EQ(SpeechRegions::groups({{0, 10}, {20, 30}, {40, 50}}, 29, 0.2, {}, 16000),
              (Groups{{{0, 10}, {20, 30}}, {{40, 50}}}));
    EXPECT_EQ(SpeechRegions::groups({}, 29, 0.2, {}, 16000), Groups{});
}

TEST(Groups, SplitsAtTheQuietestFrameInTheSecondHalf) {
    SpeechAnalysis analysis;
    analysis.frameDuration = 0.5;
    analysis.frameProbabilities.assign(80, 0.9f); // 40 s
    analysis.frameProbabilities[39] = 0.5f;       // a valley around frame 40, 20.0-20.5 s
    analysis.frameProbabilities[40] = 0.0f;
    analysis.frameProbabilities[41] = 0.5f;
    auto groups = SpeechRegions::groups({{0, 40}}, 29, 0.2, analysis, 16000);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0], (Regions{{0, 20.25}}));
    EXPECT_EQ(groups[1], (Regions{{20.25, 40}}));
}

TEST(Groups, QuietPlaceBeforeTheEarliestCutIsIgnored) {
    SpeechAnalysis analysis;
    analysis.frameDuration = 0.5;
    analysis.frameProbabilities.assign(80, 0.9f);
    analysis.frameProbabilities[10] = 0.0f; // 5 s: before the earliest allowed 14.5 s
    auto groups = SpeechRegions::groups({{0, 40}}, 29, 0.2, analysis, 16000);
    ASSERT_EQ(groups.size(), 2u);
    // No candidate (14.5 s on) is quieter than another: the earliest, 14.5-15 s, is taken.
    EXPECT_EQ(groups[0], (Regions{{0, 14.75}}));
}

TEST(Groups, NonFiniteRegionsAreLeftOut) {
    double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(SpeechRegions::groups({{0, inf}, {1, 2}}, 29, 0.2, {}, 16000), (Groups{{{1, 2}}}));
}

// Random regions and probabilities: the pieces cover the speech exactly, in order, every
// group fits, and splitting always moves forward.
TEST(Groups, RandomInputsKeepInvariants) {
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int round = 0; round < 500; ++round) {
        Regions regions;
        double at = unit(random) * 5;
        int count = static_cast<int>(unit(random) * 8);
        for (int i = 0; i < count; ++i) {
            double length = unit(random) < 0.3 ? unit(random) * 200 : unit(random) * 20;
            regions.push_back({at, at + length});
            at += length + unit(random) * 3;
        }
        double fitting = 1 + unit(random) * 40;
        double pause = unit(random) * 0.5;
        SpeechAnalysis analysis;
        if (unit(random) < 0.5) {
            analysis.frameDuration = 0.032;
            analysis.frameProbabilities.resize(static_cast<std::size_t>(at / 0.032) + 1);
            for (auto& p : analysis.frameProbabilities) {
                p = static_cast<float>(unit(random));
            }
        }
        SCOPED_TRACE(testing::Message() << "round " << round << " fitting " << fitting);

        auto groups = SpeechRegions::groups(regions, fitting, pause, analysis, 16000);
        Regions pieces;
        for (const auto& group : groups) {
            ASSERT_FALSE(group.empty());
            double used = -pause;
            for (const auto& piece : group) {
                EXPECT_LE(piece.duration(), fitting + 1e-9);
                used += pause + piece.duration();
                pieces.push_back(piece);
            }
            EXPECT_LE(used, fitting + 1e-9);
        }
        std::size_t next = 0;
        for (const auto& region : regions) {
            ASSERT_LT(next, pieces.size());
            EXPECT_EQ(pieces[next].start, region.start);
            while (pieces[next].end != region.end) {
                EXPECT_GT(pieces[next].end, pieces[next].start);
                ASSERT_LT(next + 1, pieces.size());
                EXPECT_EQ(pieces[next + 1].start, pieces[next].end);
                ++next;
            }
            ++next;
        }
        EXPECT_EQ(next, pieces.size());
    }
}

} // namespace
} // namespace bw
