// The sheet that asks for a group's name, for creating or renaming a group.
#pragma once

#include <QDialog>

namespace bw {
class AppModel;
class LibraryModel;
struct GroupEditor;
} // namespace bw

namespace bw::ui {

class GroupNameSheet : public QDialog {
    Q_OBJECT

public:
    // Performs the editor's request on confirming; stays open with the problem shown when it fails.
    GroupNameSheet(const GroupEditor& editor, LibraryModel& library, QWidget* parent = nullptr);
};

} // namespace bw::ui
