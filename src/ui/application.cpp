#include "ui/application.h"

#include "app/app_model.h"
#include "platform/library_location.h"
#include "ui/app_icons.h"
#include "ui/application_shell.h"
#include "ui/main_window.h"
#include "ui/quit_signal_notifier.h"
#include "ui/single_instance.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace bw::ui {

namespace {

// The folder the window's model opens (AppModel::live), without creating it.
std::filesystem::path libraryRootToOpen() {
    try {
        return standardLibraryRoot();
    } catch (const std::exception&) {
        return temporaryLibraryRoot();
    }
}

} // namespace

int runApplication(int argc, char** argv) {
    // Before QApplication and the models start their threads. The signals stay unblocked
    // outside the watcher, so programs the window starts (a browser) do not inherit them
    // blocked.
    SignalCancellation signalWatcher(SignalCancellation::Mask::blockedInWatcherOnly);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Brindlewick");
    QApplication::setApplicationDisplayName("Brindlewick");
    QApplication::setDesktopFileName("brindlewick");
    QApplication::setWindowIcon(AppIcons::application());
    // The shell decides when closing the window quits (only where there is no tray).
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance(SingleInstance::socketPath(libraryRootToOpen()));
    if (instance.forwardToRunningInstance()) {
        return 0;
    }

    // Its quit handling runs on aboutToQuit, which live() connects.
    auto app = AppModel::live();
    const auto quit = [] { QCoreApplication::quit(); };
    QuitSignalNotifier quitOnSignal(signalWatcher, quit);
    ApplicationShell shell(*app, QSystemTrayIcon::isSystemTrayAvailable(), quit);
    QObject::connect(&instance, &SingleInstance::showRequested, app.get(),
                     [model = app.get()] { model->requests().presentMainWindow(); });
    shell.window().show();
    return QApplication::exec();
}

} // namespace bw::ui
