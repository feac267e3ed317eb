#include "app/app_model.h"
#include "fakes/fake_audio_input_source.h"
#include "fakes/fake_audio_player.h"
#include "fakes/fake_microphone_access.h"
#include "fakes/fake_program_launcher.h"
#include "fakes/memory_user_defaults.h"
#include "fakes/scripted_transcription_engine.h"
#include "library/library_test_support.h"
#include "platform/file_lock.h"
#include "platform/library_location.h"
#include "recording/captured_audio.h"
#include "support/core_application.h"
#include "support/scoped_environment.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

namespace bw {
namespace {

using Phase = RecorderModel::Phase;
using Clock = std::chrono::steady_clock;

const CaptureFormat stereo48k{CaptureFormat::SampleType::signedInt16LittleEndian, 48000, 2};

// An engine that remembers how it was shut down and, like the real one, lets its model go
// only once the running transcription has ended (or the time is up).
class ShutdownEngine : public test::ScriptedTranscriptionEngine {
public:
    Transcript transcribe(const std::filesystem::path& file, const TranscriptionOptions& options,
                          const ProgressHandler& progress, std::stop_token stop) override {
        running = true;
        struct Done {
            std::atomic<bool>& flag;
            ~Done() { flag = false; }
        } done{running};
        return ScriptedTranscriptionEngine::transcribe(file, options, progress, stop);
    }
    bool shutdown(double timeoutSeconds) override {
        shutdowns.push_back(timeoutSeconds);
        const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
        while (running && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return !running;
    }
    std::atomic<bool> running = false;
    std::vector<double> shutdowns;
};

class AppModelTest : public testing::Test {
protected:
    AppModelTest() {
        test::coreApplication();
        engine = std::make_shared<ShutdownEngine>();
        engine->holdUntilReleased = true;
        AppModel::Services services;
        auto access = std::make_unique<FakeMicrophoneAccess>();
        auto launcher = std::make_unique<FakeProgramLauncher>();
        m_access = access.get();
        m_launcher = launcher.get();
        services.defaults = std::make_unique<MemoryUserDefaults>();
        services.microphoneAccess = std::move(access);
        services.launcher = std::move(launcher);
        services.listDevices = [] { return std::vector<AudioInputDevice>{}; };
        services.makeSource = [this](const std::optional<AudioInputDevice>&) {
            source = std::make_shared<FakeAudioInputSource>();
            return source;
        };
        services.makeEngine = [this]() -> std::shared_ptr<TranscriptionEngine> {
            ++engineMade;
            return engine;
        };
        services.makePlayer = players.factory();
        app = std::make_unique<AppModel>(LibraryStore(root.path()), std::move(services));
        app->requests().setPresentMainWindow([this] { ++presented; });
    }

    // A finished one-second recording made through the application model.
    LibraryItem record() {
        const Uuid id = startRecording();
        app->recorder().stop();
        return app->library().item(id).value();
    }

    Uuid startRecording() {
        app->actions().startRecording();
        EXPECT_EQ(app->recorder().phase(), Phase::recording);
        test::sine(stereo48k, 1.0, 440, 0.5).deliver([this](const CaptureBuffer& buffer) {
            source->deliver(buffer);
        });
        EXPECT_TRUE(test::waitUntil([&] { return app->recorder().duration() > 0.9; }));
        return app->recorder().activeItemID().value();
    }

    LibraryItem onDisk(const Uuid& id) { return app->library().store().item(id); }

