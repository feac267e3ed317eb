#include "app/app_model.h"

#include "platform/app_settings.h"
#include "search/search_index.h"
#include "whisper/model_selection.h"

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

AppModel::AppModel(LibraryStore store, Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_dialogFolders(m_services.defaults.get()) {
    const LibraryStore transcriptionStore = store;
    m_library = std::make_unique<LibraryModel>(std::move(store), m_alerts);
    m_navigation = std::make_unique<LibraryNavigation>(*m_library, m_services.defaults.get());
    m_imports = std::make_unique<ImportQueue>(*m_library, *m_navigation, m_alerts);
    m_player = std::make_unique<PlaybackModel>(m_services.makePlayer, m_services.defaults.get());
    m_recorder = std::make_unique<RecorderModel>(
        *m_library, *m_navigation, m_alerts, *m_services.microphoneAccess,
        m_services.defaults.get(), m_services.listDevices, m_services.makeSource);
    m_recorder->setMakeSystemSource(m_services.makeSystemSource);
    connect(m_recorder.get(), &RecorderModel::systemAudioUnavailable, this, [this] {
        m_alerts.raise(RecorderModel::systemAudioUnavailableTitle,
                       RecorderModel::systemAudioUnavailableMessage);
    });
    connect(m_recorder.get(), &RecorderModel::startFinished, this, [this] {
        if (m_alerts.alert()) {
            m_requests.presentMainWindow();
        }
    });
    m_transcription =
        std::make_unique<TranscriptionService>(transcriptionStore, m_services.makeEngine);
    m_resumer = std::make_unique<TranscriptionResumer>(*m_library, *m_transcription);
    m_openTranscript = std::make_unique<TranscriptPresenter>(*m_library, *m_transcription,
                                                             m_services.defaults.get());
    m_search =
        std::make_unique<LibrarySearch>(*m_library, SearchIndex::location(m_library->store()));
}

AppModel::~AppModel() = default;

void AppModel::startRecording() {
    if (m_recorder->phase() != RecorderModel::Phase::idle) {
        return;
    }
    if (m_services.startsRecordingInBackground) {
        m_recorder->requestStart(std::chrono::system_clock::now());
        return;
    }
    try {
        m_recorder->start(std::chrono::system_clock::now());
    } catch (const std::exception& error) {
        m_recorder->report(error);
    }
    if (m_alerts.alert()) {
        m_requests.presentMainWindow();
    }
}

void AppModel::deleteItem(const Uuid& id) {
    if (const auto item = m_library->item(id)) {
        if (m_player->url() == m_library->store().audioFileURL(*item)) {
            m_player->unload();
        }
    }
    m_transcription->cancel(id);
    m_library->changes().deleteItem(id);
}

void AppModel::showDiagnostics() {
    m_requests.setDiagnostics(DiagnosticsReport::collect(
        m_library->items(), m_services.bundle, m_services.modelsDirectory,
        m_library->store().rootURL(), m_services.microphoneAccess->status(),
        std::chrono::system_clock::now(), SystemInfo(),
        AppSettings(m_services.defaults.get()).usesGPU()));
}

void AppModel::openMicrophoneSettings() {
    ProgramLauncher& launcher = *m_services.launcher;
    if (launcher.isInstalled(mixerProgram)) {
        launcher.launch(mixerProgram, {mixerInputTab});
    } else if (launcher.isInstalled(opener)) {
        launcher.launch(opener, {soundSettingsURL});
    }
}

void AppModel::prepareToQuit() {
    QuitRoutine{m_recorder.get(), m_player.get(), m_openTranscript->editor(), m_transcription.get()}
        .run();
}

} // namespace bw
