#include "whisper/model_selection.h"

#include "platform/app_settings.h"

#include "transcription/transcription_error.h"
#include "whisper/bundled_models.h"
#include "whisper/model_catalog.h"
#include "whisper/whisper_cpp_engine.h"

#include <cstdint>
#include <fstream>

namespace bw {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t ggmlMagic = 0x67676d6c; // "ggml", stored little-endian

bool isFile(const fs::path& file) {
    std::error_code error;
    return fs::is_regular_file(file, error);
}

} // namespace

ModelSelection::ModelSelection(ResourceBundle bundle, UserDefaults& defaults,
                               fs::path userDirectory)
    : m_bundle(std::move(bundle)), m_defaults(defaults), m_userDirectory(std::move(userDirectory)) {
}

std::optional<std::string> ModelSelection::choice() const {
    return AppSettings(&m_defaults).whisperModel();
}

void ModelSelection::choose(WhisperCppModel model) {
    AppSettings(&m_defaults).setWhisperModel(modelName(model));
}

void ModelSelection::clearChoice() {
    AppSettings(&m_defaults).setWhisperModel(std::nullopt);
}

std::optional<WhisperCppModel> ModelSelection::bundledModel() const {
    return BundledModels::model(m_bundle);
}

std::optional<WhisperCppModel> ModelSelection::modelInUse() const {
    if (auto chosen = choice()) {
        return modelNamed(*chosen);
    }
    return bundledModel();
}

fs::path ModelSelection::userFile(WhisperCppModel model) const {
    return m_userDirectory / fileName(model);
}

std::optional<ModelSelection::InstalledFile>
ModelSelection::installedFile(WhisperCppModel model) const {
    if (isFile(userFile(model))) {
        return InstalledFile{userFile(model), false};
    }
    if (auto folder = BundledModels::directory(m_bundle)) {
        fs::path bundled = folder->parent_path() / fileName(model);
        if (isFile(bundled)) {
            return InstalledFile{bundled, true};
        }
    }
    return std::nullopt;
}

std::unique_ptr<TranscriptionEngine> ModelSelection::makeEngine(int threadCount) const {
    auto chosen = choice();
    if (!chosen) {
        return BundledModels::makeEngine(m_bundle, threadCount, AppSettings(&m_defaults).usesGPU());
    }
    auto model = modelNamed(*chosen);
    if (!model) {
        throw TranscriptionError::modelNotFound((m_userDirectory / *chosen).string());
    }
    auto installed = installedFile(*model);
    if (!installed) {
        throw TranscriptionError::modelNotFound(userFile(*model).string());
    }
    fs::path vad = m_userDirectory / WhisperCppEngine::vadModelFileName;
    if (auto folder = BundledModels::directory(m_bundle); folder && !isFile(vad)) {
        vad = folder->parent_path() / WhisperCppEngine::vadModelFileName;
    }
    return std::make_unique<WhisperCppEngine>(
        installed->file, vad, AppSettings(&m_defaults).usesGPU(), predictsTimestamps(*model),
        SileroVoiceActivityDetector::Parameters{}, threadCount);
}

std::optional<std::string> modelFileProblem(const fs::path& file, WhisperCppModel model) {
    std::ifstream in(file, std::ios::binary);
    unsigned char head[4] = {};
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) {
        return "damaged: too short to be a model";
    }
    std::uint32_t magic =
        head[0] | (head[1] << 8) | (head[2] << 16) | (std::uint32_t(head[3]) << 24);
    if (magic != ggmlMagic) {
        return "damaged: not a whisper.cpp model file";
    }
    std::error_code error;
    auto size = fs::file_size(file, error);
    if (!error && size < publishedSize(model) / 2) {
        return "damaged: smaller than published (cut off?)";
    }
    return std::nullopt;
}

} // namespace bw
