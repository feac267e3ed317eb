// The menu that chooses the group new recordings go into: "No Group", the groups (the chosen one
// checked) and "New Group…".
#pragma once

#include <functional>

class QMenu;

namespace bw {
class LibraryModel;
class LibraryNavigation;
} // namespace bw

namespace bw::ui::GroupMenu {

// Titles the menu with the destination line and replaces its items with the current choices.
void fill(QMenu& menu, const LibraryModel& library, LibraryNavigation& navigation,
          const std::function<void()>& newGroup);

} // namespace bw::ui::GroupMenu
