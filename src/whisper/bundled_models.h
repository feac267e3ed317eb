// Finds the model files shipped in the resources folder and makes the engine from them.
// Info.json's BWWhisperModelFile names the Whisper model; the Silero model lies beside it in
// the Models folder.
#pragma once

#include "platform/resource_bundle.h"
#include "platform/user_defaults.h"
#include "transcription/transcription_engine.h"
#include "whisper/whisper_cpp_engine.h"
#include "whisper/whisper_cpp_model.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace bw {

class BundledModels {
public:
    BundledModels() = delete;

    // The bundle's "Models" folder; nothing without a resources folder.
    static std::optional<std::filesystem::path> directory(const ResourceBundle& bundle);

    // The model Info.json names, when it names a known model file.
    static std::optional<WhisperCppModel> model(const ResourceBundle& bundle);

    // The engine over the shipped models, asking for the GPU when `useGPU`. Throws
    // TranscriptionError::modelNotFound with "Models/" and the named file ("Models/?" without
    // the key) when the folder or a known model name is missing, and passes on the engine's
    // errors (a missing file is reported with its full path).
    static std::unique_ptr<TranscriptionEngine>
    makeEngine(const ResourceBundle& bundle,
               int threadCount = WhisperCppEngine::defaultThreadCount(), bool useGPU = true);

    // The engine over the model the user chose in the settings (see ModelSelection), from the
    // user models folder ($XDG_DATA_HOME/Brindlewick/Models) or the bundle; the shipped model
    // as above when there is no choice.
    static std::unique_ptr<TranscriptionEngine>
    makeEngine(const ResourceBundle& bundle, UserDefaults& defaults,
               int threadCount = WhisperCppEngine::defaultThreadCount());
};

} // namespace bw
