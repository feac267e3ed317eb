#include "fakes/fake_audio_input_source.h"
#include "fakes/fake_microphone_access.h"
#include "fakes/memory_user_defaults.h"
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "library/library_test_support.h"
#include "library/support_texts.h"
#include "platform/app_settings.h"
#include "platform/audio_file_info.h"
#include "platform/audio_input_error.h"
#include "platform/file_lock.h"
#include "recording/captured_audio.h"
#include "recording/recorder_error.h"
#include "recording/recorder_model.h"
#include "support/core_application.h"

#include <gtest/gtest.h>

#include <semaphore>

namespace bw {
namespace {

using Phase = RecorderModel::Phase;
using SampleType = CaptureFormat::SampleType;

const CaptureFormat stereo48k{SampleType::signedInt16LittleEndian, 48000, 2};
const std::string diskMessage =
    "Brindlewick couldn't save more audio, possibly because the disk is full. Everything "
    "recorded up to that point is kept. Free up disk space before you record again.";
const std::string microphoneMessage =
    "The microphone was disconnected or changed. Everything recorded up to that point is kept. "
    "To continue, start a new recording.";

class RecorderModelTest : public ::testing::Test {
protected:
    RecorderModelTest() { test::coreApplication(); }

    RecorderModel& recorder() {
        if (!m_recorder) {
            m_recorder = std::make_unique<RecorderModel>(
                library, navigation, alertCentre, access, &defaults, [this] { return devices; },
                [this](const std::optional<AudioInputDevice>& device) {
                    requestedDevices.push_back(device);
                    return source;
                });
            QObject::connect(&alertCentre, &AlertCentre::alertChanged, [this] {
                if (alertCentre.alert()) {
                    alerts.push_back(*alertCentre.alert());
                }
            });
        }
        return *m_recorder;
    }

    Uuid startRecording() {
        recorder().start(std::chrono::system_clock::now());
        EXPECT_EQ(recorder().phase(), Phase::recording);
        return recorder().activeItemID().value();
    }

    void deliver(double seconds) {
        test::sine(stereo48k, seconds, 440, 0.5).deliver([this](const CaptureBuffer& buffer) {
            source->deliver(buffer);
        });
    }

    LibraryItem itemOnDisk(const Uuid& id) { return library.store().item(id); }

    test::TemporaryFolder root;
    AlertCentre alertCentre;
    LibraryModel library{LibraryStore(root.path()), alertCentre};
    LibraryNavigation navigation{library, nullptr};
    FakeMicrophoneAccess access;
    MemoryUserDefaults defaults;
    std::vector<AudioInputDevice> devices{{1, "built-in", "Built-in Microphone"},
                                          {5, "usb", "USB Microphone"}};
    std::shared_ptr<FakeAudioInputSource> source = std::make_shared<FakeAudioInputSource>();
    std::vector<std::optional<AudioInputDevice>> requestedDevices;
    std::vector<AppAlert> alerts;

private:
    std::unique_ptr<RecorderModel> m_recorder;
};

TEST_F(RecorderModelTest, RecordsIntoANewItemHeldByItsLockUntilStopped) {
    const Uuid id = startRecording();
    const LibraryItem item = itemOnDisk(id);
    EXPECT_EQ(item.state, LibraryItem::State::recording);
    EXPECT_TRUE(item.title.starts_with("Recording ")) << item.title;
    EXPECT_EQ(library.activeRecordingID(), id);
    EXPECT_EQ(navigation.selection(), id);
    EXPECT_TRUE(FileLock::isHeld(library.store().recordingLockURL(id)));
    EXPECT_THROW(recorder().start(std::chrono::system_clock::now()), RecorderError);

    // Another process opening the library leaves the recording alone.
    AlertCentre elsewhereAlerts;
    LibraryModel elsewhere(LibraryStore(root.path()), elsewhereAlerts);
    EXPECT_EQ(itemOnDisk(id).state, LibraryItem::State::recording);

    deliver(1.0);
    ASSERT_TRUE(test::waitUntil([&] { return recorder().duration() > 0.9; }));
    EXPECT_GT(recorder().level(), 0.5f);

    deliver(0.5); // its progress arrives only after the stop
    recorder().stop();
    const double duration = recorder().duration();
    EXPECT_NEAR(duration, 1.5, 0.01);
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder().duration(), duration);
    EXPECT_EQ(recorder().level(), 0);
    EXPECT_EQ(recorder().phase(), Phase::idle);
    EXPECT_EQ(recorder().activeItemID(), std::nullopt);

