// Capture against a real sound server: a private PulseAudio daemon with a pipe source fed with
// speech, driven through the recorder model and through the "record" command.
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "platform/audio_file_info.h"
#include "platform/audio_input_devices.h"
#include "platform/caf_writer.h"
#include "platform/system_microphone_access.h"
#include "recording/captured_audio.h"
#include "recording/recorder_model.h"
#include "support/core_application.h"
#include "support/pulse_server.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <numeric>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bw {
namespace {

namespace fs = std::filesystem;
using Phase = RecorderModel::Phase;

const std::string microphoneMessage =
    "The microphone was disconnected or changed. Everything recorded up to that point is kept. "
    "To continue, start a new recording.";

std::vector<unsigned char> readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Speech followed by half a second of silence: 48 kHz stereo bytes to feed, and the same at
// 16 kHz mono to compare with.
struct Speech {
    std::vector<unsigned char> feed;
    std::vector<float> reference;
};

Speech makeSpeech() {
    test::TemporaryFolder folder;
    const auto wav = folder / "speech.wav";
    const auto feed = folder / "feed.raw";
    const auto reference = folder / "reference.f32";
    test::runShell("espeak-ng -w '" + wav.string() +
                   "' 'The quick brown fox jumps over the lazy dog. Recording works.' 2>/dev/null");
    test::runShell("sox '" + wav.string() + "' -r 48000 -c 2 -b 16 -e signed -t raw '" +
                   feed.string() + "' pad 0 0.5 2>/dev/null");
    test::runShell("sox '" + wav.string() + "' -r 16000 -c 1 -t f32 '" + reference.string() +
                   "' pad 0 0.5 2>/dev/null");
    Speech speech{readBytes(feed), {}};
    // The feeder plays whole 20 ms chunks; the loop is that long.
    speech.feed.resize(speech.feed.size() / 3840 * 3840);
    auto floats = readBytes(reference);
    speech.reference.resize(speech.feed.size() / 12);
    std::memcpy(speech.reference.data(), floats.data(),
                std::min(floats.size(), speech.reference.size() * 4));
    return speech;
}

// RMS of every 20 ms of 16 kHz audio.
std::vector<double> envelope(const std::vector<float>& samples) {
    std::vector<double> windows;
    for (std::size_t start = 0; start + 320 <= samples.size(); start += 320) {
        double energy = 0;
        for (std::size_t i = start; i < start + 320; ++i) {
            energy += double(samples[i]) * samples[i];
        }
        windows.push_back(std::sqrt(energy / 320));
    }
    return windows;
}

// The best correlation of the recording's envelope with the looped speech's, over every offset.
double bestCorrelation(const std::vector<float>& recorded, const std::vector<float>& loop) {
    const auto a = envelope(recorded);
    const auto b = envelope(loop);
    double best = -1;
    for (std::size_t lag = 0; lag < b.size(); ++lag) {
        double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const double x = a[i];
            const double y = b[(i + lag) % b.size()];
            sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y;
        }
        const double n = double(a.size());
        const double covariance = sab - sa * sb / n;
        const double spread = std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
        if (spread > 0) {
            best = std::max(best, covariance / spread);
        }
    }
    return best;
}

class PulseCaptureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { speech = new Speech(makeSpeech()); }
    static void TearDownTestSuite() { delete speech; }

    void SetUp() override {
        test::coreApplication();
        server = std::make_unique<test::PulseServer>(speech->feed);
        ASSERT_TRUE(server->isRunning()) << server->log();
        library = std::make_unique<LibraryModel>(LibraryStore(root / "Library"), alerts);
        navigation = std::make_unique<LibraryNavigation>(*library, nullptr);
        recorder = std::make_unique<RecorderModel>(*library, *navigation, alerts, access, nullptr,
                                                   &AudioInputDevices::available,
                                                   &makeSystemMicrophoneSource);
    }

    void TearDown() override {
        recorder.reset();
        navigation.reset();
        library.reset();
        server.reset();
    }

    Uuid startRecording() {
        recorder->start(std::chrono::system_clock::now());
        EXPECT_EQ(recorder->phase(), Phase::recording);
        return recorder->activeItemID().value();
    }

    bool recordedAtLeast(double seconds) {
        return test::waitUntil([&] { return recorder->duration() >= seconds; }, 30000);
    }

    std::optional<AppAlert> alertAfterStopping() {
        EXPECT_TRUE(test::waitUntil([&] { return recorder->phase() == Phase::idle; }, 30000));
        return alerts.alert();
    }

    static Speech* speech;
    test::TemporaryFolder root;
    AlertCentre alerts;
    std::unique_ptr<test::PulseServer> server;
    SystemMicrophoneAccess access;
    std::unique_ptr<LibraryModel> library;
    std::unique_ptr<LibraryNavigation> navigation;
    std::unique_ptr<RecorderModel> recorder;
};

