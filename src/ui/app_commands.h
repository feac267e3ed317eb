// The main window's menu bar: the application menu (Check for Updates…, Quit), File (New
// Recording…, Import Audio…, New Group…) and Help (Export Diagnostics…, Acknowledgements…, the
// privacy policy, and the window's keys for finding and transcribing under "Keyboard
// Shortcuts"). Items act on the application model; New Recording… is available only while
// the recorder is idle.
#pragma once

#include <QObject>

#include <functional>

class QAction;

namespace bw {
class AppModel;
}

namespace bw::ui {

class AcknowledgementsWindow;
class MainWindow;

class AppCommands : public QObject {
    Q_OBJECT

public:
    // Installs the menus on `window`'s menu bar; `quit` ends the application.
    AppCommands(AppModel& app, MainWindow& window, std::function<void()> quit);

    // Creates the acknowledgements window on first use; later uses bring the same one forward.
    void showAcknowledgements();
    AcknowledgementsWindow* acknowledgementsWindow() const { return m_acknowledgements; }

private:
    AppModel& m_app;
    MainWindow& m_window;
    AcknowledgementsWindow* m_acknowledgements = nullptr; // a child window of m_window
};

} // namespace bw::ui
