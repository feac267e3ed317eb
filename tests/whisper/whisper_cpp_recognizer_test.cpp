#include "whisper/whisper_cpp_recognizer.h"

#include "base/cancellation_error.h"
#include "support/test_files.h"
#include "transcription/transcription_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <mutex>

namespace bw {
namespace {

// The test model has a vocabulary but no weights: it decodes nonsense, so these tests check
// the mechanics (times, progress, cancellation), never the words.
class WhisperCppRecognizerTest : public testing::Test {
protected:
    void SetUp() override {
        BW_REQUIRE_SHARED_FILE(model, "models/for-tests-ggml-tiny.bin");
        BW_REQUIRE_SHARED_FILE(audio, "audio/jfk.wav");
        m_model = model;
        m_samples = test::samplesOf(audio);
        ASSERT_EQ(m_samples.size(), 176000u);
    }

    WhisperCppRecognizer makeRecognizer(bool predictsTimestamps = true) {
        return WhisperCppRecognizer(m_model, 2, false, predictsTimestamps);
    }

    RecognitionRequest english() {
        RecognitionRequest request;
        request.language = TranscriptionLanguage::english;
        return request;
    }

    std::filesystem::path m_model;
    std::vector<float> m_samples;
};

TEST_F(WhisperCppRecognizerTest, SegmentsAndWordsLieWithinTheInput) {
    auto recognizer = makeRecognizer();
    EXPECT_EQ(recognizer.engineName(), "whisper.cpp 1.9.1");
    EXPECT_EQ(recognizer.modelName(), "for-tests-ggml-tiny");

    std::vector<double> fractions;
    std::mutex lock;
    auto segments = recognizer.recognize(m_samples, english(),
                                         [&](double fraction) {
                                             std::lock_guard guard(lock);
                                             fractions.push_back(fraction);
                                         },
                                         {});
    double duration = static_cast<double>(m_samples.size()) / 16000;
    for (const auto& segment : segments) {
        EXPECT_LE(0, segment.start);
        EXPECT_LE(segment.start, segment.end);
        EXPECT_LE(segment.end, duration + 0.01);
        std::string text;
        for (const auto& word : segment.words) {
            EXPECT_LE(segment.start - 0.01, word.start) << word.text;
            EXPECT_LE(word.start, word.end);
            EXPECT_LE(word.end, duration + 0.01);
            text += word.text;
        }
        EXPECT_EQ(segment.text, text);
    }
    ASSERT_FALSE(fractions.empty());
    EXPECT_EQ(fractions.front(), 0.0);
    for (size_t i = 0; i < fractions.size(); ++i) {
        EXPECT_GE(fractions[i], i == 0 ? 0.0 : fractions[i - 1]);
        EXPECT_LE(fractions[i], 1.0);
    }
}

TEST_F(WhisperCppRecognizerTest, EmptyInputIsNotDecoded) {
    auto recognizer = makeRecognizer();
    bool reported = false;
    auto segments = recognizer.recognize({}, english(), [&](double) { reported = true; }, {});
    EXPECT_TRUE(segments.empty());
    EXPECT_FALSE(reported);
}

TEST_F(WhisperCppRecognizerTest, StoppingDuringDecodingThrowsCancellation) {
    auto recognizer = makeRecognizer();
    std::stop_source stop;
    int reports = 0;
    EXPECT_THROW(recognizer.recognize(
                     m_samples, english(),
                     [&](double) {
                         ++reports;
                         stop.request_stop(); // from inside whisper_full
                     },
                     stop.get_token()),
                 CancellationError);
    EXPECT_GE(reports, 1);

    // Only that request was stopped: the next one runs.
    EXPECT_NO_THROW(recognizer.recognize({}, english(), {}, {}));
}

TEST_F(WhisperCppRecognizerTest, AStopRequestedBeforehandCancelsWithoutDecoding) {
    auto recognizer = makeRecognizer();
    std::stop_source stop;
    stop.request_stop();
    bool reported = false;
    EXPECT_THROW(recognizer.recognize(
                     m_samples, english(), [&](double) { reported = true; }, stop.get_token()),
                 CancellationError);
    EXPECT_FALSE(reported);
}

TEST_F(WhisperCppRecognizerTest, ShutDownRecognizerRefusesWorkWithoutLoading) {
    // A file whisper.cpp cannot load: loading it would fail with modelLoadFailed.
    test::TemporaryFolder folder;
    auto broken = folder / "ggml-broken.bin";
    std::ofstream(broken) << "not a model";
    WhisperCppRecognizer recognizer(broken, 4, false, true);
    EXPECT_TRUE(recognizer.shutdown(5));
    EXPECT_THROW(recognizer.prepare({}), CancellationError);
    EXPECT_THROW(recognizer.recognize(m_samples, english(), {}, {}), CancellationError);
    EXPECT_TRUE(recognizer.shutdown(5)); // a second shut-down is harmless
}

TEST_F(WhisperCppRecognizerTest, ShutdownFreesALoadedModel) {
    auto recognizer = makeRecognizer();
    recognizer.prepare({});
    EXPECT_TRUE(recognizer.shutdown(5));
    EXPECT_THROW(recognizer.prepare({}), CancellationError);
}

TEST_F(WhisperCppRecognizerTest, ModelFailuresNameTheFile) {
    test::TemporaryFolder folder;
    auto missing = folder / "ggml-missing.bin";
    try {
        WhisperCppRecognizer recognizer(missing, 4, false, true);
        FAIL() << "a missing model was accepted";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, TranscriptionError::modelNotFound(missing.string()));
    }
    EXPECT_THROW(WhisperCppRecognizer(folder.path(), 4, false, true), TranscriptionError);

