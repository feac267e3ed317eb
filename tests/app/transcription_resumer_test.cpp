// The launch's carrying on of interrupted transcriptions over a real library folder: every
// recording whose checkpoint quitting marked is resumed, one job after another, in the language
// of its job; work that no quit marked and recordings without work are left alone.
#include "app/transcription_resumer.h"

#include "fakes/scripted_transcription_engine.h"
#include "library/library_test_support.h"
#include "service/transcription_checkpoint_store.h"
#include "support/core_application.h"

#include <gtest/gtest.h>

#include <map>

namespace bw {
namespace {

TEST(TranscriptionResumerTest, ResumesEveryJobQuittingInterruptedInTurn) {
    test::coreApplication();
    test::TemporaryFolder folder;
    const LibraryStore store(folder.path());
    const TranscriptionCheckpointStore checkpoints(store);
    const auto engine = std::make_shared<test::ScriptedTranscriptionEngine>();

    struct Recording {
        const char* title;
        std::optional<TranscriptionLanguage> language; // of the kept work, if any
        bool interrupted;
        std::optional<double> expectedFrom;
    };
    const std::vector<Recording> recordings = {
        {"Czech, interrupted", TranscriptionLanguage::czech, true, 1.5},
        {"German, interrupted", TranscriptionLanguage::german, true, 2.5},
        {"Killed", TranscriptionLanguage::english, false, std::nullopt},
        {"Never transcribed", std::nullopt, false, std::nullopt},
    };
    std::map<Uuid, const Recording*> byID;
    for (const auto& recording : recordings) {
        auto item = test::sampleItem(recording.title, 1'700'000'000);
        item.audioFileName = "audio.wav";
        std::filesystem::create_directories(store.itemFolderURL(item.id));
        test::writeWav(store.audioFileURL(item), 4);
        store.save(item);
        byID[item.id] = &recording;
        if (recording.language) {
            TranscriptionCheckpoint checkpoint;
            checkpoint.basis = TranscriptionCheckpoint::Basis::of(
                *engine, TranscriptionOptions::standard(*recording.language),
                store.audioFileURL(item), 4);
            checkpoint.work.position = recording.expectedFrom.value_or(1);
            checkpoint.work.segments = {{0, 1, "kept"}};
            checkpoint.interrupted = recording.interrupted;
            checkpoints.save(item.id, checkpoint);
        }
    }

    AlertCentre alerts;
    LibraryModel library(store, alerts);
    TranscriptionService service(store, [&] { return engine; });
    TranscriptionResumer resumer(library, service);
    std::map<Uuid, TranscriptionJob> started; // each job as it started
    QObject::connect(&service, &TranscriptionService::jobChanged, [&] {
        if (service.job()) {
            started.emplace(service.job()->itemID, *service.job());
        }
    });
    resumer.resumeInterrupted();
    ASSERT_TRUE(test::waitUntil([&] { return started.size() == 2 && !service.isRunning(); }));

    for (const auto& [id, job] : started) {
        const Recording& recording = *byID.at(job.itemID);
        EXPECT_EQ(job.language, recording.language) << recording.title;
        EXPECT_EQ(job.resumedFrom, recording.expectedFrom) << recording.title;
        EXPECT_TRUE(service.transcripts().load(job.itemID)) << recording.title;
        EXPECT_FALSE(checkpoints.load(job.itemID)) << recording.title;
    }
    EXPECT_EQ(engine->calls(), 2);
    for (const auto& [id, recording] : byID) {
        EXPECT_EQ(checkpoints.load(id).has_value(), recording->language && !recording->interrupted)
            << recording->title;
    }
}

} // namespace
} // namespace bw
