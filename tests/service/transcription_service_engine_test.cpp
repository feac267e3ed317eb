// The service with the real engine and the test models: one recording from start to saved
// transcript, as the application runs it.
#include "service/transcription_service.h"

#include "support/core_application.h"
#include "support/test_files.h"
#include "whisper/whisper_cpp_engine.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

TEST(TranscriptionServiceWithEngine, TranscribesARecordingAndSavesItsTranscript) {
    BW_REQUIRE_SHARED_FILE(model, "models/for-tests-ggml-tiny.bin");
    BW_REQUIRE_SHARED_FILE(vad, "models/ggml-silero-v6.2.0.bin");
    BW_REQUIRE_SHARED_FILE(audio, "audio/jfk.wav");
    test::coreApplication();
    test::TemporaryFolder folder;
    LibraryStore library(folder.path());
    LibraryItem item;
    item.id = Uuid::random();
    item.state = LibraryItem::State::complete;
    item.audioFileName = "audio.wav";
    std::filesystem::create_directories(library.itemFolderURL(item.id));
    std::filesystem::copy_file(audio, library.audioFileURL(item));

    int factoryCalls = 0;
    TranscriptionService service(library, [&]() -> std::shared_ptr<TranscriptionEngine> {
        ++factoryCalls;
        return std::make_shared<WhisperCppEngine>(model, vad, false, true,
                                                  SileroVoiceActivityDetector::Parameters{}, 2);
    });
    std::vector<TranscriptionJob> jobs;
    QObject::connect(&service, &TranscriptionService::jobChanged, [&] {
        if (service.job()) {
            jobs.push_back(*service.job());
        }
    });

    service.start(item, TranscriptionLanguage::english);
    ASSERT_TRUE(test::waitUntil([&] { return !service.isRunning(); }, 300000));

    EXPECT_EQ(factoryCalls, 1);
    EXPECT_TRUE(service.failures().empty()) << service.failures().begin()->second;
    EXPECT_EQ(service.savedTranscripts().at(item.id), 1);
    ASSERT_FALSE(jobs.empty());
    EXPECT_EQ(jobs.front().audioDuration, 11);
    EXPECT_EQ(jobs.back().phase, TranscriptionJob::Phase::saving);
    EXPECT_EQ(jobs.back().fractionCompleted, 1);
    for (size_t i = 1; i < jobs.size(); ++i) {
        EXPECT_GE(jobs[i].fractionCompleted, jobs[i - 1].fractionCompleted);
        EXPECT_GE(jobs[i].segments.size(), jobs[i - 1].segments.size());
    }

    auto document = service.transcripts().load(item.id);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->engine, "whisper.cpp 1.9.1");
    EXPECT_EQ(document->model, "for-tests-ggml-tiny");
    EXPECT_EQ(document->language, TranscriptionLanguage::english);
    EXPECT_EQ(document->audioDuration, 11);
    // The live segments are the saved ones before trimming.
    EXPECT_EQ(document->segments.size(), jobs.back().segments.size());
    service.engine()->shutdown(3);
}

} // namespace
} // namespace bw