Speech* PulseCaptureTest::speech = nullptr;

TEST_F(PulseCaptureTest, ListsTheSourcesThatCanRecordAndTheDefault) {
    const long mic = server->sourceIndex("mic");
    const auto devices = AudioInputDevices::available();
    ASSERT_EQ(devices.size(), 1u) << "the null sink's monitor is never offered";
    EXPECT_EQ(devices[0].uid, "mic");
    EXPECT_EQ(long(devices[0].id), mic);
    EXPECT_EQ(AudioInputDevices::defaultInput(), std::optional<std::uint32_t>(mic));
    EXPECT_EQ(AudioInputDevices::inputChannelCount(devices[0].id), 2);
    EXPECT_TRUE(AudioInputDevices::canRecord(devices[0].id));
    EXPECT_FALSE(AudioInputDevices::canRecord(4000));
    EXPECT_EQ(access.status(), MicrophoneAccessStatus::granted);
}

TEST_F(PulseCaptureTest, RecordsTheSpeechFedToTheDefaultSource) {
    const Uuid id = startRecording();
    ASSERT_TRUE(recordedAtLeast(3.0));
    EXPECT_GT(recorder->level(), 0.0f);
    recorder->stop();

    const LibraryItem item = library->store().item(id);
    EXPECT_EQ(item.state, LibraryItem::State::complete);
    const auto file = library->store().audioFileURL(item);
    const auto info = AudioFileInfo::of(file);
    EXPECT_EQ(info.sampleRate, 16000);
    EXPECT_EQ(info.channelCount, 1);
    EXPECT_NEAR(info.duration, 3.0, 0.3);
    EXPECT_NEAR(item.duration, info.duration, 1e-9);
    EXPECT_GT(bestCorrelation(test::decodedSamples(file), speech->reference), 0.8);
    EXPECT_EQ(alerts.alert(), std::nullopt);
}

TEST_F(PulseCaptureTest, ANewDefaultSourceRestartsTheRecordingOnItsOwnDevice) {
    ASSERT_FALSE(server->pactl("load-module module-null-source source_name=other").empty());
    server->pactl("set-default-source mic"); // the server may prefer the new one
    const long mic = server->sourceIndex("mic");
    const Uuid id = startRecording();
    ASSERT_TRUE(recordedAtLeast(0.5));
    const auto before = server->sourceOutputs();
    ASSERT_EQ(before.size(), 1u);

    server->pactl("set-default-source other");
    ASSERT_TRUE(test::waitUntil(
        [&] {
            auto now = server->sourceOutputs();
            return now.size() == 1 && now[0].first != before[0].first;
        },
        30000))
        << "the recording did not restart";
    EXPECT_EQ(server->sourceOutputs()[0].second, mic);
    const double restartedAt = recorder->duration();
    ASSERT_TRUE(recordedAtLeast(restartedAt + 1.0));
    EXPECT_EQ(recorder->phase(), Phase::recording);
    recorder->stop();
    EXPECT_EQ(alerts.alert(), std::nullopt);
    EXPECT_EQ(library->store().item(id).state, LibraryItem::State::complete);
}

TEST_F(PulseCaptureTest, RemovingTheSourceStopsTheRecordingAndKeepsItsAudio) {
    const Uuid id = startRecording();
    ASSERT_TRUE(recordedAtLeast(1.0));
    server->pactl("unload-module " + server->micModule());
    auto alert = alertAfterStopping();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, "The recording stopped");
    EXPECT_EQ(alert->message, microphoneMessage);
    const LibraryItem item = library->store().item(id);
    EXPECT_EQ(item.state, LibraryItem::State::complete);
    EXPECT_GE(item.duration, 1.0);
    EXPECT_NEAR(AudioFileInfo::of(library->store().audioFileURL(item)).duration, item.duration,
                1e-9);
}

TEST_F(PulseCaptureTest, FourChangesInQuickSuccessionMakeTheSourceGiveUp) {
    startRecording();
    ASSERT_TRUE(recordedAtLeast(0.3));
    for (int change = 1; change <= 4; ++change) {
        const auto outputs = server->sourceOutputs();
        ASSERT_EQ(outputs.size(), 1u) << "change " << change;
        // The server ends the stream: a configuration change the recording must react to.
        server->command("kill-source-output " + std::to_string(outputs[0].first));
        ASSERT_TRUE(test::waitUntil(
            [&] {
                auto now = server->sourceOutputs();
                return recorder->phase() == Phase::idle ||
                       (now.size() == 1 && now[0].first != outputs[0].first);
            },
            30000));
        EXPECT_EQ(recorder->phase() == Phase::idle, change == 4) << "change " << change;
    }
    auto alert = alertAfterStopping();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message, microphoneMessage);
}

