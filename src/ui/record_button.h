// The record / stop button: "Record" starts a recording through the application model (with the
// consent reminder as its tooltip, unavailable while a start is under way); while recording or
// paused it is "Stop".
#pragma once

#include <QToolButton>

namespace bw {
class AppModel;
}

namespace bw::ui {

class RecordButton : public QToolButton {
    Q_OBJECT

public:
    explicit RecordButton(AppModel& app, QWidget* parent = nullptr);

private:
    void update();

    AppModel& m_app;
};

} // namespace bw::ui
