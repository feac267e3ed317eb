// The toolbar's microphone button: a menu of the input devices with the chosen one checked,
// refreshed from the sound server each time it opens, usable only while nothing is recorded.
#pragma once

#include <QToolButton>

namespace bw {
class RecorderModel;
}

namespace bw::ui {

class MicrophoneMenu : public QToolButton {
    Q_OBJECT

public:
    explicit MicrophoneMenu(RecorderModel& recorder, QWidget* parent = nullptr);

private:
    void update();

    RecorderModel& m_recorder;
};

} // namespace bw::ui
