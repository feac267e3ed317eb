// Which Whisper model the program uses. The user's choice is kept in the settings
// (AppSettings::whisperModel, a short name such as "large-v3-turbo-q5_0"); its file is taken
// from the user models folder ($XDG_DATA_HOME/Brindlewick/Models), or from the bundle's Models
// folder when the bundle ships that model. Without a choice the bundled model is used.
#pragma once

#include "platform/resource_bundle.h"
#include "platform/user_defaults.h"
#include "transcription/transcription_engine.h"
#include "whisper/whisper_cpp_engine.h"
#include "whisper/whisper_cpp_model.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace bw {

class ModelSelection {
public:
    ModelSelection(ResourceBundle bundle, UserDefaults& defaults,
                   std::filesystem::path userDirectory);

    const std::filesystem::path& userDirectory() const { return m_userDirectory; }

    // The name stored in the settings, as it is; nothing when none (an empty value is none).
    std::optional<std::string> choice() const;
    void choose(WhisperCppModel model);
    void clearChoice();

    // The model the bundle ships (Info.json's BWWhisperModelFile), when known.
    std::optional<WhisperCppModel> bundledModel() const;

    // The model in use: the chosen one when the choice names a known model, else the bundled
    // one; nothing when the choice is unknown or there is neither.
    std::optional<WhisperCppModel> modelInUse() const;

    // Where the model's file would be installed by the user.
    std::filesystem::path userFile(WhisperCppModel model) const;
    struct InstalledFile {
        std::filesystem::path file;
        bool bundled = false; // in the bundle's Models folder, which the user cannot change
    };
    // The model's file: in the user folder, else in the bundle's Models folder; nothing when
    // neither has it.
    std::optional<InstalledFile> installedFile(WhisperCppModel model) const;

    // The engine over the model in use, with the Silero model from the user folder when it is
    // there, else from the bundle. Without a choice this is BundledModels::makeEngine. A choice
    // whose file is missing, or that names no known model, throws
    // TranscriptionError::modelNotFound with the path the file was expected at; the choice is
    // kept.
    std::unique_ptr<TranscriptionEngine>
    makeEngine(int threadCount = WhisperCppEngine::defaultThreadCount()) const;

private:
    ResourceBundle m_bundle;
    UserDefaults& m_defaults;
    std::filesystem::path m_userDirectory;
};

// What looks wrong with an installed model file without loading it: not a whisper.cpp model,
// or much smaller than published (cut off). Nothing when it looks sound or cannot be judged.
std::optional<std::string> modelFileProblem(const std::filesystem::path& file,
                                            WhisperCppModel model);

} // namespace bw
