#include "ui/group_sidebar.h"

#include "library/library_model.h"
#include "library/library_navigation.h"
#include "ui/confirmation.h"
#include "ui/sidebar_list.h"
#include "ui/symbols.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace bw::ui {

GroupSidebar::GroupSidebar(LibraryModel& library, LibraryNavigation& navigation, QWidget* parent)
    : QWidget(parent), m_library(library), m_navigation(navigation),
      m_list(new SidebarList(library)),
      m_newGroupButton(new QPushButton(symbol("plus"), "New Group…")) {
    m_newGroupButton->setFlat(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_newGroupButton, 0, Qt::AlignLeft);

    connect(m_newGroupButton, &QPushButton::clicked, this,
            [this] { m_navigation.setGroupEditor(GroupEditor::make(GroupEditor::Create{})); });
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* row) {
        // Choosing nothing (or the heading) leaves the filter as it is.
        const auto filter = SidebarList::filterOf(row);
        if (!filter) {
            QMetaObject::invokeMethod(this, &GroupSidebar::showSelectedFilter,
                                      Qt::QueuedConnection);
        } else if (*filter != m_navigation.filter()) {
            m_navigation.setFilter(*filter);
        }
    });
    connect(m_list, &QWidget::customContextMenuRequested, this, &GroupSidebar::showContextMenu);
    connect(m_list, &SidebarList::deleteRequested, this, &GroupSidebar::deleteSelectedGroup);
    connect(&library, &LibraryModel::itemsChanged, this, &GroupSidebar::reload);
    connect(&library, &LibraryModel::groupsChanged, this, &GroupSidebar::reload);
    connect(&navigation, &LibraryNavigation::filterChanged, this,
            &GroupSidebar::showSelectedFilter);
    reload();
}

void GroupSidebar::reload() {
    const QSignalBlocker blocker(m_list);
    m_list->setRows(sidebarRows(m_library));
    showSelectedFilter();
}

void GroupSidebar::showSelectedFilter() {
    const QSignalBlocker blocker(m_list);
    m_list->setCurrentItem(m_list->rowFor(m_navigation.filter()));
}

void GroupSidebar::showContextMenu(const QPoint& position) {
    const auto filter = SidebarList::filterOf(m_list->itemAt(position));
    const auto group =
        filter && filter->groupID() ? m_library.group(*filter->groupID()) : std::nullopt;
    if (!group) {
        return;
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction("Rename Group…", this, [this, group = *group] {
        m_navigation.setGroupEditor(GroupEditor::make(GroupEditor::Rename{group}));
    });
    menu->addAction("Delete Group…", this, [this, group = *group] { confirmDeleting(group); });
    menu->popup(m_list->viewport()->mapToGlobal(position));
}

void GroupSidebar::deleteSelectedGroup() {
    if (const auto id = m_navigation.filter().groupID()) {
        if (const auto group = m_library.group(*id)) {
            confirmDeleting(*group);
        }
    }
}

void GroupSidebar::confirmDeleting(const LibraryGroup& group) {
    if (m_deleting) {
        m_deleting->close();
    }
    const QString name = QString::fromStdString(group.name);
    m_deleting = openConfirmation(
        this, "Delete the group “" + name + "”?",
        "Only the group is deleted. Its recordings stay on this computer, under No Group.",
        "Delete Group", [this, id = group.id] { m_library.changes().deleteGroup(id); });
}

} // namespace bw::ui
