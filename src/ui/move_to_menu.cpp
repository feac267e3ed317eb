#include "ui/move_to_menu.h"

#include "library/library_model.h"
#include "library/library_navigation.h"

namespace bw::ui {

MoveToMenu::MoveToMenu(const LibraryItem& item, LibraryModel& library,
                       LibraryNavigation& navigation, QWidget* parent)
    : QMenu("Move To", parent) {
    const Uuid id = item.id;
    QAction* noGroup =
        addAction("No Group", this, [&library, id] { library.changes().move({id}, {}); });
    noGroup->setEnabled(item.groupID.has_value());
    if (!library.groups().empty()) {
        addSeparator();
    }
    for (const auto& group : library.groups()) {
        QAction* entry =
            addAction(QString::fromStdString(group.name), this, [&library, id, groupID = group.id] {
                library.changes().move({id}, groupID);
            });
        entry->setEnabled(item.groupID != group.id);
    }
    addSeparator();
    addAction("New Group…", this, [&navigation, id] {
        navigation.setGroupEditor(GroupEditor::make(GroupEditor::Create{{id}}));
    });
}

} // namespace bw::ui
