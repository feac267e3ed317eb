#include "ui/widget_test_app.h"

#include "fakes/memory_user_defaults.h"
#include "library/library_test_support.h"
#include "recording/captured_audio.h"
#include "support/core_application.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace bw::test {

namespace {

// The application made by widgetApplication(), deleted when the tests end: left to the static
// destructors, it would outlive caches of Qt's own (the theme icons') that its clean-up uses.
QApplication* madeApplication = nullptr;

class WidgetApplicationEnvironment : public testing::Environment {
public:
    void TearDown() override {
        delete madeApplication;
        madeApplication = nullptr;
    }
};

const testing::Environment* const widgetEnvironment =
    testing::AddGlobalTestEnvironment(new WidgetApplicationEnvironment);

} // namespace

QApplication& widgetApplication() {
    if (!QApplication::instance()) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "bw-widget-tests";
        static char* argv[] = {name, nullptr};
        madeApplication = new QApplication(argc, argv);
    }
    return *qobject_cast<QApplication*>(QApplication::instance());
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    widgetApplication(); // before waitUntil would make a QCoreApplication instead
    return waitUntil(condition, timeoutMs);
}

WidgetTestApp::WidgetTestApp() {
    widgetApplication();
    engine = std::make_shared<ScriptedTranscriptionEngine>();
    AppModel::Services services;
    auto microphoneAccess = std::make_unique<FakeMicrophoneAccess>();
    auto programLauncher = std::make_unique<FakeProgramLauncher>();
    access = microphoneAccess.get();
    launcher = programLauncher.get();
    services.defaults = std::make_unique<MemoryUserDefaults>();
    services.microphoneAccess = std::move(microphoneAccess);
    services.launcher = std::move(programLauncher);
    services.listDevices = [this] { return devices; };
    services.makeSource = [this](const std::optional<AudioInputDevice>&) {
        source = std::make_shared<FakeAudioInputSource>();
        return source;
    };
    services.makeEngine = [this]() -> std::shared_ptr<TranscriptionEngine> { return engine; };
    services.makePlayer = players.factory();
    app = std::make_unique<AppModel>(LibraryStore(root.path()), std::move(services));
    app->requests().setPresentMainWindow([this] { ++presented; });
}

WidgetTestApp::~WidgetTestApp() {
    if (engine) {
        engine->release();
    }
    if (app) {
        app->prepareToQuit();
    }
}

ui::TrayMenu::Models WidgetTestApp::trayModels() {
    return {app->recorder(),      app->library(),  app->navigation(),
            app->transcription(), app->requests(), app->actions()};
}

Uuid WidgetTestApp::startRecording(double seconds) {
    app->actions().startRecording();
    const CaptureFormat format{CaptureFormat::SampleType::signedInt16LittleEndian, 48000, 2};
    sine(format, seconds, 440, 0.5).deliver([this](const CaptureBuffer& buffer) {
        source->deliver(buffer);
    });
    waitFor([&] { return app->recorder().duration() > seconds - 0.1; });
    return app->recorder().activeItemID().value();
}

Uuid WidgetTestApp::record(double seconds) {
    const Uuid id = startRecording(seconds);
    app->recorder().stop();
    return id;
}

Uuid WidgetTestApp::importTone(const std::string& name, double seconds) {
    const auto file = files.path() / (name + ".wav");
    writeWav(file, seconds);
    const auto before = app->library().items().size();
    app->imports().importFiles({file});
    waitFor([&] { return app->library().items().size() > before; });
    for (const auto& item : app->library().items()) {
        if (item.title == name) {
            return item.id;
        }
    }
    return app->library().items().front().id;
}

} // namespace bw::test