// The "record" command in a process of its own.
class RecordCommand {
public:
    // `before` goes before the program in the shell's command line (e.g. "ulimit -f 8;").
    RecordCommand(const fs::path& library, const fs::path& out, const std::string& extra = {},
                  const std::string& before = {}) {
        m_pid = fork();
        if (m_pid == 0) {
            int file = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(file, 1);
            setenv("BRINDLEWICK_RESOURCES", BW_SOURCE_DIR "/resources", 1);
            std::string command = before +
                                  " exec '" BW_BINARY_DIR "/bin/brindlewick' record --library '" +
                                  library.string() + "' " + extra;
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~RecordCommand() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    void kill(int signal) { ::kill(m_pid, signal); }
    int wait() {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t m_pid = -1;
};

// The audio file of the only recording in `library` once it holds `seconds` of audio.
fs::path audioOnceRecorded(const fs::path& library, double seconds) {
    fs::path found;
    test::waitUntil(
        [&] {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(library, error)) {
                auto audio = entry.path() / "audio.caf";
                // A file just created has no header yet: its size is below the header's.
                const auto size = fs::file_size(audio, error);
                if (!error && size >= CafWriter::headerSize &&
                    double(size - CafWriter::headerSize) / 32000 >= seconds) {
                    found = audio;
                    return true;
                }
            }
            return false;
        },
        30000);
    return found;
}

std::string listed(const fs::path& library) {
    test::TemporaryFolder folder;
    test::runShell("BRINDLEWICK_RESOURCES='" BW_SOURCE_DIR "/resources' '" BW_BINARY_DIR
                   "/bin/brindlewick' library list --library '" +
                   library.string() + "' > '" + (folder / "out").string() + "'");
    auto bytes = readBytes(folder / "out");
    return {bytes.begin(), bytes.end()};
}

TEST_F(PulseCaptureTest, TheRecordCommandIsLeftAloneByOtherProcessesAndFinishesComplete) {
    const fs::path libraryRoot = root / "Shared";
    RecordCommand command(libraryRoot, root / "out", "--duration 3");
    ASSERT_FALSE(audioOnceRecorded(libraryRoot, 0.5).empty());
    EXPECT_NE(listed(libraryRoot).find("\trecording\t"), std::string::npos);
    EXPECT_EQ(command.wait(), 0);
    auto out = readBytes(root / "out");
    const std::string id(out.begin(), out.end());
    ASSERT_EQ(id.size(), 37u) << id;
    const std::string list = listed(libraryRoot);
    EXPECT_EQ(list.substr(0, 36), id.substr(0, 36));
    EXPECT_NE(list.find("\t0:03\tcomplete\t"), std::string::npos) << list;
}

// Deleting the recording that "record" is writing is refused, from a command and from another
// process's model alike; the recording then finishes whole.
TEST_F(PulseCaptureTest, ARecordingInProgressCannotBeDeletedByAnotherProcess) {
    const fs::path libraryRoot = root / "Shared";
    RecordCommand command(libraryRoot, root / "out");
    const fs::path audio = audioOnceRecorded(libraryRoot, 0.5);
    ASSERT_FALSE(audio.empty());
    const std::string id = audio.parent_path().filename().string();

    test::TemporaryFolder folder;
    const int status = std::system(
        ("BRINDLEWICK_RESOURCES='" BW_SOURCE_DIR "/resources' '" BW_BINARY_DIR
         "/bin/brindlewick' library delete " +
         id + " --library '" + libraryRoot.string() + "' 2> '" + (folder / "err").string() + "'")
            .c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    auto err = readBytes(folder / "err");
    EXPECT_EQ(std::string(err.begin(), err.end()),
              "The recording couldn't be deleted\nIt is still being recorded. Stop the "
              "recording, then delete it.\n");
    AlertCentre otherAlerts;
    LibraryModel other(LibraryStore(libraryRoot), otherAlerts);
    other.changes().deleteItem(*Uuid::parse(id));
    ASSERT_TRUE(otherAlerts.alert());
    EXPECT_EQ(otherAlerts.alert()->title, "The recording couldn't be deleted");
    EXPECT_TRUE(fs::exists(audio));

    command.kill(SIGINT);
    EXPECT_EQ(command.wait(), 0);
    LibraryModel reopened(LibraryStore(libraryRoot), alerts);
    ASSERT_EQ(reopened.items().size(), 1u);
    EXPECT_EQ(reopened.items()[0].state, LibraryItem::State::complete);
    EXPECT_GE(reopened.items()[0].duration, 0.5);
}

// Under a file-size limit the record command is not killed: with no room even for the item
// file it records nothing and says so; with room for a little audio it keeps that, complete.
TEST_F(PulseCaptureTest, TheRecordCommandSurvivesAFileSizeLimit) {
    {
        const fs::path libraryRoot = root / "NoRoom";
        RecordCommand command(libraryRoot, root / "out", "--duration 2", "ulimit -f 0;");
        EXPECT_EQ(command.wait(), 1);
        EXPECT_TRUE(LibraryStore(libraryRoot).loadItems().empty());
    }
    const fs::path libraryRoot = root / "LittleRoom";
    RecordCommand command(libraryRoot, root / "out", "--duration 5", "ulimit -f 64;");
    EXPECT_EQ(command.wait(), 1); // stopped by the full "disk", with the window's alert
    auto items = LibraryStore(libraryRoot).loadItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].state, LibraryItem::State::complete);
    EXPECT_GT(items[0].duration, 0.5);
    EXPECT_LT(items[0].duration, 2.5); // 32 KiB (or 64) of 16 kHz 16-bit audio
}

// Ctrl-C or SIGTERM ends the record command as quitting ends a recording: its item is
// finished complete with the audio written, and the command reports success.
class RecordCommandSignal : public PulseCaptureTest, public testing::WithParamInterface<int> {};

TEST_P(RecordCommandSignal, FinishesTheRecordingComplete) {
    const fs::path libraryRoot = root / "Shared";
    RecordCommand command(libraryRoot, root / "out");
    ASSERT_FALSE(audioOnceRecorded(libraryRoot, 1.0).empty());
    command.kill(GetParam());
    EXPECT_EQ(command.wait(), 0);
    LibraryModel reopened(LibraryStore(libraryRoot), alerts);
    ASSERT_EQ(reopened.items().size(), 1u);
    const LibraryItem& item = reopened.items()[0];
    EXPECT_EQ(item.state, LibraryItem::State::complete);
    EXPECT_GE(item.duration, 1.0);
    auto out = readBytes(root / "out");
    EXPECT_EQ(std::string(out.begin(), out.end()), item.id.string() + "\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, RecordCommandSignal, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) {
                             return std::string(info.param == SIGINT ? "Interrupt" : "Terminate");
                         });

TEST_F(PulseCaptureTest, AKilledRecordingIsRecoveredWithTheAudioItWrote) {
    const fs::path libraryRoot = root / "Shared";
    RecordCommand command(libraryRoot, root / "out");
    const fs::path audio = audioOnceRecorded(libraryRoot, 1.5);
    ASSERT_FALSE(audio.empty());
    command.kill(SIGKILL);
    command.wait();
    const double written = double(fs::file_size(audio) - CafWriter::headerSize) / 32000;

    LibraryModel reopened(LibraryStore(libraryRoot), alerts);
    ASSERT_EQ(reopened.items().size(), 1u);
    EXPECT_EQ(reopened.items()[0].state, LibraryItem::State::interrupted);
    EXPECT_NEAR(reopened.items()[0].duration, written, 0.5);
    EXPECT_GE(reopened.items()[0].duration, 1.0);
}

// Both tracks of a recording with this computer's sound survive a kill: the item names both,
// its duration is the longer track's, and each file reads up to its last frame.
TEST_F(PulseCaptureTest, AKilledTwoTrackRecordingIsRecoveredWithBothTracks) {
    const fs::path libraryRoot = root / "Shared";
    RecordCommand command(libraryRoot, root / "out", "--system-audio");
    const fs::path audio = audioOnceRecorded(libraryRoot, 1.5);
    ASSERT_FALSE(audio.empty());
    const fs::path system = audio.parent_path() / "system.caf";
    auto seconds = [](const fs::path& file) {
        std::error_code error;
        const auto size = fs::file_size(file, error);
        return error || size < CafWriter::headerSize ? 0.0
                                                     : double(size - CafWriter::headerSize) / 32000;
    };
    ASSERT_TRUE(test::waitUntil([&] { return seconds(system) >= 1.0; }, 30000));
    command.kill(SIGKILL);
    command.wait();
    const double longer = std::max(seconds(audio), seconds(system));

    LibraryModel reopened(LibraryStore(libraryRoot), alerts);
    ASSERT_EQ(reopened.items().size(), 1u);
    const LibraryItem& item = reopened.items()[0];
    EXPECT_EQ(item.state, LibraryItem::State::interrupted);
    EXPECT_EQ(item.systemAudioFileName, std::optional<std::string>("system.caf"));
    EXPECT_NEAR(item.duration, longer, 1e-6);
    EXPECT_NEAR(AudioFileInfo::of(system).duration, seconds(system), 1e-6);
    EXPECT_NEAR(AudioFileInfo::of(audio).duration, seconds(audio), 1e-6);
    // Each file holds what its stream has delivered: the output's monitor hands its audio over
    // later than the microphone, by its latency.
    EXPECT_NEAR(seconds(audio), seconds(system), 1.0) << "the tracks advance together";
}

} // namespace
} // namespace bw
