#include "whisper/silero_voice_activity_detector.h"

#include "support/test_files.h"
#include "transcription/transcription_error.h"
#include "whisper/compute_backends.h"

#include <gtest/gtest.h>
#include <whisper.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>

namespace bw {
namespace {

using Detector = SileroVoiceActivityDetector;

struct LevelCase {
    const char* name;
    float level;        // every sample's amplitude
    float expectedGain; // 1: unchanged
};

void PrintTo(const LevelCase& value, std::ostream* out) {
    *out << value.name;
}

class Levelled : public testing::TestWithParam<LevelCase> {};

TEST_P(Levelled, RaisesQuietInputOnly) {
    std::vector<float> samples(1000, GetParam().level);
    for (size_t i = 1; i < samples.size(); i += 2) {
        samples[i] = -samples[i];
    }
    EXPECT_NEAR(Detector::levellingGain(samples), GetParam().expectedGain, 1e-4);
    auto result = Detector::levelled(samples);
    ASSERT_EQ(result.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_FLOAT_EQ(result[i], samples[i] * Detector::levellingGain(samples));
    }
    if (GetParam().expectedGain == 1) {
        EXPECT_EQ(result, samples);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, Levelled,
                         testing::Values(LevelCase{"DigitalSilence", 0.0f, 1},
                                         LevelCase{"VeryQuietIsCappedAt30dB", 0.001f, 31.6f},
                                         LevelCase{"JustBelowTarget", 0.49f, 0.5f / 0.49f},
                                         LevelCase{"WithinOnePercent", 0.496f, 1},
                                         LevelCase{"LoudIsNeverAttenuated", 0.9f, 1},
                                         LevelCase{"Quiet", 0.1f, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LevelledEdges, IgnoresRarePeaksAndClampsThem) {
    std::vector<float> samples(10000, 0.01f);
    samples[10] = 0.9f; // above the 99.9th percentile: does not lower the gain
    samples[20] = -0.8f;
    auto result = Detector::levelled(samples);
    EXPECT_FLOAT_EQ(result[0], 0.316f);
    EXPECT_EQ(result[10], 1.0f);
    EXPECT_EQ(result[20], -1.0f);
    EXPECT_TRUE(Detector::levelled({}).empty());
}

TEST(LevelledEdges, LongInputUsesAStridedSubset) {
    // 200,000 samples: every fourth is looked at. The loud samples sit between the looked-at
    // ones, so the percentile, and the gain, come from the quiet ones.
    std::vector<float> samples(200000, 0.05f);
    for (size_t i = 1; i < samples.size(); i += 4) {
        samples[i] = 0.7f;
    }
    EXPECT_FLOAT_EQ(Detector::levellingGain(samples), 10.0f);
}

class SileroDetectorTest : public testing::Test {
protected:
    void SetUp() override {
        BW_REQUIRE_SHARED_FILE(model, "models/ggml-silero-v6.2.0.bin");
        m_model = model;
    }
    std::filesystem::path m_model;
};

TEST_F(SileroDetectorTest, FindsSpeechBetweenInsertedSilences) {
    auto first = test::spokenSamples("The quick brown fox jumps over the lazy dog.");
    auto second = test::spokenSamples("Seven silver swans swam silently seaward.");
    ASSERT_GT(first.size(), 16000u);
    ASSERT_GT(second.size(), 16000u);
    std::vector<float> samples(32000, 0.0f); // 2 s
    samples.insert(samples.end(), first.begin(), first.end());
    samples.insert(samples.end(), 48000, 0.0f); // 3 s
    samples.insert(samples.end(), second.begin(), second.end());
    samples.insert(samples.end(), 32000, 0.0f);

    double firstEnd = 2 + first.size() / 16000.0;
    double secondStart = firstEnd + 3;
    double secondEnd = secondStart + second.size() / 16000.0;

    Detector detector(m_model);
    auto analysis = detector.analyze(samples);
    ASSERT_EQ(analysis.regions.size(), 2u);
    EXPECT_NEAR(analysis.regions[0].start, 2.0, 0.3);
    EXPECT_NEAR(analysis.regions[0].end, firstEnd, 0.3);
    EXPECT_NEAR(analysis.regions[1].start, secondStart, 0.3);
    EXPECT_NEAR(analysis.regions[1].end, secondEnd, 0.3);

    EXPECT_DOUBLE_EQ(analysis.frameDuration, 0.032);
    EXPECT_NEAR(static_cast<double>(analysis.frameProbabilities.size()), samples.size() / 512.0,
                1.0);
    // Frames in the middle of the long silence are not speech.
    size_t silentFrame = static_cast<size_t>((firstEnd + 1.5) / 0.032);
    EXPECT_LT(analysis.frameProbabilities.at(silentFrame), 0.35f);
}

TEST_F(SileroDetectorTest, FindsTheSpeechOfARecording) {
    BW_REQUIRE_SHARED_FILE(audio, "audio/jfk.wav");
    auto samples = test::samplesOf(audio);
    Detector detector(m_model);
    auto analysis = detector.analyze(samples);
    ASSERT_FALSE(analysis.regions.empty());
    // The speech starts within the first second and runs to about 10.5 s of the 11 s.
    EXPECT_LT(analysis.regions.front().start, 1.0);
    EXPECT_GT(analysis.regions.back().end, 10.0);
    for (const auto& region : analysis.regions) {
        EXPECT_LT(region.start, region.end);
        EXPECT_GE(region.start, 0.0);
        EXPECT_LE(region.end, 11.0); // padding stays inside the recording
    }
    // The same detector gives the same answer again (its state is reset per call).
    EXPECT_EQ(detector.analyze(samples), analysis);
}

TEST_F(SileroDetectorTest, QuietSpeechIsFoundOnlyWithLevelling) {
    auto speech = test::spokenSamples("Quiet words spoken far from the microphone.");
    std::vector<float> samples(16000, 0.0f);
    for (float sample : speech) {
        samples.push_back(sample * 0.004f);
    }
    samples.insert(samples.end(), 16000, 0.0f);

    Detector levelling(m_model);
    Detector::Parameters plain;
    plain.normalizesLevel = false;
    Detector unchanged(m_model, plain);

    auto raised = levelling.analyze(samples);
    auto raw = unchanged.analyze(samples);
    EXPECT_EQ(raised.regions.size(), 1u);
    EXPECT_NE(raised.frameProbabilities, raw.frameProbabilities);
}

// The library computes many frames in one pass and steps the LSTM over them; fed one 512-sample
// frame per call, continuing its state, it must give the same probabilities (to float rounding:
// a single frame's products take different kernels), across the 256-frame batches and for the
// zero-padded partial frame at the end.
TEST_F(SileroDetectorTest, ProbabilitiesOfOnePassEqualThoseOfFramesFedOneByOne) {
    auto samples = test::spokenSamples("The quick brown fox jumps over the lazy dog. Seven silver "
                                       "swans swam silently seaward past the old stone bridge.");
    samples.insert(samples.begin(), 16000, 0.0f);
    samples.resize(std::max<size_t>(samples.size(), 300 * 512) + 100, 0.0f);
    whisper_vad_context_params params = whisper_vad_default_context_params();
    params.n_threads = 1;
    ComputeBackends::loadOnce();
    std::unique_ptr<whisper_vad_context, void (*)(whisper_vad_context*)> context(
        whisper_vad_init_from_file_with_params(m_model.c_str(), params), whisper_vad_free);
    ASSERT_NE(context, nullptr);

    ASSERT_TRUE(
        whisper_vad_detect_speech(context.get(), samples.data(), static_cast<int>(samples.size())));
    const float* probabilities = whisper_vad_probs(context.get());
    std::vector<float> onePass(probabilities, probabilities + whisper_vad_n_probs(context.get()));
    ASSERT_EQ(onePass.size(), samples.size() / 512 + 1);

    whisper_vad_reset_state(context.get());
    float largest = 0;
    for (size_t start = 0, frame = 0; start < samples.size(); start += 512, ++frame) {
        int count = static_cast<int>(std::min<size_t>(512, samples.size() - start));
        ASSERT_TRUE(whisper_vad_detect_speech_no_reset(context.get(), &samples[start], count));
        ASSERT_EQ(whisper_vad_n_probs(context.get()), 1);
        largest = std::max(largest, std::fabs(*whisper_vad_probs(context.get()) - onePass[frame]));
    }
    EXPECT_LT(largest, 1e-4f);
    EXPECT_GT(*std::max_element(onePass.begin(), onePass.end()), 0.5f); // the speech is found
}

TEST_F(SileroDetectorTest, EmptyInputGivesAnEmptyAnalysis) {
    Detector detector(m_model);
    EXPECT_EQ(detector.analyze({}), SpeechAnalysis{});
    std::vector<float> silence(16000 * 3, 0.0f);
    auto analysis = detector.analyze(silence);
    EXPECT_TRUE(analysis.regions.empty());
    EXPECT_EQ(analysis.frameDuration, 0.032);
}

TEST_F(SileroDetectorTest, DefaultsAndModelFailures) {
    Detector detector(m_model);
    EXPECT_EQ(detector.parameters(), (Detector::Parameters{0.35f, 0.25, 0.3, 0.1, true}));

    test::TemporaryFolder folder;
    auto missing = folder / "ggml-silero-v6.2.0.bin";
    try {
        Detector absent(missing);
        FAIL() << "a missing model was accepted";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, TranscriptionError::modelNotFound(missing.string()));
    }
    std::ofstream(missing) << "not a model";
    try {
        Detector broken(missing);
        FAIL() << "a broken model loaded";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, TranscriptionError::modelLoadFailed("ggml-silero-v6.2.0.bin"));
    }
}

} // namespace
} // namespace bw