    auto broken = folder / "ggml-broken.bin";
    std::ofstream(broken) << "not a model";
    WhisperCppRecognizer recognizer(broken, 4, false, true);
    for (int attempt = 0; attempt < 2; ++attempt) { // a failed load is tried again
        try {
            recognizer.prepare({});
            FAIL() << "a broken model loaded";
        } catch (const TranscriptionError& error) {
            EXPECT_EQ(error, TranscriptionError::modelLoadFailed("ggml-broken.bin"));
        }
    }
}

TEST_F(WhisperCppRecognizerTest, ModelsWithoutTimestampsTakeOneWindow) {
    EXPECT_EQ(makeRecognizer(true).maximumInputDuration(), std::nullopt);
    auto windowed = makeRecognizer(false);
    EXPECT_EQ(windowed.maximumInputDuration(), 30.0);
    EXPECT_EQ(makeRecognizer(true).windowDuration(), 30.0);
    auto segments = windowed.recognize(std::span(m_samples).first(48000), english(), {}, {});
    for (const auto& segment : segments) {
        EXPECT_LE(segment.end, 3.01);
    }
}

// With real weights: the window's no-speech probability is the model's own judgement of that
// window, whatever was decoded before it on the same recognizer.
TEST_F(WhisperCppRecognizerTest, NoSpeechProbabilityJudgesEachWindowOnItsOwn) {
    auto model = test::bundledWhisperModel();
    if (model.empty()) {
        GTEST_SKIP() << "no bundled model in this build";
    }
    std::vector<float> noise(16000 * 20);
    std::uint32_t state = 1;
    for (auto& sample : noise) {
        state = state * 1664525u + 1013904223u;
        sample = 0.1f * (static_cast<float>(state >> 8) / 16777216.0f - 0.5f);
    }
    auto highest = [](const std::vector<RecognizedSegment>& segments) {
        double value = 0;
        for (const auto& segment : segments) {
            value = std::max(value, segment.noSpeechProbability);
        }
        return value;
    };
    WhisperCppRecognizer fresh(model, 2, false, true);
    double speechFirst = highest(fresh.recognize(m_samples, english(), {}, {}));
    WhisperCppRecognizer used(model, 2, false, true);
    auto noiseSegments = used.recognize(noise, english(), {}, {});
    double speechAfterNoise = highest(used.recognize(m_samples, english(), {}, {}));

    EXPECT_LT(speechFirst, 0.2);
    EXPECT_DOUBLE_EQ(speechAfterNoise, speechFirst);
    if (!noiseSegments.empty()) {
        EXPECT_GT(highest(noiseSegments), 0.5);
    }
}

TEST(WhisperCppRecognizerName, DropsTheExtensionAndTheGgmlPrefix) {
    const std::pair<const char*, const char*> cases[] = {
        {"/m/ggml-kinit-large-v3-turbo-sk-q8_0.bin", "kinit-large-v3-turbo-sk-q8_0"},
        {"ggml-large-v3-q5_0.bin", "large-v3-q5_0"},
        {"/m/for-tests-ggml-tiny.bin", "for-tests-ggml-tiny"},
        {"ggml-base.en.bin", "base.en"},
        {"whisper", "whisper"},
    };
    for (const auto& [file, name] : cases) {
        EXPECT_EQ(WhisperCppRecognizer::modelNameFor(file), name) << file;
    }
}

} // namespace
} // namespace bw
