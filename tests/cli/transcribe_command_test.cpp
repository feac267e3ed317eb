// The transcribe command end to end: the real program, the real engine and the test models.
#include "cli/program_run.h"
#include "platform/file_reading.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/stat.h>

namespace bw {
namespace {

using Program = test::RunningProgram;

class TranscribeCommandTest : public testing::Test {
protected:
    void SetUp() override {
        BW_REQUIRE_ENGINE_FILES(files);
        m_files = files;
        // Three seconds of silence: detection finds no speech, so nothing is decoded.
        m_silence = m_folder / "silence.wav";
        test::writeWav(m_silence, std::vector<float>(48000, 0.0f));
    }

    std::vector<std::string> arguments(const std::filesystem::path& audio,
                                       std::vector<std::string> more = {}) {
        std::vector<std::string> all = {"transcribe", audio.string(), "--language",
                                        "en",         "--model",      m_files.model.string()};
        all.insert(all.end(), more.begin(), more.end());
        return all;
    }

    test::TemporaryFolder m_folder;
    test::EngineFiles m_files;
    std::filesystem::path m_silence;
};

TEST_F(TranscribeCommandTest, WritesTheTranscriptAsJson) {
    auto target = m_folder / "jfk.json";
    Program program(arguments(m_files.audio, {"--format", "json", "--output", target.string()}));
    ASSERT_EQ(program.wait(), 0) << program.error();
    EXPECT_EQ(program.output(), "");
    auto json = nlohmann::json::parse(readFile(target));
    EXPECT_EQ(json["audioDuration"], 11);
    EXPECT_EQ(json["engine"], "whisper.cpp 1.9.1");
    EXPECT_EQ(json["model"], "for-tests-ggml-tiny");
    EXPECT_EQ(json["language"], "en");
    // Standard error is not a terminal here: one plain line per change.
    auto error = program.error();
    EXPECT_EQ(error.find("Loading the speech model…\n"), 0u) << error;
    EXPECT_NE(error.find("Finished 100%\n"), std::string::npos) << error;
    EXPECT_EQ(error.find('\r'), std::string::npos);
}

TEST_F(TranscribeCommandTest, ExportsDocumentsTitledAfterTheAudioFile) {
    Program text(arguments(m_files.audio, {"--format", "txt"}));
    ASSERT_EQ(text.wait(), 0) << text.error();
    EXPECT_EQ(text.output().rfind("jfk\nDate: ", 0), 0u) << text.output();
    EXPECT_NE(text.output().find("\nLanguage: English\n"), std::string::npos) << text.output();

    auto target = m_folder / "jfk.docx";
    Program document(arguments(m_files.audio, {"--format", "docx", "--output", target.string()}));
    ASSERT_EQ(document.wait(), 0) << document.error();
    EXPECT_EQ(document.output(), "");
    auto bytes = readFile(target);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("PK\x03\x04", 4));
    EXPECT_NE(bytes.find("word/document.xml"), std::string::npos);
}

TEST_F(TranscribeCommandTest, WritesSeveralFormsOfOneTranscriptionInPairs) {
    auto json = m_folder / "jfk.json";
    auto text = m_folder / "jfk.txt";
    Program program(arguments(m_files.audio, {"--format", "json", "--output", json.string(),
                                              "--format", "txt", "--output", text.string()}));
    ASSERT_EQ(program.wait(), 0) << program.error();
    EXPECT_EQ(program.output(), "");
    EXPECT_EQ(nlohmann::json::parse(readFile(json))["audioDuration"], 11);
    EXPECT_EQ(readFile(text).rfind("jfk\nDate: ", 0), 0u);
    // Transcribed once: the progress shows one loading of the model.
    auto error = program.error();
    EXPECT_EQ(error.find("Loading the speech model"), error.rfind("Loading the speech model"));
}

TEST_F(TranscribeCommandTest, PrintsTextToStandardOutputByDefault) {
    Program program(arguments(m_silence, {"--threads", "1"}));
    ASSERT_EQ(program.wait(), 0) << program.error();
    EXPECT_EQ(program.output(), ""); // silence has no segments
}

TEST_F(TranscribeCommandTest, UsesTheBundledModels) {
    test::TemporaryFolder resources;
    std::filesystem::create_directory(resources / "Models");
    std::ofstream(resources / "Info.json") << R"({"BWWhisperModelFile": "ggml-tiny.bin"})";
    std::filesystem::create_symlink(m_files.model, resources / "Models/ggml-tiny.bin");
    std::filesystem::create_symlink(m_files.vad, resources / "Models/ggml-silero-v6.2.0.bin");
    Program program({"transcribe", m_silence.string(), "--language", "de", "--format", "json"},
                    {{"BRINDLEWICK_RESOURCES", resources.path().string()},
                     {"XDG_CONFIG_HOME", resources.path().string()}});
    ASSERT_EQ(program.wait(), 0) << program.error();
    auto json = nlohmann::json::parse(program.output());
    EXPECT_EQ(json["model"], "tiny");
    EXPECT_EQ(json["language"], "de");
    EXPECT_EQ(json["audioDuration"], 3);
}

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
    const char* message;
};

