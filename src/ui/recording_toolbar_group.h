// The recording controls of the window's toolbar: the microphone menu, a divider and the record
// button.
#pragma once

#include <QWidget>

namespace bw {
class AppModel;
class LibraryModel;
struct GroupEditor;
} // namespace bw

namespace bw::ui {

class RecordingToolbarGroup : public QWidget {
    Q_OBJECT

public:
    explicit RecordingToolbarGroup(AppModel& app, QWidget* parent = nullptr);
};

} // namespace bw::ui
