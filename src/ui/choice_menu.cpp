#include "ui/choice_menu.h"

#include <QActionGroup>
#include <QMenu>

namespace bw::ui {

ChoiceMenu::ChoiceMenu(QMenu& menu) : m_menu(menu) {
    menu.clear();
    // The previous filling's group is empty now; a menu filled on every opening would
    // otherwise collect them.
    qDeleteAll(menu.findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
    m_group = new QActionGroup(&menu);
    m_group->setExclusive(true);
}

void ChoiceMenu::add(const QString& title, bool checked, QObject* context,
                     std::function<void()> choose) {
    auto* action = m_menu.addAction(title);
    action->setCheckable(true);
    action->setChecked(checked);
    action->setActionGroup(m_group);
    QObject::connect(action, &QAction::triggered, context, std::move(choose));
}

} // namespace bw::ui
