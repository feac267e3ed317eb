// The main window's menu bar: the application menu (Check for Updates…, Quit), File (New
// Recording…, Import Audio…, New Group…) and Help (Export Diagnostics…, Acknowledgements…, the
// privacy policy, and the window's keys for finding and transcribing under "Keyboard
// Shortcuts"). Items act on the models given; New Recording… is available only while
// the recorder is idle.
#pragma once

#include <QObject>

#include <functional>

class QAction;

namespace bw {
class AppActions;
class LibraryNavigation;
class RecorderModel;
class WindowRequests;
} // namespace bw

namespace bw::ui {

class AcknowledgementsWindow;
class MainWindow;

class AppCommands : public QObject {
    Q_OBJECT

public:
    // What the items act on; none is owned, all must outlive the commands.
    struct Models {
        RecorderModel& recorder;
        LibraryNavigation& navigation;
        WindowRequests& requests;
        AppActions& actions;
    };

    // Installs the menus on `window`'s menu bar; `quit` ends the application.
    AppCommands(Models models, MainWindow& window, std::function<void()> quit);

    // Creates the acknowledgements window on first use; later uses bring the same one forward.
    void showAcknowledgements();
    AcknowledgementsWindow* acknowledgementsWindow() const { return m_acknowledgements; }

private:
    Models m_models;
    MainWindow& m_window;
    AcknowledgementsWindow* m_acknowledgements = nullptr; // a child window of m_window
};

} // namespace bw::ui
