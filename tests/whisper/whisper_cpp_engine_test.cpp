#include "whisper/whisper_cpp_engine.h"

#include "base/cancellation_error.h"
#include "support/test_files.h"
#include "transcription/transcription_error.h"

#include <gtest/gtest.h>

#include <mutex>

namespace bw {
namespace {

class WhisperCppEngineTest : public testing::Test {
protected:
    void SetUp() override {
        BW_REQUIRE_ENGINE_FILES(files);
        m_files = files;
    }

    WhisperCppEngine makeEngine() {
        return WhisperCppEngine(m_files.model, m_files.vad, false, true, {}, 2);
    }

    test::EngineFiles m_files;
};

TEST_F(WhisperCppEngineTest, TranscribesARecordingThroughTheChunkedTranscriber) {
    auto engine = makeEngine();
    std::mutex lock;
    std::vector<TranscriptionProgress> reports;
    auto transcript = engine.transcribe(
        m_files.audio, TranscriptionOptions::standard(TranscriptionLanguage::english),
        [&](const TranscriptionProgress& progress) {
            std::lock_guard guard(lock);
            reports.push_back(progress);
        },
        {});
    EXPECT_DOUBLE_EQ(transcript.audioDuration, 11.0);
    EXPECT_EQ(transcript.engine, "whisper.cpp 1.9.1");
    EXPECT_EQ(transcript.model, "for-tests-ggml-tiny");
    EXPECT_EQ(transcript.language, TranscriptionLanguage::english);
    for (const auto& segment : transcript.segments) {
        EXPECT_LE(0, segment.start);
        EXPECT_LE(segment.start, segment.end);
        EXPECT_LE(segment.end, 11.0);
    }
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front().phase, TranscriptionProgress::Phase::loadingModel);
    EXPECT_EQ(reports.back().phase, TranscriptionProgress::Phase::finished);
    EXPECT_EQ(reports.back().fractionCompleted(), 1.0);
}

TEST_F(WhisperCppEngineTest, StopsWhenCancelledAndRefusesWorkAfterShutdown) {
    auto engine = makeEngine();
    std::stop_source stop;
    auto options = TranscriptionOptions::standard(TranscriptionLanguage::english);
    EXPECT_THROW(engine.transcribe(
                     m_files.audio, options,
                     [&](const TranscriptionProgress& progress) {
                         if (progress.phase == TranscriptionProgress::Phase::transcribing) {
                             stop.request_stop();
                         }
                     },
                     stop.get_token()),
                 CancellationError);

    EXPECT_TRUE(engine.shutdown(5));
    EXPECT_THROW(engine.transcribe(m_files.audio, options), CancellationError);
}

TEST_F(WhisperCppEngineTest, ReportsUnreadableAudioAndMissingModels) {
    auto engine = makeEngine();
    test::TemporaryFolder folder;
    try {
        engine.transcribe(folder / "notes.wav",
                          TranscriptionOptions::standard(TranscriptionLanguage::german));
        FAIL() << "a missing file was transcribed";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error.kind(), TranscriptionError::Kind::unreadableAudio);
    }
    try {
        WhisperCppEngine(m_files.model, folder / "vad.bin", false, true, {});
        FAIL() << "a missing detector model was accepted";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, TranscriptionError::modelNotFound((folder / "vad.bin").string()));
    }
}

} // namespace
} // namespace bw
