// The user's commands that take several models at once: starting a recording (and bringing the
// window forward when it fails), deleting a recording safely while it plays or is transcribed,
// collecting the diagnostics report for its sheet, and opening the desktop's sound settings.
//
// Made by the application model over its own models and services; main thread only.
#pragma once

#include "app/app_services.h"

namespace bw {

class AlertCentre;
class LibraryModel;
class PlaybackModel;
class RecorderModel;
class TranscriptionService;
class WindowRequests;

class AppActions {
public:
    // The models the commands act on; none is owned, all must outlive the actions.
    struct Models {
        LibraryModel& library;
        RecorderModel& recorder;
        PlaybackModel& player;
        TranscriptionService& transcription;
        AlertCentre& alerts;
        WindowRequests& requests;
    };

    // `services` is not owned and must outlive the actions.
    AppActions(Models models, const AppServices& services)
        : m_models(models), m_services(services) {}

    // Starts a recording unless one is running or starting. A failure becomes an alert, and the
    // main window comes forward when an alert is waiting (once the start has ended, when it runs
    // in the background).
    void startRecording();
    // Unloads the player when it holds this recording's audio, cancels its transcription and
    // deletes it (failures become an alert).
    void deleteItem(const Uuid& id);
    // Collects the diagnostics report into the window requests' diagnostics().
    void showDiagnostics();
    // Opens the desktop's sound input settings: pavucontrol's input tab when installed, else
    // the sound settings through xdg-open, else nothing.
    void openMicrophoneSettings();

private:
    Models m_models;
    const AppServices& m_services;
};

} // namespace bw
