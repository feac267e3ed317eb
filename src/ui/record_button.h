// The record / stop button: "Record" starts a recording through the application's actions (with the
// consent reminder as its tooltip, unavailable while a start is under way); while recording or
// paused it is "Stop".
#pragma once

#include <QToolButton>

namespace bw {
class AppActions;
class RecorderModel;
} // namespace bw

namespace bw::ui {

class RecordButton : public QToolButton {
    Q_OBJECT

public:
    RecordButton(RecorderModel& recorder, AppActions& actions, QWidget* parent = nullptr);

private:
    void update();

    RecorderModel& m_recorder;
    AppActions& m_actions;
};

} // namespace bw::ui
