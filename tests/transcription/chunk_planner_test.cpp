#include "transcription/chunk_planner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace bw {

void PrintTo(const ChunkPlanner::Decision& decision, std::ostream* out) {
    if (decision.kind == ChunkPlanner::Decision::Kind::needMoreAudio) {
        *out << "needMoreAudio";
    } else {
        *out << "cut(" << decision.samples << ")";
    }
}

namespace {

using Decision = ChunkPlanner::Decision;
const ChunkingOptions standard{120, 20, 0.1, 240};
constexpr double rate = 16000;

std::vector<float> seconds(double duration, float value = 0.1f) {
    return std::vector<float>(static_cast<std::size_t>(std::lround(duration * rate)), value);
}

// Speech over the whole buffer except the given silences (sorted, inside the buffer).
SpeechAnalysis speechAround(double duration, std::vector<std::pair<double, double>> silences) {
    SpeechAnalysis analysis;
    double at = 0;
    for (auto [start, end] : silences) {
        if (start > at) {
            analysis.regions.push_back({at, start});
        }
        at = end;
    }
    if (at < duration) {
        analysis.regions.push_back({at, duration});
    }
    return analysis;
}

TEST(ChunkPlanner, ShortBuffersAndEndedStreamsAreCutWhole) {
    auto buffer = seconds(100);
    EXPECT_EQ(ChunkPlanner::decide(buffer, speechAround(100, {}), false, standard, rate),
              Decision::cut(1600000));
    auto long_ = seconds(300);
    EXPECT_EQ(ChunkPlanner::decide(long_, speechAround(300, {}), true, standard, rate),
              Decision::cut(4800000));
    EXPECT_EQ(ChunkPlanner::decide({}, {}, false, standard, rate), Decision::cut(0));
}

struct PauseCase {
    const char* name;
    double duration;
    std::vector<std::pair<double, double>> silences;
    Decision expected;
};

class Pauses : public testing::TestWithParam<PauseCase> {};

TEST_P(Pauses, CutsAtThePauseClosestToTheTarget) {
    const auto& c = GetParam();
    auto buffer = seconds(c.duration);
    EXPECT_EQ(
        ChunkPlanner::decide(buffer, speechAround(c.duration, c.silences), false, standard, rate),
        c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pauses,
    testing::Values(
        PauseCase{"Closer", 140, {{118, 118.5}, {125, 127}}, Decision::cut(1892000)},
        PauseCase{"TieLongerWins", 140, {{118.75, 119.25}, {120.5, 121.5}}, Decision::cut(1936000)},
        PauseCase{"TieEarlierWins", 140, {{118.5, 119.5}, {120.5, 121.5}}, Decision::cut(1904000)},
        PauseCase{"MiddleAtFloor", 140, {{95, 105}}, Decision::cut(1600000)},
        PauseCase{"BeforeFloor", 140, {{90, 99}}, Decision::needMoreAudio()},
        PauseCase{"TooShort", 140, {{119, 119.05}}, Decision::needMoreAudio()},
        PauseCase{"ShortTrailingSilence", 140, {{139.95, 140}}, Decision::needMoreAudio()},
        PauseCase{"TrailingSilenceCutJustInside", 140, {{139.5, 140}}, Decision::cut(2232800)},
        PauseCase{"NoSpeechAtAll", 140, {{0, 140}}, Decision::cut(1920000)}),
    [](const auto& info) { return info.param.name; });

TEST(ChunkPlanner, ForcesACutAtTheQuietestFrameAtTheMaximum) {
    auto buffer = seconds(240);
    SpeechAnalysis analysis = speechAround(240, {});
    analysis.frameDuration = 0.032;
    analysis.frameProbabilities.assign(7500, 0.9f);
    analysis.frameProbabilities[5000] = 0.1f; // 160.0-160.032 s
    analysis.frameProbabilities[4999] = 0.5f;
    analysis.frameProbabilities[5001] = 0.5f;
    EXPECT_EQ(ChunkPlanner::decide(buffer, analysis, false, standard, rate),
              Decision::cut(2560256)); // the middle of frame 5000

    // A quiet frame before the search floor (100 s) is not a candidate.
    analysis.frameProbabilities.assign(7500, 0.9f);
    analysis.frameProbabilities[1000] = 0.0f;
    EXPECT_EQ(ChunkPlanner::decide(buffer, analysis, false, standard, rate),
              Decision::cut(std::lround(rate * 0.032 * 3125.5)));
}

TEST(ChunkPlanner, ForcesACutAtTheQuietestEnergyWithoutProbabilities) {
    auto buffer = seconds(240, 0.3f);
    // 100 ms of silence from 180 s.
    std::fill(buffer.begin() + 180 * 16000, buffer.begin() + 180 * 16000 + 1600, 0.0f);
    // Quieter still, but before the floor.
    std::fill(buffer.begin() + 50 * 16000, buffer.begin() + 51 * 16000, 0.0f);
    EXPECT_EQ(ChunkPlanner::decide(buffer, speechAround(240, {}), false, standard, rate),
              Decision::cut(180 * 16000 + 800));
}

TEST(ChunkPlanner, QuietestIndexOfShortWindowsIsTheirMiddle) {
    auto buffer = seconds(10);
    EXPECT_EQ(ChunkPlanner::quietestIndex(buffer, 1.0, 1.1, rate), 16800);
    EXPECT_EQ(ChunkPlanner::quietestIndex(buffer, 20, 30, rate), 10 * 16000); // past the end
    EXPECT_EQ(ChunkPlanner::quietestIndex({}, 0, 1, rate), 1);
}

// Random buffers and analyses: a cut always lies inside the buffer and moves forward, more
// audio is asked for only before the maximum length and the end of the stream, and a cut at
// a pause lies at or after the search floor.
TEST(ChunkPlanner, RandomDecisionsKeepInvariants) {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> unit(0, 1);
    const ChunkingOptions options{12, 2, 0.1, 24};
    std::vector<float> noise(static_cast<std::size_t>(30 * rate));
    for (auto& sample : noise) {
        sample = static_cast<float>(unit(random) - 0.5);
    }
    for (int round = 0; round < 400; ++round) {
        double duration = unit(random) * 30;
        auto buffer =
            std::span<const float>(noise).first(static_cast<std::size_t>(duration * rate));
        SpeechAnalysis analysis;
        for (double at = unit(random) * 2; at < duration; at += unit(random) * 4) {
            double end = at + unit(random) * 6;
            analysis.regions.push_back({at, end});
            at = end;
        }
        if (unit(random) < 0.5) {
            analysis.frameDuration = 0.032;
            analysis.frameProbabilities.resize(static_cast<std::size_t>(duration / 0.032));
            for (auto& p : analysis.frameProbabilities) {
                p = static_cast<float>(unit(random));
            }
        }
        bool ended = unit(random) < 0.2;
        SCOPED_TRACE(testing::Message() << "round " << round << " duration " << duration);

        auto decision = ChunkPlanner::decide(buffer, analysis, ended, options, rate);
        auto count = static_cast<std::int64_t>(buffer.size());
        if (decision.kind == Decision::Kind::needMoreAudio) {
            EXPECT_FALSE(ended);
            EXPECT_LT(count / rate, options.maximumDuration);
            EXPECT_GT(count / rate, options.targetDuration);
        } else if (count == 0) {
            EXPECT_EQ(decision.samples, 0);
        } else {
            EXPECT_GE(decision.samples, 1);
            EXPECT_LE(decision.samples, count);
            if (!ended && count / rate > options.targetDuration) {
                // The middle of a frame may lie half a frame before the floor.
                double floor = options.targetDuration - options.lookahead - 0.016;
                EXPECT_GE(decision.samples, std::floor(floor * rate));
            }
        }
    }
}

} // namespace
} // namespace bw
