// The recording controls of the window's toolbar: the microphone menu, a divider and the record
// button.
#pragma once

#include <QWidget>

namespace bw {
class AppActions;
class RecorderModel;
} // namespace bw

namespace bw::ui {

class MicrophoneMenu;
class RecordButton;

class RecordingToolbarGroup : public QWidget {
    Q_OBJECT

public:
    RecordingToolbarGroup(RecorderModel& recorder, AppActions& actions, QWidget* parent = nullptr);

    MicrophoneMenu& microphoneMenu() { return *m_microphoneMenu; }
    RecordButton& recordButton() { return *m_recordButton; }

private:
    MicrophoneMenu* m_microphoneMenu;
    RecordButton* m_recordButton;
};

} // namespace bw::ui
