// The chosen model against the bundled one, and what the catalog says about each model.
#include "whisper/model_selection.h"

#include "fakes/memory_user_defaults.h"
#include "platform/app_settings.h"
#include "support/test_files.h"
#include "transcription/transcription_error.h"
#include "whisper/model_catalog.h"
#include "whisper/whisper_cpp_engine.h"

#include <gtest/gtest.h>

#include <fstream>

namespace bw {
namespace {

namespace fs = std::filesystem;

TEST(ModelCatalog, NamesEveryModelWithAChecksumOrSaysItHasNone) {
    for (auto model : allWhisperCppModels()) {
        EXPECT_EQ(modelNamed(modelName(model)), model);
        EXPECT_EQ(modelNamed(fileName(model)), model);
        EXPECT_FALSE(modelNote(model).empty());
        EXPECT_GT(publishedSize(model), 0u);
        if (auto sha1 = publishedSha1(model)) {
            EXPECT_EQ(sha1->find_first_not_of("0123456789abcdef"), std::string::npos);
            EXPECT_EQ(sha1->size(), 40u) << modelName(model);
        }
    }
    EXPECT_EQ(modelName(WhisperCppModel::largeV3TurboQ5), "large-v3-turbo-q5_0");
    EXPECT_EQ(modelNamed("large"), std::nullopt);
    // whisper.cpp publishes neither the Slovak fine-tunes nor medium in q5_1.
    EXPECT_EQ(publishedSha1(WhisperCppModel::kinitLargeV3TurboSkQ5), std::nullopt);
    EXPECT_EQ(publishedSha1(WhisperCppModel::mediumQ5), std::nullopt);
    EXPECT_EQ(publishedSha1(WhisperCppModel::largeV3TurboQ5),
              "e050f7970618a659205450ad97eb95a18d69c9ee");
}

class ModelSelectionTest : public testing::Test {
protected:
    void SetUp() override {
        BW_REQUIRE_ENGINE_FILES(files);
        m_files = files;
        fs::create_directories(m_bundle / "Models");
        fs::create_directories(m_user);
        std::ofstream(m_bundle / "Info.json") << R"({"BWWhisperModelFile": "ggml-base.bin"})";
        fs::create_symlink(files.model, m_bundle / "Models/ggml-base.bin");
        fs::create_symlink(files.vad, m_bundle / "Models/ggml-silero-v6.2.0.bin");
    }

    ModelSelection selection() {
        return ModelSelection(ResourceBundle(m_bundle), m_defaults, m_user);
    }

    test::TemporaryFolder m_folder;
    fs::path m_bundle = m_folder / "bundle";
    fs::path m_user = m_folder / "user";
    MemoryUserDefaults m_defaults;
    test::EngineFiles m_files;
};

TEST_F(ModelSelectionTest, TheChosenModelInTheUserFolderComesBeforeTheBundledOne) {
    struct Case {
        const char* choice;        // nullptr: none
        const char* userFile;      // linked into the user folder; nullptr: none
        const char* expectedModel; // the recognizer's model file, relative to the test folder
    };
    for (const Case& example : {
             Case{nullptr, nullptr, "bundle/Models/ggml-base.bin"},
             Case{"", nullptr, "bundle/Models/ggml-base.bin"},
             Case{"base", "ggml-base.bin", "user/ggml-base.bin"},
             Case{"base", nullptr, "bundle/Models/ggml-base.bin"},
             Case{"small-q5_1", "ggml-small-q5_1.bin", "user/ggml-small-q5_1.bin"},
         }) {
        SCOPED_TRACE(example.choice ? example.choice : "no choice");
        fs::remove_all(m_user);
        fs::create_directories(m_user);
        m_defaults.values.clear();
        if (example.choice) {
            m_defaults.values[std::string(AppSettings::whisperModelKey)] = example.choice;
        }
        if (example.userFile) {
            fs::create_symlink(m_files.model, m_user / example.userFile);
        }
        auto engine = selection().makeEngine(1);
        auto& whisper = dynamic_cast<WhisperCppEngine&>(*engine);
        EXPECT_EQ(whisper.recognizer().modelFile(), m_folder.path() / example.expectedModel);
        EXPECT_EQ(whisper.detector().modelFile(),
                  m_folder.path() / "bundle/Models/ggml-silero-v6.2.0.bin");
    }
}

TEST_F(ModelSelectionTest, AChoiceWithoutItsFileFailsAndIsKept) {
    for (std::string choice : {"large-v3", "no-such-model"}) {
        m_defaults.values[std::string(AppSettings::whisperModelKey)] = choice;
        std::string expected = choice == "large-v3" ? "ggml-large-v3.bin" : choice;
        try {
            selection().makeEngine(1);
            ADD_FAILURE() << "made an engine for " << choice;
        } catch (const TranscriptionError& error) {
            EXPECT_EQ(error.kind(), TranscriptionError::Kind::modelNotFound);
            EXPECT_EQ(std::string(error.what()),
                      "Model not found: " + (m_user / expected).string());
        }
        EXPECT_EQ(m_defaults.values[std::string(AppSettings::whisperModelKey)], choice);
        EXPECT_EQ(selection().modelInUse(), modelNamed(choice));
    }
}

} // namespace
} // namespace bw
