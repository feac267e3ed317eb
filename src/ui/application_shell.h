// Everything the desktop application shows over one application model: the main window with its
// menus and, where the desktop has a tray, the tray icon and menu. It installs the model's way of
// bringing the window forward. With a tray, closing the window leaves the application running
// (the tray can bring it back); without one, closing the window quits, since nothing else could.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace bw {
class AppModel;
}

namespace bw::ui {

class AppCommands;
class MainWindow;
class TrayMenu;

class ApplicationShell : public QObject {
    Q_OBJECT

public:
    // `quit` ends the application (QCoreApplication::quit in the program).
    ApplicationShell(AppModel& app, bool trayAvailable, std::function<void()> quit);
    ~ApplicationShell() override;

    MainWindow& window() { return *m_window; }
    AppCommands& commands() { return *m_commands; }
    // None when the desktop has no tray.
    TrayMenu* tray() { return m_tray.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppModel& m_app;
    std::function<void()> m_quit;
    std::unique_ptr<MainWindow> m_window;
    AppCommands* m_commands; // owned by the window
    std::unique_ptr<TrayMenu> m_tray;
};

} // namespace bw::ui
