// "brindlewick models" end to end against a local HTTP server on 127.0.0.1: each command runs
// in a child process (so that a size limit or Ctrl-C stays there) with its own settings and
// data folders. The "model" served is a small file whose checksum the child is told through
// the catalog's test hook.
#include "cli/cli.h"
#include "platform/file_reading.h"
#include "platform/sha1_hasher.h"
#include "support/range_http_server.h"
#include "support/small_file_system.h"
#include "support/test_files.h"
#include "whisper/model_catalog.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t modelBytes = 3'000'000;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// One command run by runCli in a forked child, with standard output and error in files.
class Child {
public:
    Child(std::vector<std::string> arguments, const std::map<std::string, std::string>& environment,
          const std::function<void()>& prepare = {})
        : m_out(m_folder / "out"), m_err(m_folder / "err") {
        m_pid = ::fork();
        if (m_pid != 0) {
            return;
        }
        for (const auto& [name, value] : environment) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        if (prepare) {
            prepare();
        }
        ::dup2(::open(m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        ::dup2(::open(m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        arguments.insert(arguments.begin(), "brindlewick");
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        int status = cli::runCli(static_cast<int>(arguments.size()), argv.data());
        std::cout.flush();
        std::cerr.flush();
        ::_exit(status);
    }

    Result wait() {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readFile(m_out),
                readFile(m_err)};
    }

    void signal(int number) { ::kill(m_pid, number); }

private:
    test::TemporaryFolder m_folder;
    fs::path m_out;
    fs::path m_err;
    pid_t m_pid = -1;
};

std::string sha1Of(const fs::path& file) {
    Sha1Hasher hasher;
    hasher.updateFromFile(file, fs::file_size(file));
    return hasher.hexDigest();
}

class ModelsCommandTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_served);
        std::mt19937 random(7);
        std::string bytes(modelBytes, '\0');
        for (auto& byte : bytes) {
            byte = static_cast<char>(random());
        }
        std::ofstream(m_served / "ggml-tiny.bin", std::ios::binary) << bytes;
        overridePublishedSha1ForTesting(WhisperCppModel::tiny, sha1Of(m_served / "ggml-tiny.bin"));
        // Published as its size: a download may then bring at most about 4.2 MB.
        overridePublishedSizeForTesting(WhisperCppModel::tiny, modelBytes);
        fs::create_directories(m_resources / "Models");
    }

    Result run(std::vector<std::string> arguments, const std::string& url = "",
               const std::function<void()>& prepare = {}) {
        return Child(std::move(arguments), environment(url), prepare).wait();
    }

    std::map<std::string, std::string> environment(const std::string& url) const {
        return {{"XDG_DATA_HOME", (m_folder / "data").string()},
                {"XDG_CONFIG_HOME", (m_folder / "config").string()},
                {"BRINDLEWICK_RESOURCES", m_resources.string()},
                {"BRINDLEWICK_MODEL_URL", url}};
    }

    fs::path models() const { return m_folder / "data/Brindlewick/Models"; }
    fs::path installed() const { return models() / "ggml-tiny.bin"; }
    fs::path partial() const { return models() / ".ggml-tiny.bin.partial"; }
    std::uintmax_t partialSize() const {
        std::error_code error;
        auto size = fs::file_size(partial(), error);
        return error ? 0 : size;
    }
    std::optional<std::string> choice() const {
        std::ifstream in(m_folder / "config/Brindlewick/settings.json");
        auto settings = nlohmann::json::parse(in, nullptr, false);
        if (!settings.is_object() || !settings.contains("transcription.whisperModel")) {
            return std::nullopt;
        }
        return settings["transcription.whisperModel"].get<std::string>();
    }

    test::TemporaryFolder m_folder;
    fs::path m_served = m_folder / "served";
    fs::path m_resources = m_folder / "resources";
};

struct FailureCase {
    const char* name;
    std::vector<std::string> serverOptions; // empty name: no server, a refused connection
    bool wrongChecksum;
    const char* message;
};

void PrintTo(const FailureCase& value, std::ostream* out) {
    *out << value.name;
}

class ModelsInstallFailure : public ModelsCommandTest,
                             public testing::WithParamInterface<FailureCase> {};