    test::TemporaryFolder root;
    std::shared_ptr<ShutdownEngine> engine;
    int engineMade = 0;
    FakeAudioPlayers players;
    std::shared_ptr<FakeAudioInputSource> source;
    int presented = 0;
    FakeMicrophoneAccess* m_access = nullptr;
    FakeProgramLauncher* m_launcher = nullptr;
    std::unique_ptr<AppModel> app;
};

TEST_F(AppModelTest, StartingWhileRecordingDoesNothingAndAFailedStartShowsTheWindow) {
    const Uuid id = startRecording();
    app->actions().startRecording();
    EXPECT_EQ(app->recorder().activeItemID(), id);
    EXPECT_EQ(app->library().items().size(), 1u);
    EXPECT_EQ(presented, 0);
    app->recorder().stop();

    m_access->current = MicrophoneAccessStatus::denied;
    app->actions().startRecording();
    EXPECT_EQ(app->recorder().phase(), Phase::idle);
    EXPECT_TRUE(app->alerts().alert().has_value());
    EXPECT_EQ(presented, 1);
    EXPECT_EQ(app->library().items().size(), 1u);
}

TEST_F(AppModelTest, DeletingUnloadsThePlayerOnlyForItsOwnRecording) {
    const LibraryItem loaded = record();
    const LibraryItem other = record();
    const auto audio = app->library().store().audioFileURL(loaded);
    app->player().load(audio);

    app->actions().deleteItem(other.id);
    EXPECT_EQ(app->player().url(), audio);
    EXPECT_FALSE(app->library().item(other.id));

    app->actions().deleteItem(loaded.id);
    EXPECT_EQ(app->player().url(), std::nullopt);
    EXPECT_FALSE(app->library().item(loaded.id));
    EXPECT_FALSE(std::filesystem::exists(audio));
    EXPECT_FALSE(app->alerts().alert());
}

TEST_F(AppModelTest, DeletingATranscribingRecordingCancelsItsTranscription) {
    const LibraryItem item = record();
    EXPECT_EQ(engineMade, 0); // no engine until the first transcription
    app->transcription().start(item, TranscriptionLanguage::english);
    ASSERT_TRUE(engine->waitUntilStarted());
    EXPECT_EQ(engineMade, 1);

    app->actions().deleteItem(item.id);
    ASSERT_TRUE(test::waitUntil([&] { return !app->transcription().isRunning(); }));
    EXPECT_TRUE(app->transcription().failures().empty());
    EXPECT_FALSE(app->library().item(item.id));
    EXPECT_FALSE(std::filesystem::exists(app->library().store().itemFolderURL(item.id)));
}

TEST_F(AppModelTest, QuittingDuringARecordingFinishesItsItem) {
    const Uuid id = startRecording();
    app->prepareToQuit();
    EXPECT_EQ(app->recorder().phase(), Phase::idle);
    const LibraryItem item = onDisk(id);
    EXPECT_EQ(item.state, LibraryItem::State::complete);
    EXPECT_NEAR(item.duration, 1.0, 0.05);
    EXPECT_FALSE(FileLock::isHeld(app->library().store().recordingLockURL(id)));
    EXPECT_TRUE(engine->shutdowns.empty()); // no engine was made, none to shut down
}

TEST_F(AppModelTest, QuittingStopsPlaybackAndSavesTheOpenTranscript) {
    const LibraryItem item = record();
    const TranscriptStore transcripts(app->library().store());
    Transcript transcript;
    transcript.segments = {{0, 1, "Hello."}};
    transcripts.save(TranscriptDocument(transcript, std::chrono::system_clock::now()), item.id);
    app->openTranscript().showItem(item.id);
    TranscriptEditorModel* editor = app->openTranscript().editor();
    ASSERT_NE(editor, nullptr);
    editor->setText("Hello there.", 0);
    app->player().load(app->library().store().audioFileURL(item));
    app->player().togglePlayback();
    ASSERT_TRUE(app->player().isPlaying());

    app->prepareToQuit();
    EXPECT_FALSE(app->player().isPlaying());
    EXPECT_FALSE(editor->hasUnsavedChanges());
    EXPECT_EQ(transcripts.load(item.id)->segments[0].text, "Hello there.");

    app->openTranscript().showItem(std::nullopt); // a transcript closed meanwhile is forgotten
    app->prepareToQuit();
}

// Whether the engine's running transcription stops when cancelled, or keeps it past the
// shutdown's time limit.
class QuittingDuringATranscription : public AppModelTest,
                                     public testing::WithParamInterface<bool> {};

TEST_P(QuittingDuringATranscription, CancelsItAndShutsTheEngineDownWithinThreeSeconds) {
    const bool stuck = GetParam();
    engine->ignoresCancellation = stuck;
    const LibraryItem item = record();
    app->transcription().start(item, TranscriptionLanguage::english);
    ASSERT_TRUE(engine->waitUntilStarted());

    const auto began = Clock::now();
    app->prepareToQuit();
    const auto waited = Clock::now() - began;
    EXPECT_EQ(engine->shutdowns, std::vector<double>{3.0});
    EXPECT_LT(waited, std::chrono::seconds(10));
    // A cancelled run ends before the engine lets go; a stuck one is waited for 3 seconds.
    EXPECT_EQ(engine->running, stuck);
    if (stuck) {
        EXPECT_GE(waited, std::chrono::milliseconds(2900));
        engine->release();
    }

    ASSERT_TRUE(test::waitUntil([&] { return !app->transcription().isRunning(); }));
    EXPECT_TRUE(app->transcription().failures().empty());
    if (!stuck) {
        EXPECT_FALSE(std::filesystem::exists(app->transcription().transcripts().fileURL(item.id)));
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, QuittingDuringATranscription, testing::Bool(),
                         [](const auto& info) { return info.param ? "Stuck" : "Cancellable"; });

TEST_F(AppModelTest, MicrophoneSettingsOpenTheFirstToolThatIsInstalled) {
    struct Case {
        std::set<std::string> installed;
        std::vector<std::string> launched;
    };
    const std::vector<Case> cases{
        {{"pavucontrol", "xdg-open"}, {"pavucontrol --tab=4"}},
        {{"xdg-open"}, {"xdg-open settings://sound"}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        m_launcher->installed = c.installed;
        m_launcher->launched.clear();
        app->actions().openMicrophoneSettings();
        EXPECT_EQ(m_launcher->launched, c.launched) << c.installed.size();
    }
}

TEST_F(AppModelTest, DiagnosticsAndImporterSignalOnlyRealChanges) {
    record();
    QSignalSpy diagnostics(&app->requests(), &WindowRequests::diagnosticsChanged);
    QSignalSpy importer(&app->requests(), &WindowRequests::isImporterPresentedChanged);

    m_access->current = MicrophoneAccessStatus::denied;
    app->actions().showDiagnostics();
    ASSERT_TRUE(app->requests().diagnostics());
    EXPECT_EQ(app->requests().diagnostics()->itemCount, 1);
    EXPECT_EQ(app->requests().diagnostics()->recordedCount, 1);
    EXPECT_EQ(app->requests().diagnostics()->microphoneAccess, MicrophoneAccessStatus::denied);
    app->requests().setDiagnostics(app->requests().diagnostics());
    app->requests().setDiagnostics(std::nullopt);
    EXPECT_EQ(diagnostics.count(), 2);

    app->requests().setImporterPresented(false);
    app->requests().setImporterPresented(true);
    app->requests().setImporterPresented(true);
    EXPECT_EQ(importer.count(), 1);
}

TEST(AppModelLiveTest, WithoutItsLibraryFolderTheAppWorksInTheTemporaryOneAndSaysSo) {
    test::coreApplication();
    test::TemporaryFolder home;
    const auto blocked = home.path() / "data";
    test::writeText(blocked, "a file where the data folder should be");
    test::ScopedEnvironment data("XDG_DATA_HOME", blocked.string());
    test::ScopedEnvironment config("XDG_CONFIG_HOME", (home.path() / "config").string());
    test::ScopedEnvironment temporary("TMPDIR", home.path().string());

    const auto app = AppModel::live();
    EXPECT_EQ(app->library().store().rootURL(), temporaryLibraryRoot());
    ASSERT_TRUE(app->alerts().alert());
    EXPECT_EQ(app->alerts().alert()->title, "Brindlewick couldn't open its library");
    EXPECT_TRUE(app->alerts().alert()->message.starts_with("Until this is fixed, new recordings "
                                                           "go to a temporary folder"))
        << app->alerts().alert()->message;
    EXPECT_FALSE(app->transcription().engine()); // no model is loaded before a transcription
    EXPECT_EQ(app->recorder().phase(), Phase::idle);
}

} // namespace
} // namespace bw
