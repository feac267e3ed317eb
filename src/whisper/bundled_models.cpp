#include "whisper/bundled_models.h"

#include "platform/library_location.h"
#include "transcription/transcription_error.h"
#include "whisper/model_selection.h"
#include "whisper/whisper_cpp_engine.h"

namespace bw {

namespace {

constexpr const char* modelKey = "BWWhisperModelFile";

} // namespace

std::optional<std::filesystem::path> BundledModels::directory(const ResourceBundle& bundle) {
    if (!bundle.resourceDirectory()) {
        return std::nullopt;
    }
    return *bundle.resourceDirectory() / "Models" / "";
}

std::optional<WhisperCppModel> BundledModels::model(const ResourceBundle& bundle) {
    auto value = bundle.infoValue(modelKey);
    if (!value || !value->is_string()) {
        return std::nullopt;
    }
    return whisperCppModelFromFileName(value->get<std::string>());
}

std::unique_ptr<TranscriptionEngine> BundledModels::makeEngine(const ResourceBundle& bundle,
                                                               int threadCount, bool useGPU) {
    auto folder = directory(bundle);
    auto shipped = model(bundle);
    if (folder && shipped) {
        return std::make_unique<WhisperCppEngine>(*folder, *shipped, useGPU, threadCount);
    }
    auto value = bundle.infoValue(modelKey);
    std::string named = !value               ? "?"
                        : value->is_string() ? value->get<std::string>()
                                             : value->dump();
    throw TranscriptionError::modelNotFound("Models/" + named);
}

std::unique_ptr<TranscriptionEngine>
BundledModels::makeEngine(const ResourceBundle& bundle, UserDefaults& defaults, int threadCount) {
    return ModelSelection(bundle, defaults, userModelsDirectory()).makeEngine(threadCount);
}

} // namespace bw
