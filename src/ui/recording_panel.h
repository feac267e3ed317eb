// What the detail pane shows for the recording in progress: its state, running time, level meter,
// microphone and the pause and stop buttons.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace bw {
class RecorderModel;
} // namespace bw

namespace bw::ui {

class LevelMeterView;

class RecordingPanel : public QWidget {
    Q_OBJECT

public:
    explicit RecordingPanel(RecorderModel& recorder, QWidget* parent = nullptr);

private:
    void update();
    void showDuration();
    void showLevel();

    RecorderModel& m_recorder;
    QLabel* m_symbol;
    QLabel* m_state;
    QLabel* m_duration;
    LevelMeterView* m_meter;
    QLabel* m_device;
    QPushButton* m_pauseResume;
    QPushButton* m_stop;
};

} // namespace bw::ui
