// What the application model is made over: the user's defaults, the sound server, the program
// launcher, the engine, the player and the bundle. AppModel::live() fills it with the real
// services, tests with fakes.
#pragma once

#include "app/program_launcher.h"
#include "library/playback_model.h"
#include "platform/microphone_access.h"
#include "platform/resource_bundle.h"
#include "platform/user_defaults.h"
#include "recording/recorder_model.h"
#include "service/transcription_service.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace bw {

struct AppServices {
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<MicrophoneAccess> microphoneAccess;
    std::unique_ptr<ProgramLauncher> launcher;
    RecorderModel::ListDevices listDevices;
    RecorderModel::MakeSource makeSource;
    // None: recordings never offer this computer's sound.
    RecorderModel::MakeSystemSource makeSystemSource;
    // Called by the service on the first transcription, not before.
    TranscriptionService::EngineFactory makeEngine;
    AudioPlayerFactory makePlayer;
    ResourceBundle bundle{std::nullopt};
    std::optional<std::filesystem::path> modelsDirectory;
    // The program starts recordings away from the main thread (RecorderModel::
    // requestStart); without it startRecording() returns with the recording running.
    bool startsRecordingInBackground = false;
};

} // namespace bw
