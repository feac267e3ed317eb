// "brindlewick library transcribe" and "library transcript" end to end: the real program on a
// library in a temporary folder, with the real engine over the test models.
#include "cli/program_run.h"
#include "library/library_test_support.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>

#include <sys/mount.h>
#include <unistd.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

const std::string supportEmail = "help@example.org";

using test::CommandResult;

std::string quoted(const fs::path& path) {
    return test::shellQuoted(path);
}

using test::readText;
using test::writeText;

class LibraryTranscriptionCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        BW_REQUIRE_SHARED_FILE(model, "models/for-tests-ggml-tiny.bin");
        BW_REQUIRE_SHARED_FILE(vad, "models/ggml-silero-v6.2.0.bin");
        BW_REQUIRE_SHARED_FILE(audio, "audio/jfk.wav");
        m_audio = audio;
        // A resources folder whose bundled model is the weightless test model.
        fs::create_directories(m_resources / "Models");
        writeText(m_resources / "Info.json", R"({"BWSupportEmail": ")" + supportEmail +
                                                 R"(", "BWWhisperModelFile": "ggml-tiny.bin"})");
        fs::create_symlink(model, m_resources / "Models" / "ggml-tiny.bin");
        fs::create_symlink(vad, m_resources / "Models" / "ggml-silero-v6.2.0.bin");
    }

    // `arguments` is a shell fragment after "brindlewick library"; `prefix` goes before the
    // program (e.g. "timeout -s INT 2").
    CommandResult run(const std::string& arguments, const std::string& prefix = "") {
        // Settings of its own: no model chosen, the bundled one is used.
        return test::runCapturing("BRINDLEWICK_RESOURCES=" + quoted(m_resources) +
                                      " XDG_CONFIG_HOME=" + quoted(m_folder.path()) + " " + prefix +
                                      " '" BW_BINARY_DIR "/bin/brindlewick' library " + arguments +
                                      " --library " + quoted(m_library),
                                  m_folder.path());
    }

    // Imports the file and returns the new recording's identifier.
    std::string import(const fs::path& file) {
        auto result = run("import " + quoted(file));
        EXPECT_EQ(result.status, 0) << result.err;
        auto list = run("list --json");
        return nlohmann::json::parse(list.out).at(0).at("id");
    }

    fs::path transcriptFile(const std::string& id) const {
        return m_library / id / "transcript.json";
    }

    test::TemporaryFolder m_folder;
    fs::path m_library = m_folder / "Library";
    fs::path m_resources = m_folder / "resources";
    fs::path m_audio;
};

TEST_F(LibraryTranscriptionCommandsTest, TranscribeSavesWhatTranscriptPrints) {
    std::string id = import(m_audio);
    EXPECT_EQ(run("transcript " + id).status, 1);

    auto transcribed = run("transcribe " + id.substr(0, 8) + " --language en");
    ASSERT_EQ(transcribed.status, 0) << transcribed.err;
    EXPECT_EQ(transcribed.out, "");
    EXPECT_EQ(transcribed.err.find("Loading the speech model…\n"), 0u) << transcribed.err;
    EXPECT_NE(transcribed.err.find("Saving… 100%\n"), std::string::npos) << transcribed.err;
    ASSERT_TRUE(fs::exists(transcriptFile(id)));

    auto stored = nlohmann::json::parse(readText(transcriptFile(id)));
    EXPECT_EQ(stored["version"], 1);
    auto json = run("transcript " + id + " --json");
    ASSERT_EQ(json.status, 0) << json.err;
    auto document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document, stored["transcript"]);
    EXPECT_EQ(document["language"], "en");
    EXPECT_EQ(document["engine"], "whisper.cpp 1.9.1");
    EXPECT_EQ(document["model"], "tiny");
    EXPECT_EQ(document["audioDuration"], 11);

    auto lines = run("transcript " + id);
    ASSERT_EQ(lines.status, 0) << lines.err;
    EXPECT_EQ(std::count(lines.out.begin(), lines.out.end(), '\n'),
              std::ptrdiff_t(document["segments"].size()));
}

TEST_F(LibraryTranscriptionCommandsTest, TranscribeWarnsThatATinyModelIsTooSmallForSlovak) {
    std::string id = import(m_audio);
    auto transcribed = run("transcribe " + id + " --language sk");
    ASSERT_EQ(transcribed.status, 0) << transcribed.err;
    EXPECT_EQ(transcribed.err.find("Warning: this model (tiny) is too small for Slovak; run "
                                   "`brindlewick models install large-v3-turbo-q5_0`"),
              0u)
        << transcribed.err;
}

