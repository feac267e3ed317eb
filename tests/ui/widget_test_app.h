// What every widget test stands on: a QApplication on Qt's offscreen platform, and an
// application model over a temporary library with fake microphone, player, engine and
// launcher, so views drive real models without a sound server or a speech model.
#pragma once

#include "app/app_model.h"
#include "fakes/fake_audio_input_source.h"
#include "fakes/fake_audio_player.h"
#include "fakes/fake_microphone_access.h"
#include "fakes/fake_program_launcher.h"
#include "fakes/scripted_transcription_engine.h"
#include "support/temporary_folder.h"
#include "ui/tray_menu.h"

#include <QApplication>

#include <functional>
#include <memory>
#include <vector>

namespace bw::test {

// Created on first use on the test's main thread and kept for the rest of the run.
QApplication& widgetApplication();

// Processes events until `condition` holds or `timeoutMs` passes; returns the condition.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

class WidgetTestApp {
public:
    WidgetTestApp();
    ~WidgetTestApp();

    // A finished recording of `seconds` of tone, made through the recorder as the user would.
    Uuid record(double seconds = 1.0);
    // Starts a recording and delivers `seconds` of tone; it stays running.
    Uuid startRecording(double seconds = 1.0);
    // Imports a WAV file of a tone and waits until the library lists it.
    Uuid importTone(const std::string& name, double seconds = 2.0);
    // The application model's parts a tray menu shows.
    ui::TrayMenu::Models trayModels();

    TemporaryFolder root;
    TemporaryFolder files;
    std::shared_ptr<ScriptedTranscriptionEngine> engine;
    std::shared_ptr<FakeAudioInputSource> source;
    FakeAudioPlayers players;
    FakeMicrophoneAccess* access = nullptr;
    FakeProgramLauncher* launcher = nullptr;
    std::vector<AudioInputDevice> devices;
    int presented = 0;
    std::unique_ptr<AppModel> app;
};

} // namespace bw::test