TEST_P(ModelsInstallFailure, SaysWhyExitsWithOneAndInstallsNothing) {
    const auto& example = GetParam();
    if (example.wrongChecksum) {
        overridePublishedSha1ForTesting(WhisperCppModel::tiny, std::string(40, '0'));
    }
    std::optional<test::RangeHttpServer> server;
    std::string url = test::RangeHttpServer::refusingUrl();
    if (std::string(example.name) != "refused connection") {
        server.emplace(m_served, example.serverOptions);
        url = server->url();
    }
    auto result = run({"models", "install", "tiny"}, url);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find(example.message), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(installed()));
    EXPECT_FALSE(fs::exists(partial())); // nothing was received, or the bad file was discarded
    EXPECT_EQ(choice(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, ModelsInstallFailure,
    testing::Values(
        FailureCase{"wrong checksum",
                    {},
                    true,
                    "doesn't match the checksum whisper.cpp publishes for it, so it was "
                    "discarded"},
        FailureCase{"refused connection", {}, false, "The model server couldn't be reached"},
        FailureCase{"error status",
                    {"--status", "403"},
                    false,
                    "The model server refused the download (HTTP 403)"},
        FailureCase{"endless body",
                    {"--endless"},
                    false,
                    "The model server sent more than the 4 MB “ggml-tiny.bin” can be, so the "
                    "download was stopped and discarded."},
        FailureCase{"length beyond the published size",
                    {"--claim-length", "5000000000"},
                    false,
                    "The model server offers “ggml-tiny.bin” as 5000 MB, more than the 4 MB it "
                    "can be, so nothing was downloaded."}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_F(ModelsCommandTest, InstallsAVerifiedModelAndListsIt) {
    test::RangeHttpServer server(m_served);
    auto result = run({"models", "install", "tiny"}, server.url());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(installed()), readFile(m_served / "ggml-tiny.bin"));
    EXPECT_FALSE(fs::exists(partial()));
    EXPECT_NE(result.out.find("Installed tiny"), std::string::npos) << result.out;
    // Standard error is no terminal: plain lines, no redrawing.
    EXPECT_NE(result.err.find("Downloading ggml-tiny.bin 100%"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\r'), std::string::npos);

    auto again = run({"models", "install", "ggml-tiny.bin"}, server.url());
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("Already installed: tiny"), std::string::npos) << again.out;
    EXPECT_EQ(server.requests().size(), 1u); // a verified file is not fetched again

    auto list = run({"models", "--json"});
    ASSERT_EQ(list.status, 0) << list.err;
    auto json = nlohmann::json::parse(list.out);
    auto tiny = *std::find_if(json["models"].begin(), json["models"].end(),
                              [](const auto& model) { return model["name"] == "tiny"; });
    EXPECT_EQ(tiny["installed"], true);
    EXPECT_EQ(tiny["path"], installed().string());
    EXPECT_EQ(tiny["size"], modelBytes);
    EXPECT_EQ(json["modelsFolder"], models().string());
}

class ModelsInstallResume : public ModelsCommandTest, public testing::WithParamInterface<bool> {};

TEST_P(ModelsInstallResume, ContinuesADownloadThatBrokeOff) {
    bool ranges = GetParam();
    std::vector<std::string> options = {"--cut-after", "1000000"};
    if (!ranges) {
        options.push_back("--no-ranges");
    }
    test::RangeHttpServer server(m_served, options);
    auto cut = run({"models", "install", "tiny"}, server.url());
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.err.find("The download broke off"), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("resumes where it stopped"), std::string::npos) << cut.err;
    EXPECT_FALSE(fs::exists(installed()));
    EXPECT_EQ(partialSize(), 1'000'000u);

    auto resumed = run({"models", "install", "tiny"}, server.url());
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(readFile(installed()), readFile(m_served / "ggml-tiny.bin"));
    EXPECT_FALSE(fs::exists(partial()));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    // A server without ranges sends the whole file again, which replaces the part.
    EXPECT_EQ(requests[1], "GET ggml-tiny.bin bytes=1000000-");
}

INSTANTIATE_TEST_SUITE_P(Servers, ModelsInstallResume, testing::Bool(), [](const auto& info) {
    return info.param ? "WithRanges" : "WithoutRanges";
});

// A reply to "from byte 1,000,000 on" that starts elsewhere is refused; the part on disk
// stays as it was for a later run.
TEST_F(ModelsCommandTest, RefusesAPartialReplyThatStartsElsewhere) {
    fs::create_directories(models());
    std::ofstream(partial(), std::ios::binary)
        << readFile(m_served / "ggml-tiny.bin").substr(0, 1'000'000);
    test::RangeHttpServer server(m_served, {"--wrong-offset", "4096"});
    auto result = run({"models", "install", "tiny"}, server.url());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("The model server sent a different part of “ggml-tiny.bin” than "
                              "the one asked for, so nothing of it was kept."),
              std::string::npos)
        << result.err;
    EXPECT_EQ(partialSize(), 1'000'000u);
    EXPECT_FALSE(fs::exists(installed()));

    test::RangeHttpServer honest(m_served);
    ASSERT_EQ(run({"models", "install", "tiny"}, honest.url()).status, 0);
    EXPECT_EQ(readFile(installed()), readFile(m_served / "ggml-tiny.bin"));
}

TEST_F(ModelsCommandTest, StopsOnCtrlCKeepingThePartForLater) {
    test::RangeHttpServer slow(m_served, {"--slow"});
    Child child({"models", "install", "tiny"}, environment(slow.url()));
    for (int i = 0; i < 600 && partialSize() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_GT(partialSize(), 0u);
    child.signal(SIGINT);
    auto stopped = child.wait();
    EXPECT_EQ(stopped.status, 130) << stopped.err;
    EXPECT_NE(stopped.err.find("Run the same command to resume"), std::string::npos);
    EXPECT_FALSE(fs::exists(installed()));
    auto kept = partialSize();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, modelBytes);

    test::RangeHttpServer fast(m_served);
    ASSERT_EQ(run({"models", "install", "tiny"}, fast.url()).status, 0);
    EXPECT_EQ(readFile(installed()), readFile(m_served / "ggml-tiny.bin"));
    EXPECT_EQ(fast.requests().at(0), "GET ggml-tiny.bin bytes=" + std::to_string(kept) + "-");
}

TEST_F(ModelsCommandTest, KeepsWhatFitsWhenTheFileSizeLimitIsReached) {
    test::RangeHttpServer server(m_served);
    auto result = run({"models", "install", "tiny"}, server.url(), [] {
        rlimit limit{1'000'000, 1'000'000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("“ggml-tiny.bin” couldn't be saved (File too large). Free some "
                              "space and run the command again"),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(fs::exists(installed()));
    EXPECT_LE(partialSize(), 1'000'000u);

    ASSERT_EQ(run({"models", "install", "tiny"}, server.url()).status, 0);
    EXPECT_EQ(readFile(installed()), readFile(m_served / "ggml-tiny.bin"));
}

TEST_F(ModelsCommandTest, RefusesBeforeDownloadingOnANearlyFullFileSystem) {
    test::SmallFileSystem small(models(), "1m");
    if (!small.mounted()) {
        GTEST_SKIP() << "mounting a small tmpfs needs privileges";
    }
    test::RangeHttpServer server(m_served);
    auto result = run({"models", "install", "tiny"}, server.url());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("There isn't enough free space for “ggml-tiny.bin”: it needs 3 MB"),
              std::string::npos)
        << result.err;
}

TEST_F(ModelsCommandTest, RefusesAModelWithoutAPublishedChecksum) {
    auto result = run({"models", "install", "kinit-large-v3-turbo-sk"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("whisper.cpp publishes no checksum for “kinit-large-v3-turbo-sk”"),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(fs::exists(models()));
}

TEST_F(ModelsCommandTest, UseRefusesAMissingModelAndKeepsTheChoice) {
    auto missing = run({"models", "use", "tiny"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("“tiny” isn't installed. Install it with “brindlewick models "
                               "install tiny”."),
              std::string::npos)
        << missing.err;
    EXPECT_EQ(choice(), std::nullopt);
    EXPECT_EQ(run({"models", "use", "nonsense"}).status, 2);
}

// The GPU setting is kept in the settings file and shown back; only on and off are taken.
TEST_F(ModelsCommandTest, GpuChoiceIsStoredAndRefusesOtherWords) {
    auto off = run({"models", "gpu", "off"});
    ASSERT_EQ(off.status, 0) << off.err;
    EXPECT_NE(off.out.find("Transcription runs on: CPU ("), std::string::npos) << off.out;
    EXPECT_NE(run({"models", "gpu"}).out.find("CPU ("), std::string::npos);
    std::ifstream in(m_folder / "config/Brindlewick/settings.json");
    EXPECT_EQ(nlohmann::json::parse(in, nullptr, false).value("transcription.useGPU", ""), "false");
    EXPECT_EQ(run({"models", "gpu", "maybe"}).status, 2);
    EXPECT_EQ(run({"models", "gpu", "on", "off"}).status, 2);
    EXPECT_EQ(run({"models", "gpu", "on"}).status, 0);
}

// Settings nested 100,000 deep, or cut off: the commands read them as none, and a change sets
// the damaged file aside instead of dropping what it held.
TEST_F(ModelsCommandTest, DamagedSettingsAreReadAsNoneAndSetAsideByAChange) {
    const fs::path settings = m_folder / "config/Brindlewick/settings.json";
    fs::create_directories(settings.parent_path());
    fs::create_directories(models());
    std::ofstream(installed()) << "not a model at all";
    for (const std::string& damaged :
         {"{\"a\": " + std::string(100'000, '[') + std::string(100'000, ']') + "}",
          std::string(R"({"recording.inputDeviceUID": "mic", "transcription.wh)")}) {
        std::ofstream(settings) << damaged;
        auto list = run({"models"});
        EXPECT_EQ(list.status, 0) << list.err;
        auto use = run({"models", "use", "tiny"});
        EXPECT_EQ(use.status, 0) << use.err;
        EXPECT_NE(use.err.find("The settings file was damaged, so a new one was started; the old "
                               "one was kept as " +
                               (settings.parent_path() / "settings-unreadable-").string()),
                  std::string::npos)
            << use.err;
        EXPECT_EQ(choice(), "tiny");
        for (const auto& entry : fs::directory_iterator(settings.parent_path())) {
            if (entry.path().filename().string().starts_with("settings-unreadable-")) {
                EXPECT_EQ(readFile(entry.path()), damaged);
                fs::remove(entry.path());
            }
        }
    }
}

TEST_F(ModelsCommandTest, ADamagedChosenModelFailsToLoadAndIsShown) {
    BW_REQUIRE_ENGINE_FILES(files);
    fs::create_symlink(files.vad, m_resources / "Models" / "ggml-silero-v6.2.0.bin");
    fs::create_directories(models());
    std::ofstream(installed()) << "not a model at all";

    auto use = run({"models", "use", "tiny"});
    ASSERT_EQ(use.status, 0) << use.err;
    EXPECT_NE(use.err.find("damaged: not a whisper.cpp model file"), std::string::npos);
    EXPECT_EQ(choice(), "tiny");

    auto silence = m_folder / "silence.wav";
    test::writeWav(silence, std::vector<float>(16000, 0.0f));
    auto transcribed = run({"transcribe", silence.string(), "--language", "en"});
    EXPECT_EQ(transcribed.status, 1);
    EXPECT_NE(transcribed.err.find("The model could not be loaded"), std::string::npos)
        << transcribed.err;
    EXPECT_EQ(choice(), "tiny");

    auto list = run({"models", "--json"});
    ASSERT_EQ(list.status, 0) << list.err;
    auto json = nlohmann::json::parse(list.out);
    EXPECT_EQ(json["choice"], "tiny");
    ASSERT_EQ(json["problems"].size(), 1u);
    EXPECT_NE(json["problems"][0].get<std::string>().find("is damaged"), std::string::npos);

    auto removed = run({"models", "remove", "tiny"});
    ASSERT_EQ(removed.status, 0) << removed.err;
    EXPECT_FALSE(fs::exists(installed()));
    EXPECT_EQ(choice(), ""); // back to the bundled model
}

struct WarningCase {
    const char* model; // chosen from the user folder; "base" is the bundled model
    const char* language;
    const char* warning; // empty: none
};

class ModelsLanguageWarning : public ModelsCommandTest,
                              public testing::WithParamInterface<WarningCase> {};

TEST_P(ModelsLanguageWarning, TranscribeWarnsOnceWhenTheModelIsTooSmall) {
    BW_REQUIRE_ENGINE_FILES(files);
    const auto& example = GetParam();
    std::ofstream(m_resources / "Info.json") << R"({"BWWhisperModelFile": "ggml-base.bin"})";
    fs::create_symlink(files.model, m_resources / "Models" / "ggml-base.bin");
    fs::create_symlink(files.vad, m_resources / "Models" / "ggml-silero-v6.2.0.bin");
    if (std::string(example.model) != "base") {
        fs::create_directories(models());
        fs::create_symlink(files.model, models() / ("ggml-" + std::string(example.model) + ".bin"));
        ASSERT_EQ(run({"models", "use", example.model}).status, 0);
    }
    auto silence = m_folder / "silence.wav";
    test::writeWav(silence, std::vector<float>(16000, 0.0f));
    auto result = run({"transcribe", silence.string(), "--language", example.language});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string warning = example.warning;
    if (warning.empty()) {
        EXPECT_EQ(result.err.find("Warning:"), std::string::npos) << result.err;
    } else {
        EXPECT_EQ(result.err.find(warning + "; run `brindlewick models install "
                                            "large-v3-turbo-q5_0`"),
                  0u)
            << result.err;
        EXPECT_EQ(result.err.find("Warning:"), result.err.rfind("Warning:"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, ModelsLanguageWarning,
    testing::Values(
        WarningCase{"base", "sk", "Warning: this model (base) is too small for Slovak"},
        WarningCase{"base", "cs", "Warning: this model (base) is too small for Czech"},
        WarningCase{"base", "en", ""}, WarningCase{"large-v3-turbo-q5_0", "sk", ""},
        WarningCase{"tiny-q5_1", "cs", "Warning: this model (tiny-q5_1) is too small for Czech"},
        WarningCase{"small.en", "de",
                    "Warning: this model (small.en) understands English only, not German"}),
    [](const auto& info) {
        std::string name = std::string(info.param.model) + "_" + info.param.language;
        for (auto& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

} // namespace
} // namespace bw
