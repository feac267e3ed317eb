#include "ui/tray_menu.h"

#include "app/app_actions.h"
#include "app/window_requests.h"
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "recording/recorder_model.h"
#include "service/transcription_service.h"
#include "ui/app_icons.h"
#include "ui/consent_instruction.h"
#include "ui/group_menu.h"
#include "ui/menu_bar_status.h"
#include "ui/microphone_picker.h"
#include "ui/web_page.h"

namespace bw::ui {

TrayMenu::TrayMenu(Models models, QString appName, std::function<void()> quit, bool showIcon,
                   QObject* parent)
    : QObject(parent), m_models(models), m_appName(std::move(appName)), m_quit(std::move(quit)),
      m_newGroupPanel(models.navigation) {
    auto& recorder = m_models.recorder;
    auto& library = m_models.library;
    // The menu changes shape when these change; the actions may be the ones being triggered,
    // so they are replaced once control is back in the event loop.
    for (auto signal :
         {&RecorderModel::phaseChanged, &RecorderModel::devicesChanged,
          &RecorderModel::selectedDeviceUIDChanged, &RecorderModel::recordsSystemAudioChanged}) {
        connect(&recorder, signal, this, &TrayMenu::scheduleRebuild);
    }
    for (auto signal : {&LibraryModel::groupsChanged, &LibraryModel::itemsChanged,
                        &LibraryModel::activeRecordingIDChanged}) {
        connect(&library, signal, this, &TrayMenu::scheduleRebuild);
    }
    connect(&m_models.navigation, &LibraryNavigation::filterChanged, this,
            &TrayMenu::scheduleRebuild);
    connect(&recorder, &RecorderModel::durationChanged, this, &TrayMenu::updateStatus);
    connect(&m_models.transcription, &TranscriptionService::jobChanged, this,
            &TrayMenu::updateStatus);
    connect(&recorder, &RecorderModel::phaseChanged, this, &TrayMenu::updateIcon);
    connect(&m_menu, &QMenu::aboutToShow, this, [this] {
        if (m_models.recorder.phase() == RecorderModel::Phase::idle) {
            m_models.recorder.refreshDevices();
        }
        rebuild();
    });
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    m_models.requests.presentMainWindow();
                }
            });
    m_icon.setContextMenu(&m_menu);
    recorder.refreshDevices();
    updateIcon();
    rebuild();
    if (showIcon) {
        m_icon.show();
    }
}

namespace {

AppIcons::TrayState trayState(RecorderModel::Phase phase) {
    switch (phase) {
    case RecorderModel::Phase::recording:
        return AppIcons::TrayState::recording;
    case RecorderModel::Phase::paused:
        return AppIcons::TrayState::paused;
    case RecorderModel::Phase::idle:
    case RecorderModel::Phase::starting:
        break;
    }
    return AppIcons::TrayState::idle;
}

} // namespace

QString TrayMenu::iconName() const {
    return AppIcons::menuBarIconName(trayState(m_models.recorder.phase()));
}

void TrayMenu::updateIcon() {
    m_icon.setIcon(AppIcons::menuBar(trayState(m_models.recorder.phase())));
    m_icon.setToolTip(m_models.recorder.isRecording() ? m_appName + ", recording" : m_appName);
}

void TrayMenu::scheduleRebuild() {
    if (m_rebuildScheduled) {
        return;
    }
    m_rebuildScheduled = true;
    QMetaObject::invokeMethod(this, &TrayMenu::rebuild, Qt::QueuedConnection);
}

void TrayMenu::updateStatus() {
    const auto lines =
        MenuBarStatus::lines(m_models.recorder, m_models.transcription, m_models.library);
    if (lines.size() != m_statusLines.size()) {
        scheduleRebuild();
        return;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        showStatusLine(*m_statusLines[i], QString::fromStdString(lines[i]));
    }
}

void TrayMenu::showStatusLine(QAction& line, const QString& text) {
    const QString shown = m_menu.fontMetrics().elidedText(text, Qt::ElideMiddle, statusLineWidth);
    line.setText(shown);
    line.setToolTip(shown == text ? QString() : text);
}

void TrayMenu::stopRecording() {
    const auto id = m_models.recorder.activeItemID();
    const bool windowHidden = !m_windowShown();
    m_models.recorder.stop();
    if (!windowHidden || !id) {
        return;
    }
    const auto item = m_models.library.item(*id);
    const QString title = "Recording stopped";
    const QString message =
        item ? "\u201c" + QString::fromStdString(item->title) + "\u201d is saved in the library."
             : QString("The recording is saved in the library.");
    m_icon.showMessage(title, message, AppIcons::application());
    emit notified(title, message);
}

void TrayMenu::rebuild() {
    m_rebuildScheduled = false;
    m_menu.clear();
    m_statusLines.clear();
    auto& recorder = m_models.recorder;
    const auto phase = recorder.phase();
    const bool idle = phase == RecorderModel::Phase::idle;
    auto addLine = [this](const QString& text) {
        auto* line = m_menu.addAction(text);
        line->setEnabled(false);
        return line;
    };

    if (m_appName != "Brindlewick") {
        addLine(m_appName + ": a development build, not the installed app");
    }
    for (const auto& line :
         MenuBarStatus::lines(m_models.recorder, m_models.transcription, m_models.library)) {
        auto* action = addLine({});
        showStatusLine(*action, QString::fromStdString(line));
        m_statusLines.push_back(action);
    }
    m_menu.addSeparator();
    addLine(ConsentInstruction::text());

    auto* start = m_menu.addAction("Start Recording");
    start->setEnabled(idle);
    connect(start, &QAction::triggered, this, [this] { m_models.actions.startRecording(); });

    GroupMenu::fill(m_groupMenu, m_models.library, m_models.navigation,
                    [this] { m_newGroupPanel.show(); });
    m_menu.addMenu(&m_groupMenu);

    m_microphoneMenu.setTitle("Microphone");
    MicrophonePicker::fill(m_microphoneMenu, recorder);
    m_microphoneMenu.setEnabled(idle);
    m_menu.addMenu(&m_microphoneMenu);

    if (m_models.recorder.isRecording()) {
        m_menu.addSeparator();
        const bool paused = phase == RecorderModel::Phase::paused;
        auto* pauseResume = m_menu.addAction(paused ? "Resume Recording" : "Pause Recording");
        connect(pauseResume, &QAction::triggered, &recorder,
                paused ? &RecorderModel::resume : &RecorderModel::pause);
        connect(m_menu.addAction("Stop Recording"), &QAction::triggered, this,
                &TrayMenu::stopRecording);
    }

    m_menu.addSeparator();
    connect(m_menu.addAction("Open " + m_appName), &QAction::triggered, this,
            [this] { m_models.requests.presentMainWindow(); });
    connect(m_menu.addAction("Check for Updates\u2026"), &QAction::triggered, this,
            &UpdatePage::open);
    m_menu.addSeparator();
    connect(m_menu.addAction("Quit " + m_appName), &QAction::triggered, this, [this] { m_quit(); });
}

} // namespace bw::ui