TEST_F(LibraryTranscriptionCommandsTest, TranscriptPrintsTheStoredDocument) {
    std::string id = import(m_audio);
    writeText(transcriptFile(id), R"({"version": 1, "transcript": {
        "audioDuration": 11, "engine": "e", "language": "de", "model": "m",
        "transcribedAt": "2025-03-07T09:15:02Z", "segments": [
        {"id": 0, "start": 0, "end": 1.5, "text": "Hallo", "originalText": "Hallo"},
        {"id": 1, "start": 61.25, "end": 3725, "text": "edited", "originalText": "Welt"}]}})");
    auto lines = run("transcript " + id);
    ASSERT_EQ(lines.status, 0) << lines.err;
    EXPECT_EQ(lines.out, "[00:00:00.000 --> 00:00:01.500] Hallo\n"
                         "[00:01:01.250 --> 01:02:05.000] edited\n");
    auto json = run("transcript " + id + " --json");
    EXPECT_EQ(nlohmann::json::parse(json.out)["segments"][1]["originalText"], "Welt");

    writeText(transcriptFile(id), R"({"version": 2, "transcript": {}})");
    auto newer = run("transcript " + id);
    EXPECT_EQ(newer.status, 1);
    EXPECT_EQ(newer.err.find("The transcript couldn't be opened. ("), 0u) << newer.err;
}

struct RefusalCase {
    const char* name;
    std::string arguments; // after "transcribe ID"
    int status;
    std::string err; // the beginning of standard error
};

class TranscribeRefusals : public LibraryTranscriptionCommandsTest,
                           public testing::WithParamInterface<RefusalCase> {};

TEST_P(TranscribeRefusals, ExplainAndSaveNothing) {
    std::string id = import(m_audio);
    auto result = run("transcribe " + id + " " + GetParam().arguments);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.err.substr(0, GetParam().err.size()), GetParam().err) << result.err;
    EXPECT_FALSE(fs::exists(transcriptFile(id)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TranscribeRefusals,
    testing::Values(
        RefusalCase{"NoLanguage", "", 2, "brindlewick library transcribe: --language is required"},
        RefusalCase{
            "UnknownLanguage", "--language fr", 2,
            "brindlewick library transcribe: --language takes sk, cs, de or en, not \"fr\""}),
    [](const auto& info) { return info.param.name; });

TEST_F(LibraryTranscriptionCommandsTest, FailuresPrintTheServicesMessage) {
    std::string id = import(m_audio);

    auto unknown = run("transcribe FFFFFFFF --language en");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "No recording matches “FFFFFFFF”.\n");

    fs::remove(m_resources / "Models" / "ggml-tiny.bin");
    auto noModel = run("transcribe " + id + " --language en");
    EXPECT_EQ(noModel.status, 1);
    EXPECT_EQ(noModel.err.find("Brindlewick couldn't load its speech model. Download and install "
                               "Brindlewick again. If that doesn't help, email " +
                               supportEmail + " with this message. (Model not found: "),
              0u)
        << noModel.err;

    EXPECT_FALSE(fs::exists(transcriptFile(id)));
}

// The library made read-only while the object lives: by a read-only bind mount for root
// (whom permissions do not stop), else by taking the write permissions away.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const fs::path& folder) : m_folder(folder) {
        if (::geteuid() == 0) {
            m_mounted = ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0;
            m_ready = m_mounted && ::mount(nullptr, folder.c_str(), nullptr,
                                           MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
        } else {
            const auto writable =
                fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
            for (const auto& entry : fs::recursive_directory_iterator(folder)) {
                fs::permissions(entry.path(), writable, fs::perm_options::remove);
            }
            fs::permissions(folder, writable, fs::perm_options::remove);
            m_ready = true;
        }
    }
    ~ReadOnlyFolder() {
        if (m_mounted) {
            ::umount(m_folder.c_str());
        } else if (m_ready) {
            fs::permissions(m_folder, fs::perms::owner_write, fs::perm_options::add);
            for (const auto& entry : fs::recursive_directory_iterator(m_folder)) {
                fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
            }
        }
    }
    bool ready() const { return m_ready; }

private:
    fs::path m_folder;
    bool m_mounted = false;
    bool m_ready = false;
};

// A library that cannot be changed is found out before the transcription, not after it.
TEST_F(LibraryTranscriptionCommandsTest, AReadOnlyLibraryFailsBeforeTranscribing) {
    std::string id = import(m_audio);
    ReadOnlyFolder readOnly(m_library);
    if (!readOnly.ready()) {
        GTEST_SKIP() << "making the library read-only needs privileges";
    }
    auto result = run("transcribe " + id + " --language en");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.find("The transcript couldn't be saved, so the recording wasn't "
                              "transcribed. Check that the library can be changed, then try "
                              "again. (“"),
              0u)
        << result.err;
    EXPECT_EQ(result.err.find("Loading the speech model"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(transcriptFile(id)));
}

TEST_F(LibraryTranscriptionCommandsTest, InterruptingStopsWithoutSaving) {
    // Ten minutes of speech, so the signal comes while the work is still going on even on a
    // fast, idle machine (one minute was done within the three seconds there).
    auto longAudio = m_folder / "long.wav";
    std::string sources;
    for (int i = 0; i < 55; ++i) {
        sources += quoted(m_audio) + " ";
    }
    test::runShell("sox " + sources + quoted(longAudio));
    std::string id = import(longAudio);
    auto result = run("transcribe " + id + " --language en", "timeout --preserve-status -s INT 3");
    EXPECT_EQ(result.status, 130) << result.err;
    EXPECT_FALSE(fs::exists(transcriptFile(id)));
    for (const auto& entry : fs::directory_iterator(transcriptFile(id).parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find(".transcript"), std::string::npos)
            << entry.path();
    }
}

} // namespace
} // namespace bw
