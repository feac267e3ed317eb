// The reminder above the detail pane to ask everyone for consent before recording.
#pragma once

#include <QWidget>

namespace bw {
class AppModel;
class LibraryModel;
struct GroupEditor;
} // namespace bw

namespace bw::ui {

class ConsentInstruction : public QWidget {
    Q_OBJECT

public:
    explicit ConsentInstruction(QWidget* parent = nullptr);
};

} // namespace bw::ui