    const LibraryItem finished = itemOnDisk(id);
    EXPECT_EQ(finished.state, LibraryItem::State::complete);
    EXPECT_EQ(finished.duration, duration);
    EXPECT_NEAR(AudioFileInfo::of(library.store().audioFileURL(finished)).duration, duration, 1e-9);
    EXPECT_FALSE(FileLock::isHeld(library.store().recordingLockURL(id)));
    EXPECT_TRUE(alerts.empty());
}

struct StartFailure {
    std::string name;
    MicrophoneAccessStatus access;
    bool answer;
    std::exception_ptr sourceError;
    RecorderError::Kind kind;
    std::string title;
    std::string message;
    std::optional<AppAlert::Action> action;
    friend void PrintTo(const StartFailure& c, std::ostream* out) { *out << c.name; }
};

class FailedStart : public RecorderModelTest, public ::testing::WithParamInterface<StartFailure> {};

TEST_P(FailedStart, LeavesNothingBehindAndReportsTheCause) {
    const auto& c = GetParam();
    access.current = c.access;
    access.answer = c.answer;
    source->startError = c.sourceError;
    try {
        recorder().start(std::chrono::system_clock::now());
        FAIL() << "the start succeeded";
    } catch (const RecorderError& error) {
        EXPECT_EQ(error.kind(), c.kind);
        recorder().report(error);
    }
    EXPECT_EQ(recorder().phase(), Phase::idle);
    EXPECT_EQ(library.activeRecordingID(), std::nullopt);
    EXPECT_TRUE(library.items().empty());
    EXPECT_TRUE(library.store().loadItems().empty());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, c.title);
    EXPECT_EQ(alerts[0].message, c.message);
    EXPECT_EQ(alerts[0].action, c.action);
}

