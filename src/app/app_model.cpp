#include "app/app_model.h"

#include "search/search_index.h"
#include "whisper/model_selection.h"

#include <chrono>
#include <exception>

namespace bw {

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
    m_actions =
        std::make_unique<AppActions>(AppActions::Models{*m_library, *m_recorder, *m_player,
                                                        *m_transcription, m_alerts, m_requests},
                                     m_services);
}

AppModel::~AppModel() = default;

void AppModel::prepareToQuit() {
    QuitRoutine{m_recorder.get(), m_player.get(), m_openTranscript->editor(), m_transcription.get()}
        .run();
}

} // namespace bw