void PrintTo(const UsageCase& value, std::ostream* out) {
    *out << value.name;
}

class TranscribeUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(TranscribeUsage, ExitsWithTwoAndSaysWhatIsWrong) {
    Program program(GetParam().arguments);
    EXPECT_EQ(program.wait(), 2);
    EXPECT_NE(program.error().find(GetParam().message), std::string::npos) << program.error();
    EXPECT_EQ(program.output(), "");
}

INSTANTIATE_TEST_SUITE_P(
    BadCommandLines, TranscribeUsage,
    testing::Values(
        UsageCase{
            "NoLanguage", {"transcribe", "a.wav"}, "--language is required: sk, cs, de or en"},
        UsageCase{"UnknownLanguage",
                  {"transcribe", "a.wav", "--language", "fr"},
                  "--language takes sk, cs, de or en"},
        UsageCase{"UnknownFormat",
                  {"transcribe", "a.wav", "--language", "en", "--format", "pdf"},
                  "--format takes text|json|txt|srt|docx"},
        UsageCase{"NoThreads",
                  {"transcribe", "a.wav", "--language", "en", "--threads", "0"},
                  "--threads takes a whole number"},
        UsageCase{"DetectorModelAlone",
                  {"transcribe", "a.wav", "--language", "en", "--vad-model", "v.bin"},
                  "--vad-model needs --model"},
        UsageCase{"NoFile", {"transcribe", "--language", "en"}, "missing FILE"},
        UsageCase{"UnknownOption", {"transcribe", "a.wav", "--fast"}, "unknown option --fast"},
        UsageCase{"WordDocumentToTerminal",
                  {"transcribe", "a.wav", "--language", "en", "--format", "docx"},
                  "--format docx needs --output"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TranscribeCommandTest, FailuresPrintTheirDescriptionAndExitWithOne) {
    auto missingAudio = m_folder / "notes.wav";
    auto missingModel = m_folder / "ggml-none.bin";
    auto missingFolder = m_folder / "no" / "such.txt";
    test::TemporaryFolder emptyResources;
    auto claimingOneHertz = m_folder / "claim.wav";
    test::writeWav(claimingOneHertz, std::vector<float>(8000), 1);
    struct Case {
        std::vector<std::string> arguments;
        std::map<std::string, std::string> environment;
        std::string message;
    };
    const Case cases[] = {
        {arguments(missingAudio), {}, "The audio file could not be read: notes.wav: "},
        {arguments(claimingOneHertz),
         {},
         "The audio file could not be read: claim.wav: unsupported format 1 ch, 1 Hz, Float32, "
         "deinterleaved (pcm_s16le)\n"},
        {{"transcribe", m_files.audio.string(), "--language", "en", "--model",
          missingModel.string()},
         {},
         "Model not found: " + missingModel.string() + "\n"},
        {arguments(m_files.audio, {"--output", missingFolder.string()}),
         {},
         "“such.txt” couldn't be saved: No such file or directory\n"},
        {{"transcribe", m_files.audio.string(), "--language", "en"},
         {{"BRINDLEWICK_RESOURCES", emptyResources.path().string()}},
         "Model not found: Models/?\n"},
    };
    for (const auto& [arguments, environment, message] : cases) {
        Program program(arguments, environment);
        EXPECT_EQ(program.wait(), 1) << message;
        EXPECT_EQ(program.error().rfind(message, 0), 0u) << program.error();
        EXPECT_EQ(program.output(), "");
    }
}

// A pipe would be read twice (it cannot be), and opening it waits for a writer without end:
// it is refused at once.
TEST_F(TranscribeCommandTest, APipeIsRefusedAtOnce) {
    auto pipe = m_folder / "pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    Program program(arguments(pipe));
    auto status = program.waitFor(std::chrono::seconds(30));
    if (!status) {
        program.signal(SIGKILL);
        program.wait();
        FAIL() << "still waiting for the pipe";
    }
    EXPECT_EQ(*status, 1);
    EXPECT_EQ(program.error(), "The audio file could not be read: pipe.wav: it isn't a file (but "
                               "a pipe, a device or a folder); give the audio as a file.\n");
}

class TranscribeCancellation : public TranscribeCommandTest,
                               public testing::WithParamInterface<int> {};

TEST_P(TranscribeCancellation, StopsWritesNothingAndExitsWith130) {
    auto target = m_folder / "out.txt";
    Program program(arguments(m_files.audio, {"--no-vad", "--output", target.string()}));
    ASSERT_TRUE(program.waitForError("Transcribing…")) << program.error();
    auto started = std::chrono::steady_clock::now();
    program.signal(GetParam());
    EXPECT_EQ(program.wait(), 130) << program.error();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(program.output(), "");
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.path())) {
        EXPECT_EQ(entry.path().filename(), "silence.wav"); // no temporary file left
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, TranscribeCancellation, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) {
                             return std::string(info.param == SIGINT ? "Interrupt" : "Terminate");
                         });

} // namespace
} // namespace bw
