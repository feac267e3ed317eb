// The real wiring of the application model: kept apart so that tests link without the sound
// server's player or the Whisper engine being made.
#include "app/app_model.h"
#include "library/copy.h"
#include "platform/audio_input_devices.h"
#include "platform/json_user_defaults.h"
#include "platform/library_location.h"
#include "platform/pulse_audio_player.h"
#include "platform/system_microphone_access.h"
#include "whisper/bundled_models.h"

#include <QCoreApplication>

namespace bw {

std::unique_ptr<AppModel> AppModel::live() {
    std::filesystem::path root;
    std::exception_ptr rootError;
    try {
        root = LibraryStore::defaultRootURL();
    } catch (const std::exception&) {
        rootError = std::current_exception();
        root = temporaryLibraryRoot();
    }

    Services services;
    services.defaults = std::make_unique<JsonUserDefaults>();
    services.microphoneAccess = std::make_unique<SystemMicrophoneAccess>();
    services.launcher = std::make_unique<SystemProgramLauncher>();
    services.listDevices = &AudioInputDevices::available;
    services.makeSource = makeSystemMicrophoneSource;
    services.makeSystemSource = makeSystemAudioSource;
    services.bundle = ResourceBundle::main();
    services.modelsDirectory = BundledModels::directory(services.bundle);
    services.makePlayer = PulseAudioPlayer::factory();
    services.startsRecordingInBackground = true;
    UserDefaults* defaults = services.defaults.get();
    services.makeEngine = [bundle = services.bundle,
                           defaults]() -> std::shared_ptr<TranscriptionEngine> {
        return BundledModels::makeEngine(bundle, *defaults);
    };

    auto model = std::make_unique<AppModel>(LibraryStore(std::move(root)), std::move(services));
    if (rootError) {
        try {
            std::rethrow_exception(rootError);
        } catch (const std::exception& error) {
            model->alerts().raise("Brindlewick couldn't open its library",
                                  Copy::libraryUnavailable(error));
        }
    }
    if (auto* application = QCoreApplication::instance()) {
        QObject::connect(application, &QCoreApplication::aboutToQuit, model.get(),
                         &AppModel::prepareToQuit);
    }
    model->m_resumer->resumeInterrupted();
    return model;
}

} // namespace bw
