// The sheet that asks for a group's name, for creating or renaming a group.
#pragma once

#include "library/group_editor.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace bw {
class LibraryNavigation;
} // namespace bw

namespace bw::ui {

class GroupNameSheet : public QDialog {
    Q_OBJECT

public:
    // Performs the editor's request on confirming and closes (accepts) on success; stays open
    // with the problem shown under the name when it fails.
    GroupNameSheet(const GroupEditor& editor, LibraryNavigation& navigation,
                   QWidget* parent = nullptr);

    const GroupEditor& editor() const { return m_editor; }

private:
    void confirm();

    GroupEditor m_editor;
    LibraryNavigation& m_navigation;
    QLineEdit* m_name;
    QLabel* m_problem;
    QPushButton* m_confirm;
};

} // namespace bw::ui
