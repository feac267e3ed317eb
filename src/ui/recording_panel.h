// What the detail pane shows for the recording in progress: its state, running time, level meter,
// microphone and the pause and stop buttons.
#pragma once

#include <QWidget>

namespace bw {
class AppModel;
class LibraryModel;
struct GroupEditor;
} // namespace bw

namespace bw::ui {

class RecordingPanel : public QWidget {
    Q_OBJECT

public:
    explicit RecordingPanel(AppModel& app, QWidget* parent = nullptr);
};

} // namespace bw::ui
