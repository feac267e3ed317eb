// The tray icon and its menu, which stay while the main window is closed: what the application
// is doing, the consent reminder, starting, pausing and stopping a recording, the group and the
// microphone new recordings use, opening the window, the update page and quitting. The menu is
// rebuilt from the models whenever they change and each time it is about to open.
#pragma once

#include "ui/new_group_panel.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <vector>

namespace bw {
class AppActions;
class LibraryModel;
class LibraryNavigation;
class RecorderModel;
class TranscriptionService;
class WindowRequests;
} // namespace bw

namespace bw::ui {

class TrayMenu : public QObject {
    Q_OBJECT

public:
    // `appName` is what the menu calls the application (MenuBarStatus::appName); `quit` ends
    // the application. The icon is shown only when `showIcon` is true (the desktop has a tray).
    // What the menu shows and acts on; none is owned, all must outlive the menu.
    struct Models {
        RecorderModel& recorder;
        LibraryModel& library;
        LibraryNavigation& navigation;
        TranscriptionService& transcription;
        WindowRequests& requests;
        AppActions& actions;
    };

    TrayMenu(Models models, QString appName, std::function<void()> quit, bool showIcon,
             QObject* parent = nullptr);

    QMenu& menu() { return m_menu; }
    const QSystemTrayIcon& icon() const { return m_icon; }
    // "MenuBarIcon", "MenuBarIconRecording" while recording, "MenuBarIconPaused" while paused.
    QString iconName() const;
    // Tells whether the main window is on screen; while it is not, a recording stopped from
    // the menu is confirmed by a desktop notification. Without it the window counts as shown.
    void setWindowShown(std::function<bool()> windowShown) {
        m_windowShown = std::move(windowShown);
    }
    // The widest a status line is drawn; longer ones are elided, with the whole text as tooltip.
    static constexpr int statusLineWidth = 360;
    NewGroupPanel& newGroupPanel() { return m_newGroupPanel; }

    // Replaces the menu's items with the models' current state.
    void rebuild();

signals:
    // A desktop notification was shown.
    void notified(const QString& title, const QString& message);

private:
    void scheduleRebuild();
    void updateStatus();
    void updateIcon();
    void showStatusLine(QAction& line, const QString& text);
    void stopRecording();

    Models m_models;
    QString m_appName;
    std::function<void()> m_quit;
    // The submenus are kept and refilled, since clearing the menu leaves submenus in place.
    QMenu m_groupMenu;
    QMenu m_microphoneMenu;
    QMenu m_menu;
    QSystemTrayIcon m_icon;
    NewGroupPanel m_newGroupPanel;
    std::vector<QAction*> m_statusLines;
    bool m_rebuildScheduled = false;
    std::function<bool()> m_windowShown = [] { return true; };
};

} // namespace bw::ui
