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
class AppModel;
}

namespace bw::ui {

class TrayMenu : public QObject {
    Q_OBJECT

public:
    // `appName` is what the menu calls the application (MenuBarStatus::appName); `quit` ends
    // the application. The icon is shown only when `showIcon` is true (the desktop has a tray).
    TrayMenu(AppModel& app, QString appName, std::function<void()> quit, bool showIcon,
             QObject* parent = nullptr);

    QMenu& menu() { return m_menu; }
    const QSystemTrayIcon& icon() const { return m_icon; }
    // "MenuBarIcon", or "MenuBarIconRecording" while recording or paused.
    QString iconName() const;
    NewGroupPanel& newGroupPanel() { return m_newGroupPanel; }

    // Replaces the menu's items with the models' current state.
    void rebuild();

private:
    void scheduleRebuild();
    void updateStatus();
    void updateIcon();

    AppModel& m_app;
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
};

} // namespace bw::ui
