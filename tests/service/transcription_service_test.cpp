#include "service/transcription_service.h"

#include "platform/bundle_info.h"
#include "service/transcription_checkpoint_store.h"
#include "transcription/transcription_error.h"
#include "transcripts/transcript_store_error.h"

#include "fakes/scripted_transcription_engine.h"
#include "library/library_test_support.h"
#include "support/core_application.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace bw {
namespace {

using namespace std::chrono;
using Phase = TranscriptionProgress::Phase;
using JobPhase = TranscriptionJob::Phase;

const system_clock::time_point fixedNow = sys_days(2025y / 3 / 7) + 12h + 500ms;

class TranscriptionServiceTest : public testing::Test {
protected:
    TranscriptionServiceTest() {
        test::coreApplication();
        engine = std::make_shared<test::ScriptedTranscriptionEngine>();
        engine->result.language = TranscriptionLanguage::czech;
        engine->result.segments = {{0, 1, " Ahoj "}};
        engine->result.audioDuration = 2;
        service = std::make_unique<TranscriptionService>(
            library,
            [this]() -> std::shared_ptr<TranscriptionEngine> {
                ++factoryCalls;
                if (factoryFailure) {
                    std::rethrow_exception(factoryFailure);
                }
                return engine;
            },
            [] { return fixedNow; });
        QObject::connect(service.get(), &TranscriptionService::jobChanged,
                         [this] { jobs.push_back(service->job()); });
    }

    LibraryItem makeItem(double seconds = 2,
                         LibraryItem::State state = LibraryItem::State::complete) {
        LibraryItem item;
        item.id = Uuid::random();
        item.title = "Meeting";
        item.state = state;
        item.audioFileName = "audio.wav";
        std::filesystem::create_directories(library.itemFolderURL(item.id));
        test::writeWav(library.audioFileURL(item), seconds);
        return item;
    }

    bool waitForIdle() {
        return test::waitUntil([this] { return !service->isRunning(); });
    }

    std::optional<std::string> failure(const Uuid& id) const {
        auto found = service->failures().find(id);
        if (found == service->failures().end()) {
            return std::nullopt;
        }
        return found->second;
    }

    std::int64_t savedCount(const Uuid& id) const {
        auto found = service->savedTranscripts().find(id);
        return found == service->savedTranscripts().end() ? 0 : found->second;
    }

    test::TemporaryFolder folder;
    LibraryStore library{folder.path()};
    std::shared_ptr<test::ScriptedTranscriptionEngine> engine;
    std::exception_ptr factoryFailure;
    int factoryCalls = 0;
    std::unique_ptr<TranscriptionService> service;
    std::vector<std::optional<TranscriptionJob>> jobs; // every published value, in order
};

TEST_F(TranscriptionServiceTest, MirrorsProgressInOrderThenSavesTheTranscript) {
    engine->reports = {
        {Phase::loadingModel, 0, 2, std::nullopt, {}},
        {Phase::transcribing, 0.5, 2, 30.0, {{0, 1, " Ahoj "}}},
        {Phase::transcribing, 0.5, 2, 30.0, {}}, // repeats the last value: nothing to publish
        {Phase::transcribing, 3, 2, std::nullopt, {{1, 2, "svet"}}},
        {Phase::finished, 2, 2, 0.0, {}},
    };
    auto item = makeItem(2, LibraryItem::State::interrupted);
    service->start(item, TranscriptionLanguage::czech);

    ASSERT_TRUE(service->isRunning());
    EXPECT_TRUE(service->isTranscribing(item.id));
    ASSERT_TRUE(waitForIdle());

    TranscriptionJob job{
        item.id, TranscriptionLanguage::czech, 2, JobPhase::loadingModel, 0, std::nullopt, {}};
    std::vector<std::optional<TranscriptionJob>> expected;
    expected.push_back(job);
    job.phase = JobPhase::transcribing;
    job.fractionCompleted = 0.25;
    job.estimatedFinish = fixedNow + 30s;
    job.segments = {{0, 1, " Ahoj "}};
    expected.push_back(job);
    job.fractionCompleted = 1;   // processed beyond the total
    job.estimatedFinish.reset(); // a report without an estimate drops the earlier one
    job.segments.push_back({1, 2, "svet"});
    expected.push_back(job);
    job.phase = JobPhase::saving;
    job.estimatedFinish = fixedNow;
    expected.push_back(job);
    expected.push_back(std::nullopt);
    EXPECT_EQ(jobs, expected);

    EXPECT_EQ(engine->file(), library.audioFileURL(item));
    EXPECT_EQ(engine->options(), TranscriptionOptions::standard(TranscriptionLanguage::czech));
    EXPECT_EQ(savedCount(item.id), 1);
    EXPECT_TRUE(service->failures().empty());
    auto saved = service->transcripts().load(item.id);
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, TranscriptDocument(engine->result, fixedNow));
    EXPECT_EQ(saved->transcribedAt, floor<seconds>(fixedNow));
}

