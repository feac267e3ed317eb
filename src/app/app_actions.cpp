#include "app/app_actions.h"

#include "app/window_requests.h"
#include "library/library_model.h"
#include "platform/app_settings.h"

#include <chrono>
#include <exception>

namespace bw {

namespace {

// pavucontrol's "Input Devices" tab.
constexpr const char* mixerProgram = "pavucontrol";
constexpr const char* mixerInputTab = "--tab=4";
constexpr const char* opener = "xdg-open";
// The sound page of the desktop's settings, for desktops that register a settings handler.
constexpr const char* soundSettingsURL = "settings://sound";

} // namespace

void AppActions::startRecording() {
    if (m_models.recorder.phase() != RecorderModel::Phase::idle) {
        return;
    }
    if (m_services.startsRecordingInBackground) {
        m_models.recorder.requestStart(std::chrono::system_clock::now());
        return;
    }
    try {
        m_models.recorder.start(std::chrono::system_clock::now());
    } catch (const std::exception& error) {
        m_models.recorder.report(error);
    }
    if (m_models.alerts.alert()) {
        m_models.requests.presentMainWindow();
    }
}

void AppActions::deleteItem(const Uuid& id) {
    if (const auto item = m_models.library.item(id)) {
        if (m_models.player.url() == m_models.library.store().audioFileURL(*item)) {
            m_models.player.unload();
        }
    }
    m_models.transcription.cancel(id);
    m_models.library.changes().deleteItem(id);
}

void AppActions::showDiagnostics() {
    m_models.requests.setDiagnostics(DiagnosticsReport::collect(
        m_models.library.items(), m_services.bundle, m_services.modelsDirectory,
        m_models.library.store().rootURL(), m_services.microphoneAccess->status(),
        std::chrono::system_clock::now(), SystemInfo(),
        AppSettings(m_services.defaults.get()).usesGPU()));
}

void AppActions::openMicrophoneSettings() {
    ProgramLauncher& launcher = *m_services.launcher;
    if (launcher.isInstalled(mixerProgram)) {
        launcher.launch(mixerProgram, {mixerInputTab});
    } else if (launcher.isInstalled(opener)) {
        launcher.launch(opener, {soundSettingsURL});
    }
}

} // namespace bw
