#include "ui/app_commands.h"

#include "app/app_actions.h"
#include "app/window_requests.h"
#include "library/library_navigation.h"
#include "recording/recorder_model.h"
#include "ui/acknowledgements_window.h"
#include "ui/main_window.h"
#include "ui/web_page.h"
#include "ui/window_keys.h"

#include <QMenuBar>

namespace bw::ui {

AppCommands::AppCommands(Models models, MainWindow& window, std::function<void()> quit)
    : QObject(&window), m_models(models), m_window(window) {
    auto* bar = window.menuBar();

    auto* application = bar->addMenu("&Brindlewick");
    connect(application->addAction("Check for Updates\u2026"), &QAction::triggered, this,
            &UpdatePage::open);
    application->addSeparator();
    auto* quitAction = application->addAction("Quit Brindlewick");
    quitAction->setShortcut(QKeySequence::Quit);
    quitAction->setMenuRole(QAction::QuitRole);
    connect(quitAction, &QAction::triggered, this, [quit = std::move(quit)] { quit(); });

    auto* file = bar->addMenu("&File");
    auto* newRecording = file->addAction("New Recording\u2026");
    newRecording->setShortcut(QKeySequence("Ctrl+N"));
    connect(newRecording, &QAction::triggered, this, [this] { m_models.actions.startRecording(); });
    auto updateNewRecording = [this, newRecording] {
        newRecording->setEnabled(m_models.recorder.phase() == RecorderModel::Phase::idle);
    };
    connect(&m_models.recorder, &RecorderModel::phaseChanged, this, updateNewRecording);
    updateNewRecording();
    auto* import = file->addAction("Import Audio\u2026");
    import->setShortcut(QKeySequence("Ctrl+O"));
    connect(import, &QAction::triggered, this,
            [this] { m_models.requests.setImporterPresented(true); });
    auto* newGroup = file->addAction("New Group\u2026");
    newGroup->setShortcut(QKeySequence("Shift+Ctrl+N"));
    connect(newGroup, &QAction::triggered, this, [this] {
        m_models.requests.presentMainWindow();
        m_models.navigation.setGroupEditor(GroupEditor::make(GroupEditor::Create{}));
    });

    auto* help = bar->addMenu("&Help");
    connect(help->addAction("Export Diagnostics\u2026"), &QAction::triggered, this,
            [this] { m_models.actions.showDiagnostics(); });
    connect(help->addAction("Acknowledgements\u2026"), &QAction::triggered, this,
            &AppCommands::showAcknowledgements);
    connect(help->addAction("Brindlewick Privacy Policy"), &QAction::triggered, this,
            &PrivacyPolicyPage::open);
    help->addSeparator();
    QMenu* keys = help->addMenu("&Keyboard Shortcuts");
    keys->addActions(window.keys()->actions());
    keys->insertSeparator(window.keys()->playOrPause());
}

void AppCommands::showAcknowledgements() {
    if (!m_acknowledgements) {
        const auto bundle = ResourceBundle::main();
        m_acknowledgements = new AcknowledgementsWindow(
            Acknowledgements::all(bundle),
            [bundle](const Acknowledgement& entry) {
                return Acknowledgements::licenceText(entry, bundle);
            },
            &m_window);
    }
    m_acknowledgements->present();
}

} // namespace bw::ui
