#include "ui/group_menu.h"

#include "library/library_model.h"
#include "ui/menu_bar_status.h"

#include <QActionGroup>
#include <QMenu>

namespace bw::ui::GroupMenu {

void fill(QMenu& menu, LibraryModel& library, const std::function<void()>& newGroup) {
    const auto choices = MenuBarStatus::destinationMenu(library);
    menu.clear();
    // The previous fill's group is empty now; a menu that is filled on every opening would
    // otherwise collect them.
    qDeleteAll(menu.findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
    menu.setTitle(QString::fromStdString(choices.title));
    // Exclusive, so that choosing the checked item again leaves it checked: unchecking does
    // nothing.
    auto* group = new QActionGroup(&menu);
    auto add = [&](const MenuBarStatus::DestinationMenu::Choice& choice) {
        auto* action = menu.addAction(QString::fromStdString(choice.title));
        action->setCheckable(true);
        action->setChecked(choice.isChecked);
        action->setActionGroup(group);
        QObject::connect(action, &QAction::triggered, &library,
                         [&library, id = choice.groupID] { library.chooseDestination(id); });
    };
    add(choices.noGroup);
    if (!choices.groups.empty()) {
        menu.addSeparator();
        for (const auto& choice : choices.groups) {
            add(choice);
        }
    }
    menu.addSeparator();
    QObject::connect(menu.addAction("New Group\u2026"), &QAction::triggered, &menu, newGroup);
}

} // namespace bw::ui::GroupMenu
