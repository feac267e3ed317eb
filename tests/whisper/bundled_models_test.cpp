#include "whisper/bundled_models.h"

#include "platform/processor_cores.h"

#include "support/test_files.h"
#include "transcription/transcription_error.h"
#include "whisper/whisper_cpp_engine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <fstream>
#include <set>

namespace bw {
namespace {

TEST(WhisperCppModel, FileNamesIdentifyModels) {
    EXPECT_EQ(whisperCppModelFromFileName("ggml-large-v3-q5_0.bin"), WhisperCppModel::largeV3Q5);
    EXPECT_EQ(whisperCppModelFromFileName("ggml-base.en-q8_0.bin"), WhisperCppModel::baseEnQ8);
    EXPECT_EQ(whisperCppModelFromFileName("large-v3-q5_0"), std::nullopt);
    EXPECT_EQ(whisperCppModelFromFileName(""), std::nullopt);

    std::set<std::string_view> names;
    for (auto model : allWhisperCppModels()) {
        EXPECT_EQ(whisperCppModelFromFileName(fileName(model)), model);
        names.insert(fileName(model));
        bool kinit = fileName(model).starts_with("ggml-kinit-");
        EXPECT_EQ(predictsTimestamps(model), !kinit) << fileName(model);
    }
    EXPECT_EQ(names.size(), 32u);
    EXPECT_EQ(allWhisperCppModels().front(), WhisperCppModel::largeV3TurboQ5);
}

// A resources folder made for one test: Info.json with the given text and a Models folder.
class BundledModelsTest : public testing::Test {
protected:
    void writeInfo(const std::string& json) {
        std::filesystem::create_directories(m_folder / "Models");
        std::ofstream(m_folder / "Info.json") << json;
    }
    void linkModel(const std::filesystem::path& source, const std::string& name) {
        std::filesystem::create_symlink(source, m_folder.path() / "Models" / name);
    }
    ResourceBundle bundle() const { return ResourceBundle(m_folder.path()); }

    std::string makeEngineFailure() {
        try {
            BundledModels::makeEngine(bundle());
        } catch (const TranscriptionError& error) {
            EXPECT_EQ(error.kind(), TranscriptionError::Kind::modelNotFound);
            return error.detail();
        }
        ADD_FAILURE() << "an engine was made";
        return {};
    }

    test::TemporaryFolder m_folder;
};

TEST_F(BundledModelsTest, InfoValuesThatNameNoKnownModel) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"CFBundleName": "Brindlewick"})", "Models/?"},
        {R"({"BWWhisperModelFile": "ggml-unknown.bin"})", "Models/ggml-unknown.bin"},
        {R"({"BWWhisperModelFile": "large-v3-q5_0"})", "Models/large-v3-q5_0"},
        {R"({"BWWhisperModelFile": 5})", "Models/5"},
        {R"({"BWWhisperModelFile": )", "Models/?"}, // damaged
    };
    for (const auto& [json, detail] : cases) {
        writeInfo(json);
        EXPECT_EQ(BundledModels::model(bundle()), std::nullopt) << json;
        EXPECT_EQ(makeEngineFailure(), detail) << json;
    }
}

TEST_F(BundledModelsTest, BundleWithoutResources) {
    ResourceBundle empty(std::nullopt);
    EXPECT_EQ(BundledModels::directory(empty), std::nullopt);
    EXPECT_EQ(BundledModels::model(empty), std::nullopt);
    try {
        BundledModels::makeEngine(empty);
        FAIL() << "an engine was made";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error.detail(), "Models/?");
    }
}

