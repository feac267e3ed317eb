#include "ui/application.h"

#include "app/app_model.h"
#include "ui/main_window.h"

#include <QApplication>

namespace bw::ui {

int runApplication(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Brindlewick");
    QApplication::setApplicationDisplayName("Brindlewick");
    QApplication::setDesktopFileName("brindlewick");

    auto app = AppModel::live();
    MainWindow window(*app);
    app->setPresentMainWindow([&window] {
        window.show();
        window.raise();
        window.activateWindow();
    });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, app.get(),
                     [&app] { app->prepareToQuit(); });
    window.show();
    return QApplication::exec();
}

} // namespace bw::ui
