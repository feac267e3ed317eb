// The main window: the sidebar of groups, the list of recordings and the detail pane.
#pragma once

#include <QMainWindow>

namespace bw {
class AppModel;
}

namespace bw::ui {

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(AppModel& app, QWidget* parent = nullptr);

private:
    AppModel& m_app;
};

} // namespace bw::ui
