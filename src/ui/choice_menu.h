// Fills a menu with checkable choices of which one is checked, as one exclusive action group:
// choosing the checked item again leaves it checked. Used for the menus that are filled again
// on every opening (destination group, microphone).
#pragma once

#include <QString>

#include <functional>

class QActionGroup;
class QMenu;
class QObject;

namespace bw::ui {

class ChoiceMenu {
public:
    // Empties `menu`, with the action group of its previous filling, and starts a new group.
    explicit ChoiceMenu(QMenu& menu);

    // Adds a checkable item; `choose` runs, in `context`, when the user chooses it.
    void add(const QString& title, bool checked, QObject* context, std::function<void()> choose);

private:
    QMenu& m_menu;
    QActionGroup* m_group;
};

} // namespace bw::ui
