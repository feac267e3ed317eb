// The window's first column: the sidebar list bound to the library's filter, with a context
// menu on group rows ("Rename Group…", "Delete Group…"), the "New Group…" button pinned below
// and the question asked before a group is deleted.
#pragma once

#include "base/uuid.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <optional>

class QPushButton;

namespace bw {
class LibraryModel;
class LibraryNavigation;
struct LibraryGroup;
} // namespace bw

namespace bw::ui {

class SidebarList;

class GroupSidebar : public QWidget {
    Q_OBJECT

public:
    GroupSidebar(LibraryModel& library, LibraryNavigation& navigation, QWidget* parent = nullptr);

    SidebarList* list() const { return m_list; }
    QPushButton* newGroupButton() const { return m_newGroupButton; }
    // The open delete confirmation, if any.
    QMessageBox* deleteConfirmation() const { return m_deleting; }

private:
    void reload();
    void showSelectedFilter();
    void showContextMenu(const QPoint& position);
    void confirmDeleting(const LibraryGroup& group);
    void deleteSelectedGroup();

    LibraryModel& m_library;
    LibraryNavigation& m_navigation;
    SidebarList* m_list;
    QPushButton* m_newGroupButton;
    QPointer<QMessageBox> m_deleting;
};

} // namespace bw::ui