TEST_P(FailedStart, InTheBackgroundEndsTheSameWay) {
    const auto& c = GetParam();
    access.current = c.access;
    access.answer = c.answer;
    source->startError = c.sourceError;
    int finished = 0;
    QObject::connect(&recorder(), &RecorderModel::startFinished, [&] { ++finished; });
    recorder().requestStart(std::chrono::system_clock::now());
    EXPECT_EQ(recorder().phase(), Phase::starting);
    ASSERT_TRUE(test::waitUntil([&] { return finished == 1; }));
    EXPECT_EQ(recorder().phase(), Phase::idle);
    EXPECT_TRUE(library.store().loadItems().empty());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, c.title);
    EXPECT_EQ(alerts[0].message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    RecorderModel, FailedStart,
    ::testing::Values(
        StartFailure{"AccessDenied", MicrophoneAccessStatus::denied, true, nullptr,
                     RecorderError::Kind::microphoneDenied, "Microphone access is off",
                     "Allow Brindlewick to use the microphone in System Settings › Privacy & "
                     "Security › Microphone, then try again.",
                     AppAlert::Action::openMicrophoneSettings},
        StartFailure{"AccessRefusedWhenAsked", MicrophoneAccessStatus::undetermined, false, nullptr,
                     RecorderError::Kind::microphoneDenied, "Microphone access is off",
                     "Allow Brindlewick to use the microphone in System Settings › Privacy & "
                     "Security › Microphone, then try again.",
                     AppAlert::Action::openMicrophoneSettings},
        StartFailure{
            "NoUsableInput", MicrophoneAccessStatus::undetermined, true,
            std::make_exception_ptr(AudioInputError(AudioInputError::Kind::noInputAvailable)),
            RecorderError::Kind::noInputAvailable, "No microphone available",
            "Connect a microphone or choose another one, then try again.", std::nullopt},
        StartFailure{"EngineRefused", MicrophoneAccessStatus::granted, true,
                     std::make_exception_ptr(std::runtime_error("Connection refused")),
                     RecorderError::Kind::couldNotStart, "The recording couldn't start",
                     "Check that the microphone is connected and this computer has enough free "
                     "disk space, then try again. " +
                         supportSentence() + " (Connection refused)",
                     std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST_F(RecorderModelTest, ABackgroundStartLeavesTheMainThreadFreeAndStopWaitsForIt) {
    for (const bool stopWhileStarting : {false, true}) {
        std::binary_semaphore release(0);
        auto started = std::make_shared<FakeAudioInputSource>();
        int finished = 0;
        RecorderModel model(
            library, navigation, alertCentre, access, &defaults, [this] { return devices; },
            [&](const std::optional<AudioInputDevice>&) {
                release.acquire(); // the sound server taking its time
                return started;
            });
        QObject::connect(&model, &RecorderModel::startFinished, [&] { ++finished; });
        model.requestStart(std::chrono::system_clock::now());
        // The main thread's events go on while the stream starts.
        ASSERT_TRUE(test::waitUntil([&] { return library.activeRecordingID().has_value(); }));
        EXPECT_EQ(model.phase(), Phase::starting);
        // One recording in progress from the moment the library lists it: the list's dot and
        // the refused Delete read the same.
        EXPECT_EQ(model.activeItemID(), library.activeRecordingID());
        release.release();
        if (stopWhileStarting) {
            model.stop();
        } else {
            ASSERT_TRUE(test::waitUntil([&] { return finished == 1; }));
            EXPECT_EQ(model.phase(), Phase::recording);
            EXPECT_TRUE(started->running);
            model.stop();
        }
        EXPECT_EQ(model.phase(), Phase::idle);
        EXPECT_FALSE(started->running);
        EXPECT_EQ(library.activeRecordingID(), std::nullopt);
        QCoreApplication::processEvents(); // a late report of the settled start changes nothing
        EXPECT_EQ(model.phase(), Phase::idle);
    }
    EXPECT_EQ(library.store().loadItems().size(), 2u) << "each start kept its recording";
    EXPECT_TRUE(alerts.empty());
}

TEST_F(RecorderModelTest, PausingDropsAudioAndAFailedResumeStopsWithTheMicrophoneMessage) {
    const Uuid id = startRecording();
    deliver(1.0);
    ASSERT_TRUE(test::waitUntil([&] { return recorder().duration() > 0.9; }));
    recorder().pause();
    EXPECT_EQ(recorder().level(), 0);
    EXPECT_EQ(recorder().phase(), Phase::paused);
    deliver(1.0);
    QCoreApplication::processEvents();
    EXPECT_NEAR(recorder().duration(), 1.0, 0.05); // less the resampler's delay

    source->resumeError =
        std::make_exception_ptr(AudioInputError(AudioInputError::Kind::deviceUnavailable));
    recorder().resume();
    EXPECT_EQ(recorder().phase(), Phase::idle);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "The recording stopped");
    EXPECT_EQ(alerts[0].message, microphoneMessage);
    EXPECT_EQ(itemOnDisk(id).state, LibraryItem::State::complete);
    EXPECT_NEAR(itemOnDisk(id).duration, 1.0, 0.01);
}

TEST_F(RecorderModelTest, ASourceThatStopsByItselfEndsTheRecordingWithItsAudio) {
    const Uuid id = startRecording();
    deliver(0.5);
    source->stopByItself();
    ASSERT_TRUE(test::waitUntil([&] { return recorder().phase() == Phase::idle; }));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, microphoneMessage);
    EXPECT_NEAR(itemOnDisk(id).duration, 0.5, 0.01);
    EXPECT_EQ(itemOnDisk(id).state, LibraryItem::State::complete);
}

TEST_F(RecorderModelTest, AFullDiskStopsTheRecordingWithOneAlertAndKeepsTheAudio) {
    const Uuid id = startRecording();
    {
        // Room for half a second of audio after the header; item.json is far smaller.
        test::FailingFileWrites fullDisk(CafWriter::headerSize + 16000);
        deliver(2.0);
    }
    ASSERT_TRUE(test::waitUntil([&] { return recorder().phase() == Phase::idle; }));
    deliver(0.5);
    QCoreApplication::processEvents();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "The recording stopped");
    EXPECT_EQ(alerts[0].message, diskMessage);
    const LibraryItem item = itemOnDisk(id);
    EXPECT_EQ(item.state, LibraryItem::State::complete);
    EXPECT_GT(item.duration, 0.3);
    EXPECT_LE(item.duration, 0.5);
    EXPECT_NEAR(AudioFileInfo::of(library.store().audioFileURL(item)).duration, item.duration,
                1e-9);
}

TEST_F(RecorderModelTest, ARememberedMicrophoneIsUsedWhenConnectedAndKeptWhenNot) {
    defaults.values[std::string(AppSettings::inputDeviceKey)] = "usb";
    EXPECT_EQ(recorder().selectedDeviceUID(), "usb");
    startRecording();
    recorder().stop();
    devices.pop_back(); // unplugged
    startRecording();
    recorder().stop();
    ASSERT_EQ(requestedDevices.size(), 2u);
    EXPECT_EQ(requestedDevices[0], (AudioInputDevice{5, "usb", "USB Microphone"}));
    EXPECT_EQ(requestedDevices[1], std::nullopt) << "the default input stands in";
    EXPECT_EQ(defaults.values[std::string(AppSettings::inputDeviceKey)], "usb");

    recorder().setSelectedDeviceUID(std::nullopt);
    EXPECT_EQ(RecorderModel(library, navigation, alertCentre, access, &defaults, {}, {})
                  .selectedDeviceUID(),
              std::nullopt);
}

} // namespace
} // namespace bw
