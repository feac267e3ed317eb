// The application's one model, made at launch and kept until it quits: it owns the library,
// the recorder, the player, the transcription service and the search, what the window and the
// menu-bar item are asked to present (WindowRequests) and the commands that take several of them
// (AppActions). On quitting it finishes a recording in progress, stops playback, saves the open
// transcript, interrupts a transcription (which the live model resumes at the next launch) and
// shuts the engine down.
//
// Main thread only.
#pragma once

#include "app/app_actions.h"
#include "app/app_services.h"
#include "app/dialog_folders.h"
#include "app/program_launcher.h"
#include "app/quit_routine.h"
#include "app/transcript_presenter.h"
#include "app/transcription_resumer.h"
#include "app/window_requests.h"
#include "library/import_queue.h"
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "library/playback_model.h"
#include "platform/microphone_access.h"
#include "platform/resource_bundle.h"
#include "platform/user_defaults.h"
#include "recording/recorder_model.h"
#include "search/library_search.h"
#include "service/transcription_service.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace bw {

class AppModel : public QObject {
    Q_OBJECT

public:
    // What the model is made over; live() fills it with the real services, tests with fakes.
    using Services = AppServices;

    AppModel(LibraryStore store, Services services, QObject* parent = nullptr);
    ~AppModel() override;

    // The model over the standard library folder (or the temporary one, with an alert), the
    // user's defaults, the sound server and the bundled models; its quit handling runs when
    // the application is about to quit, and the transcriptions an earlier quit interrupted
    // carry on.
    static std::unique_ptr<AppModel> live();

    AlertCentre& alerts() { return m_alerts; }
    LibraryModel& library() { return *m_library; }
    LibraryNavigation& navigation() { return *m_navigation; }
    ImportQueue& imports() { return *m_imports; }
    RecorderModel& recorder() { return *m_recorder; }
    PlaybackModel& player() { return *m_player; }
    TranscriptionService& transcription() { return *m_transcription; }
    LibrarySearch& search() { return *m_search; }
    // The transcript the detail pane shows; its editor's edits are saved when the application
    // quits.
    TranscriptPresenter& openTranscript() { return *m_openTranscript; }
    // The user's preferences; null when the model was made without them.
    UserDefaults* defaults() const { return m_services.defaults.get(); }
    DialogFolders& dialogFolders() { return m_dialogFolders; }

    // What the window is asked to present: the importer, the diagnostics, itself.
    WindowRequests& requests() { return m_requests; }

    // The commands that take several of the models above.
    AppActions& actions() { return *m_actions; }

    // For the moment before the application quits (QuitRoutine): finishes a recording in
    // progress into the library, stops playback, saves the open transcript's edits, interrupts
    // a running transcription and shuts the engine down, waiting at most
    // QuitRoutine::engineShutdownSeconds. Safe to call more than once.
    void prepareToQuit();

private:
    Services m_services;
    AlertCentre m_alerts;
    // Before the models whose signals ask for the window, so that it outlives them.
    WindowRequests m_requests;
    std::unique_ptr<LibraryModel> m_library;
    std::unique_ptr<LibraryNavigation> m_navigation;
    std::unique_ptr<ImportQueue> m_imports;
    std::unique_ptr<PlaybackModel> m_player;
    // Declared after the library it records into, so that it finishes first.
    std::unique_ptr<RecorderModel> m_recorder;
    std::unique_ptr<TranscriptionService> m_transcription;
    std::unique_ptr<TranscriptionResumer> m_resumer;
    // After the library and the service its editor depends on, so that it goes first.
    std::unique_ptr<TranscriptPresenter> m_openTranscript;
    // After the library it keeps its index in line with, so that it goes first.
    std::unique_ptr<LibrarySearch> m_search;
    DialogFolders m_dialogFolders;
    std::unique_ptr<AppActions> m_actions;
};

} // namespace bw