struct SecondTrackCase {
    const char* name;
    const char* systemFile; // the second track's content: "" none, "wav" 3 s of audio, else text
    int passes;
    double jobDuration;
    std::optional<Speaker> speaker; // of the one segment saved
};

class SecondTracks : public TranscriptionServiceTest,
                     public testing::WithParamInterface<SecondTrackCase> {};

// A recording with this computer's sound is transcribed from both tracks as one job; a second
// track that is missing or holds no audio leaves the microphone's transcript as it always was.
// The scripted engine hears the same words on both tracks at once: the microphone's are the
// loudspeaker's echo.
TEST_P(SecondTracks, AreTranscribedAsOneJobWithSpeakers) {
    const auto& c = GetParam();
    auto item = makeItem(2);
    item.systemAudioFileName = "system.wav";
    const auto systemFile = library.itemFolderURL(item.id) / "system.wav";
    if (c.systemFile == std::string("wav")) {
        test::writeWav(systemFile, 3);
    } else if (*c.systemFile != '\0') {
        test::writeText(systemFile, c.systemFile);
    }
    service->start(item, TranscriptionLanguage::czech);
    ASSERT_TRUE(service->job());
    EXPECT_EQ(service->job()->audioDuration, c.jobDuration);
    ASSERT_TRUE(waitForIdle());

    EXPECT_EQ(engine->calls(), c.passes);
    auto saved = service->transcripts().load(item.id);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->segments.size(), 1u);
    EXPECT_EQ(saved->segments[0].text, "Ahoj");
    EXPECT_EQ(saved->segments[0].speaker, c.speaker);
    EXPECT_TRUE(service->failures().empty());
}

