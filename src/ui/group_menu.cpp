#include "ui/group_menu.h"

#include "library/library_model.h"
#include "library/library_navigation.h"
#include "ui/choice_menu.h"
#include "ui/menu_bar_status.h"

#include <QMenu>

namespace bw::ui::GroupMenu {

void fill(QMenu& menu, const LibraryModel& library, LibraryNavigation& navigation,
          const std::function<void()>& newGroup) {
    const auto choices = MenuBarStatus::destinationMenu(library, navigation);
    ChoiceMenu items(menu);
    menu.setTitle(QString::fromStdString(choices.title));
    auto add = [&](const MenuBarStatus::DestinationMenu::Choice& choice) {
        items.add(QString::fromStdString(choice.title), choice.isChecked, &navigation,
                  [&navigation, id = choice.groupID] { navigation.chooseDestination(id); });
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
