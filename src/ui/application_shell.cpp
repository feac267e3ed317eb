#include "ui/application_shell.h"

#include "app/app_model.h"
#include "platform/resource_bundle.h"
#include "ui/app_commands.h"
#include "ui/app_icons.h"
#include "ui/main_window.h"
#include "ui/menu_bar_status.h"
#include "ui/tray_menu.h"

#include <QEvent>

namespace bw::ui {

ApplicationShell::ApplicationShell(AppModel& app, bool trayAvailable, std::function<void()> quit)
    : m_app(app), m_quit(std::move(quit)), m_window(std::make_unique<MainWindow>(app)),
      m_commands(new AppCommands({app.recorder(), app.navigation(), app.requests(), app.actions()},
                                 *m_window, m_quit)) {
    m_window->setWindowIcon(AppIcons::application());
    m_window->installEventFilter(this);
    m_app.requests().setPresentMainWindow([window = m_window.get()] {
        window->show();
        window->raise();
        window->activateWindow();
    });
    if (trayAvailable) {
        const auto name = MenuBarStatus::appName(ResourceBundle::main().info());
        m_tray = std::make_unique<TrayMenu>(TrayMenu::Models{app.recorder(), app.library(),
                                                             app.navigation(), app.transcription(),
                                                             app.requests(), app.actions()},
                                            QString::fromStdString(name), m_quit, true);
        m_tray->setWindowShown(
            [window = m_window.get()] { return window->isVisible() && !window->isMinimized(); });
    }
}

ApplicationShell::~ApplicationShell() {
    m_app.requests().setPresentMainWindow([] {});
}

bool ApplicationShell::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window.get() && event->type() == QEvent::Close && !m_tray) {
        m_quit();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace bw::ui