TEST_F(BundledModelsTest, MissingModelFilesAreNamedWithTheirPath) {
    writeInfo(R"({"BWWhisperModelFile": "ggml-large-v3-q5_0.bin"})");
    EXPECT_EQ(BundledModels::model(bundle()), WhisperCppModel::largeV3Q5);
    EXPECT_EQ(BundledModels::directory(bundle()), m_folder.path() / "Models" / "");
    EXPECT_EQ(makeEngineFailure(), (m_folder / "Models/ggml-large-v3-q5_0.bin").string());

    // With the Whisper model present, the missing Silero model is the one named.
    std::ofstream(m_folder / "Models/ggml-large-v3-q5_0.bin") << "weights";
    EXPECT_EQ(makeEngineFailure(), (m_folder / "Models/ggml-silero-v6.2.0.bin").string());
}

TEST_F(BundledModelsTest, UnloadableDetectorModel) {
    writeInfo(R"({"BWWhisperModelFile": "ggml-tiny.bin"})");
    std::ofstream(m_folder / "Models/ggml-tiny.bin") << "weights";
    std::ofstream(m_folder / "Models/ggml-silero-v6.2.0.bin") << "not a model";
    try {
        BundledModels::makeEngine(bundle());
        FAIL() << "an engine was made";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error, TranscriptionError::modelLoadFailed("ggml-silero-v6.2.0.bin"));
    }
}

TEST_F(BundledModelsTest, MakesTheEngineFromShippedModels) {
    BW_REQUIRE_SHARED_FILE(model, "models/for-tests-ggml-tiny.bin");
    BW_REQUIRE_SHARED_FILE(vad, "models/ggml-silero-v6.2.0.bin");
    writeInfo(R"({"BWWhisperModelFile": "ggml-tiny.bin"})");
    linkModel(model, "ggml-tiny.bin");
    linkModel(vad, "ggml-silero-v6.2.0.bin");

    auto engine = BundledModels::makeEngine(bundle());
    EXPECT_EQ(engine->engineName(), "whisper.cpp 1.9.1");
    EXPECT_EQ(engine->modelName(), "tiny");
    auto* whisper = dynamic_cast<WhisperCppEngine*>(engine.get());
    ASSERT_NE(whisper, nullptr);
    // The engine asks for the GPU and a thread per physical core, at most four.
    EXPECT_TRUE(whisper->recognizer().useGPU());
    EXPECT_EQ(whisper->recognizer().threadCount(),
              std::clamp(ProcessorCores::physicalCount(), 1, 4));
    EXPECT_TRUE(whisper->recognizer().predictsTimestamps());
    EXPECT_EQ(whisper->detector().parameters(), SileroVoiceActivityDetector::Parameters{});
    EXPECT_EQ(whisper->detector().modelFile(), m_folder / "Models/ggml-silero-v6.2.0.bin");
}

TEST_F(BundledModelsTest, ModelsWithoutTimestampsMakeAWindowedRecognizer) {
    BW_REQUIRE_SHARED_FILE(model, "models/for-tests-ggml-tiny.bin");
    BW_REQUIRE_SHARED_FILE(vad, "models/ggml-silero-v6.2.0.bin");
    writeInfo("{}");
    linkModel(model, "ggml-kinit-large-v3-turbo-sk.bin");
    linkModel(vad, "ggml-silero-v6.2.0.bin");
    WhisperCppEngine engine(m_folder / "Models", WhisperCppModel::kinitLargeV3TurboSk, true);
    EXPECT_FALSE(engine.recognizer().predictsTimestamps());
    EXPECT_EQ(engine.recognizer().maximumInputDuration(), 30.0);
    EXPECT_EQ(engine.modelName(), "kinit-large-v3-turbo-sk");
}

TEST(ResourceBundle, MainBundleFollowsTheEnvironment) {
    test::TemporaryFolder folder;
    ::setenv("BRINDLEWICK_RESOURCES", folder.path().c_str(), 1);
    EXPECT_EQ(ResourceBundle::main().resourceDirectory(), folder.path());
    ::setenv("BRINDLEWICK_RESOURCES", (folder / "missing").c_str(), 1);
    EXPECT_EQ(ResourceBundle::main().resourceDirectory(), std::nullopt);
    ::unsetenv("BRINDLEWICK_RESOURCES");
}

} // namespace
} // namespace bw
