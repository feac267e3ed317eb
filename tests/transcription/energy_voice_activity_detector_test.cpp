#include "support/readable_param_name.h"
#include "transcription/energy_voice_activity_detector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace bw {
namespace {

using Regions = std::vector<SpeechRegion>;

// Samples of constant amplitude for each (seconds, amplitude) stretch, in order.
std::vector<float> stretches(std::initializer_list<std::pair<double, float>> parts) {
    std::vector<float> samples;
    for (auto [seconds, amplitude] : parts) {
        samples.insert(samples.end(), static_cast<std::size_t>(std::lround(seconds * 16000)),
                       amplitude);
    }
    return samples;
}

struct LoudnessCase {
    float amplitude;
    bool speech;

    friend void PrintTo(const LoudnessCase& c, std::ostream* out) {
        *out << "amplitude " << c.amplitude;
    }
};

class EnergyThreshold : public testing::TestWithParam<LoudnessCase> {};

TEST_P(EnergyThreshold, FramesAtOrAboveTheThresholdAreSpeech) {
    EnergyVoiceActivityDetector detector(-40, 0.03, 0, 0, 0);
    auto regions = detector.regions(stretches({{0.3, GetParam().amplitude}}));
    EXPECT_EQ(regions.empty(), !GetParam().speech);
}

INSTANTIATE_TEST_SUITE_P(Cases, EnergyThreshold,
                         testing::Values(LoudnessCase{0.02f, true},   // -34 dB
                                         LoudnessCase{0.005f, false}, // -46 dB
                                         LoudnessCase{-0.02f, true}, LoudnessCase{0.0f, false}),
                         test::ReadableParamName());

TEST(EnergyVoiceActivityDetector, RegionsEndAtTheFirstQuietFrame) {
    EnergyVoiceActivityDetector detector(-40, 0.03, 0, 0, 0);
    auto regions = detector.regions(stretches({{0.06, 0}, {0.09, 0.1f}, {0.06, 0}, {0.03, 0.1f}}));
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_DOUBLE_EQ(regions[0].start, 0.06);
    EXPECT_DOUBLE_EQ(regions[0].end, 0.15);
    EXPECT_DOUBLE_EQ(regions[1].start, 0.21);
    EXPECT_DOUBLE_EQ(regions[1].end, 0.24); // still open at the end of the samples
}

TEST(EnergyVoiceActivityDetector, ShortBurstsAreDroppedUnlessJoinedToSpeech) {
    EnergyVoiceActivityDetector lone(-40, 0.03, 0.25, 0.1, 0);
    EXPECT_TRUE(lone.regions(stretches({{0.99, 0}, {0.03, 0.5f}, {0.99, 0}})).empty());

    // The burst lies 0.06 s after 0.3 s of speech: joined first, it survives the filter.
    EnergyVoiceActivityDetector fine(-40, 0.01, 0.25, 0.1, 0);
    auto joined = fine.regions(stretches({{1, 0}, {0.3, 0.5f}, {0.06, 0}, {0.03, 0.5f}, {1, 0}}));
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_DOUBLE_EQ(joined[0].start, 1.0);
    EXPECT_DOUBLE_EQ(joined[0].end, 1.39);
}

TEST(EnergyVoiceActivityDetector, PaddingStaysInsideTheSamples) {
    EnergyVoiceActivityDetector detector(-40, 0.01, 0, 0, 0.2);
    auto regions = detector.regions(stretches({{0.1, 0.5f}, {1, 0}, {0.1, 0.5f}}));
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_DOUBLE_EQ(regions[0].start, 0);
    EXPECT_DOUBLE_EQ(regions[0].end, 0.3);
    EXPECT_DOUBLE_EQ(regions[1].start, 0.9);
    EXPECT_DOUBLE_EQ(regions[1].end, 1.2);
}

TEST(EnergyVoiceActivityDetector, AnalysisHasNoProbabilities) {
    EnergyVoiceActivityDetector detector(-40, 0.03, 0, 0, 0);
    EXPECT_EQ(detector.analyze({}), SpeechAnalysis{});
    auto analysis = detector.analyze(stretches({{0.3, 0.5f}}));
    EXPECT_EQ(analysis.regions, (Regions{{0, 0.3}}));
    EXPECT_TRUE(analysis.frameProbabilities.empty());
    EXPECT_EQ(analysis.frameDuration, 0);
}

} // namespace
} // namespace bw