INSTANTIATE_TEST_SUITE_P(Items, SecondTracks,
                         testing::Values(SecondTrackCase{"recorded", "wav", 2, 5, Speaker::others},
                                         SecondTrackCase{"missing", "", 1, 2, std::nullopt},
                                         SecondTrackCase{"notAudio", "garbage", 1, 2,
                                                         std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TranscriptionServiceTest, FractionWithoutTotalDependsOnThePhase) {
    engine->reports = {{Phase::transcribing, 5, 0, std::nullopt, {}}};
    engine->holdUntilReleased = true;
    service->start(makeItem(), TranscriptionLanguage::english);
    ASSERT_TRUE(test::waitUntil([&] { return jobs.size() == 2; }));
    EXPECT_EQ(jobs.back()->fractionCompleted, 0);
    EXPECT_EQ(jobs.back()->phase, JobPhase::transcribing);
    engine->release();
    ASSERT_TRUE(waitForIdle());

    jobs.clear();
    engine->reports = {{Phase::finished, 0, 0, std::nullopt, {}}};
    engine->holdUntilReleased = false;
    service->start(makeItem(), TranscriptionLanguage::english);
    ASSERT_TRUE(waitForIdle());
    ASSERT_GE(jobs.size(), 2u);
    EXPECT_EQ(jobs[1]->fractionCompleted, 1);
    EXPECT_EQ(jobs[1]->phase, JobPhase::saving);
}

TEST_F(TranscriptionServiceTest, SecondStartIsBusyAndLeavesTheRunningJobAlone) {
    engine->holdUntilReleased = true;
    auto first = makeItem();
    auto second = makeItem();
    service->start(first, TranscriptionLanguage::german);
    auto running = service->job();
    QSignalSpy jobSpy(service.get(), &TranscriptionService::jobChanged);

    try {
        service->start(second, TranscriptionLanguage::german);
        FAIL() << "started a second job";
    } catch (const TranscriptionService::StartError& error) {
        EXPECT_EQ(error, TranscriptionService::StartError::busy());
    }
    EXPECT_EQ(failure(second.id), TranscriptionService::StartError::busy().message());
    EXPECT_EQ(failure(first.id), std::nullopt);
    EXPECT_EQ(service->job(), running);
    EXPECT_EQ(jobSpy.count(), 0);

    engine->release();
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(savedCount(first.id), 1);
    EXPECT_EQ(engine->calls(), 1);
}

struct RefusedStartCase {
    const char* name;
    double audioSeconds; // negative: no audio file at all
    LibraryItem::State state;
    TranscriptionStartError expected;
};

class RefusedStarts : public TranscriptionServiceTest,
                      public testing::WithParamInterface<RefusedStartCase> {};

TEST_P(RefusedStarts, RecordTheMessageAndCreateNoJob) {
    auto item = makeItem(std::max(GetParam().audioSeconds, 0.0), GetParam().state);
    if (GetParam().audioSeconds < 0) {
        std::filesystem::remove(library.audioFileURL(item));
    }
    QSignalSpy failureSpy(service.get(), &TranscriptionService::failuresChanged);
    try {
        service->start(item, TranscriptionLanguage::slovak);
        FAIL() << "started";
    } catch (const TranscriptionService::StartError& error) {
        EXPECT_EQ(error, GetParam().expected);
    }
    EXPECT_FALSE(service->isRunning());
    EXPECT_TRUE(jobs.empty());
    EXPECT_EQ(failure(item.id), GetParam().expected.message());
    EXPECT_EQ(failureSpy.count(), 1);
    EXPECT_EQ(engine->calls(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedStarts,
    testing::Values(RefusedStartCase{"StillRecording", 2, LibraryItem::State::recording,
                                     TranscriptionStartError::recording()},
                    RefusedStartCase{"ZeroLengthAudio", 0, LibraryItem::State::complete,
                                     TranscriptionStartError::unreadableAudio()},
                    RefusedStartCase{"MissingAudio", -1, LibraryItem::State::complete,
                                     TranscriptionStartError::unreadableAudio()}),
    [](const auto& info) { return info.param.name; });

TEST_F(TranscriptionServiceTest, FactoryIsRetriedAfterAFailureAndKeptAfterASuccess) {
    factoryFailure = std::make_exception_ptr(TranscriptionError::modelNotFound("/models/x.bin"));
    auto item = makeItem();
    try {
        service->start(item, TranscriptionLanguage::english);
        FAIL();
    } catch (const TranscriptionService::StartError& error) {
        EXPECT_EQ(error.kind(), TranscriptionStartError::Kind::engineUnavailable);
        EXPECT_EQ(error.message(),
                  "Brindlewick couldn't load its speech model. Download and install Brindlewick "
                  "again. If that doesn't help, email " +
                      BundleInfo::supportEmail() +
                      " with this message. (Model not found: /models/x.bin)");
    }
    EXPECT_EQ(factoryCalls, 1);
    EXPECT_EQ(service->engine(), nullptr);

    factoryFailure = nullptr;
    for (int run = 0; run < 2; ++run) {
        service->start(item, TranscriptionLanguage::english);
        EXPECT_EQ(failure(item.id), std::nullopt); // a successful start forgets the failure
        ASSERT_TRUE(waitForIdle());
    }
    EXPECT_EQ(factoryCalls, 2);
    EXPECT_EQ(engine->calls(), 2);
    EXPECT_EQ(savedCount(item.id), 2);
}

TEST_F(TranscriptionServiceTest, CancellingEndsTheJobWithoutMessageOrTranscript) {
    engine->holdUntilReleased = true;
    engine->reports = {{Phase::transcribing, 1, 2, 5.0, {{0, 1, "half"}}}};
    auto item = makeItem();
    service->start(item, TranscriptionLanguage::english);
    ASSERT_TRUE(test::waitUntil([&] { return jobs.size() == 2; }));

    QSignalSpy failureSpy(service.get(), &TranscriptionService::failuresChanged);
    service->cancel(item.id);
    ASSERT_TRUE(waitForIdle());
    EXPECT_TRUE(service->failures().empty());
    EXPECT_EQ(failureSpy.count(), 0);
    EXPECT_TRUE(service->savedTranscripts().empty());
    EXPECT_FALSE(std::filesystem::exists(service->transcripts().fileURL(item.id)));
}

TEST_F(TranscriptionServiceTest, CancellingForAnotherRecordingOnlyForgetsItsFailure) {
    auto other = makeItem(2, LibraryItem::State::recording);
    EXPECT_THROW(service->start(other, TranscriptionLanguage::english),
                 TranscriptionService::StartError);
    engine->holdUntilReleased = true;
    auto item = makeItem();
    service->start(item, TranscriptionLanguage::english);

    service->cancel(other.id);
    EXPECT_EQ(failure(other.id), std::nullopt);
    engine->release();
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(savedCount(item.id), 1);
}

TEST_F(TranscriptionServiceTest, ATranscriptThatArrivesAfterCancellingIsStillSaved) {
    engine->holdUntilReleased = true;
    engine->ignoresCancellation = true;
    auto item = makeItem();
    service->start(item, TranscriptionLanguage::english);
    ASSERT_TRUE(engine->waitUntilStarted());
    service->cancel();
    engine->release();
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(savedCount(item.id), 1);
}

TEST_F(TranscriptionServiceTest, EngineErrorsBecomeTheRecordingsFailure) {
    engine->failure = std::make_exception_ptr(TranscriptionError::engineFailed("decoder broke"));
    auto item = makeItem();
    service->start(item, TranscriptionLanguage::english);
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(failure(item.id), "The transcription stopped because of an error. Try again; if "
                                "it fails again, email " +
                                    BundleInfo::supportEmail() +
                                    " with this message. (Transcription failed: decoder broke)");
    EXPECT_TRUE(service->savedTranscripts().empty());
}

TEST_F(TranscriptionServiceTest, EngineCancellingItselfIsNotAFailure) {
    engine->failure = std::make_exception_ptr(CancellationError());
    auto item = makeItem();
    service->start(item, TranscriptionLanguage::english);
    ASSERT_TRUE(waitForIdle());
    EXPECT_TRUE(service->failures().empty());
}

TEST_F(TranscriptionServiceTest, RecordingDeletedWhileTranscribingEndsSilently) {
    engine->holdUntilReleased = true;
    auto item = makeItem();
    service->start(item, TranscriptionLanguage::english);
    ASSERT_TRUE(engine->waitUntilStarted());
    std::filesystem::remove_all(library.itemFolderURL(item.id));
    engine->release();
    ASSERT_TRUE(waitForIdle());
    EXPECT_TRUE(service->failures().empty());
    EXPECT_TRUE(service->savedTranscripts().empty());
    EXPECT_FALSE(std::filesystem::exists(library.itemFolderURL(item.id)));
}

TEST_F(TranscriptionServiceTest, AFailedSaveIsReportedWithTheFileSystemsReason) {
    engine->holdUntilReleased = true;
    auto item = makeItem();
    service->start(item, TranscriptionLanguage::english);
    std::optional<std::string> message;
    {
        test::FailingFileWrites failingWrites;
        engine->release();
        ASSERT_TRUE(waitForIdle());
        message = failure(item.id);
    }
    ASSERT_TRUE(message);
    EXPECT_TRUE(
        message->starts_with("The transcript couldn't be saved. Check that this computer has "
                             "enough free disk space, then try again. (“"))
        << *message;
    EXPECT_TRUE(message->ends_with(")")) << *message;
    EXPECT_TRUE(service->savedTranscripts().empty());
    EXPECT_FALSE(std::filesystem::exists(service->transcripts().fileURL(item.id)));
}

TEST_F(TranscriptionServiceTest, DestroyingTheServiceStopsARunningJob) {
    engine->holdUntilReleased = true;
    engine->reports = {{Phase::transcribing, 1, 2, 5.0, {}}};
    service->start(makeItem(), TranscriptionLanguage::english);
    ASSERT_TRUE(engine->waitUntilStarted());
    service.reset();
    // Reports still queued for the destroyed service must be dropped, not delivered.
    QCoreApplication::processEvents();
    EXPECT_EQ(engine->calls(), 1);
}

struct JobEndCase {
    const char* name;
    enum class End { saved, cancelled, failed, interrupted, processGone } end;
    bool kept;    // the work of the finished chunks stays beside the recording
    bool resumed; // the next launch carries the job on by itself
};

class JobEnds : public TranscriptionServiceTest, public testing::WithParamInterface<JobEndCase> {};

// The job's first chunk is written down; how the job then ends decides whether the next
// service (the next launch) carries it on from there, and a job that does carries on with
// the kept segments and removes the checkpoint once its transcript is saved.
TEST_P(JobEnds, KeepTheFinishedChunksOnlyWhenTheJobWasStoppedWithoutBeingDone) {
    using End = JobEndCase::End;
    const PartialTranscript work{1, {{0, 1, " Ahoj ", {SegmentDoubt::littleSpeech}}}, {{0.5, 1}}};
    engine->reports = {{Phase::transcribing, 1, 2, std::nullopt, work.segments, work}};
    engine->holdUntilReleased = true;
    if (GetParam().end == End::failed) {
        engine->failure = std::make_exception_ptr(TranscriptionError::engineFailed("broke"));
    }
    const auto item = makeItem();
    const TranscriptionCheckpointStore checkpoints(library);
    service->start(item, TranscriptionLanguage::czech);
    ASSERT_TRUE(test::waitUntil([&] { return checkpoints.load(item.id).has_value(); }));
    switch (GetParam().end) {
    case End::saved:
    case End::failed:
        engine->release();
        break;
    case End::cancelled:
        service->cancel();
        break;
    case End::interrupted:
        service->interrupt();
        break;
    case End::processGone:
        service.reset();
        break;
    }
    if (service) {
        ASSERT_TRUE(waitForIdle());
        EXPECT_FALSE(service->resume(item)); // the job ended, or the application is quitting
    }
    const auto kept = checkpoints.load(item.id);
    ASSERT_EQ(kept.has_value(), GetParam().kept);
    if (kept) {
        EXPECT_EQ(kept->work, work);
        EXPECT_EQ(kept->interrupted, GetParam().resumed);
    }

    engine = std::make_shared<test::ScriptedTranscriptionEngine>();
    TranscriptionService next(library, [this] { return engine; });
    EXPECT_EQ(next.resume(item), GetParam().resumed);
    if (!next.isRunning()) {
        next.start(item, TranscriptionLanguage::czech);
    }
    ASSERT_TRUE(next.job());
    EXPECT_EQ(next.job()->resumedFrom, kept ? std::optional(work.position) : std::nullopt);
    EXPECT_EQ(next.job()->segments, kept ? work.segments : std::vector<TranscriptSegment>{});
    EXPECT_EQ(next.job()->fractionCompleted, kept ? 0.5 : 0);
    if (kept) {
        // Taken up: a job that never ends cleanly is not carried on at every launch.
        EXPECT_FALSE(checkpoints.load(item.id)->interrupted);
    }
    ASSERT_TRUE(test::waitUntil([&] { return !next.isRunning(); }));
    EXPECT_EQ(engine->options()->resumeFrom, kept ? std::optional(work) : std::nullopt);
    EXPECT_TRUE(next.transcripts().load(item.id));
    EXPECT_FALSE(checkpoints.load(item.id));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JobEnds,
    testing::Values(JobEndCase{"Saved", JobEndCase::End::saved, false, false},
                    JobEndCase{"CancelledByTheUser", JobEndCase::End::cancelled, false, false},
                    JobEndCase{"Failed", JobEndCase::End::failed, false, false},
                    JobEndCase{"InterruptedByQuitting", JobEndCase::End::interrupted, true, true},
                    JobEndCase{"ProcessGone", JobEndCase::End::processGone, true, false}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace bw
