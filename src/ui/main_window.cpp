#include "ui/main_window.h"

#include "app/app_model.h"

namespace bw::ui {

MainWindow::MainWindow(AppModel& app, QWidget* parent) : QMainWindow(parent), m_app(app) {
    setWindowTitle("Brindlewick");
    setMinimumSize(900, 460);
    resize(1100, 680);
}

} // namespace bw::ui
