// The "Move To" submenu of a recording: "No Group", one entry per group and "New Group…",
// which asks for a name for a new group holding this recording.
#pragma once

#include "library/library_item.h"

#include <QMenu>

namespace bw {
class LibraryModel;
class LibraryNavigation;
} // namespace bw

namespace bw::ui {

class MoveToMenu : public QMenu {
    Q_OBJECT

public:
    MoveToMenu(const LibraryItem& item, LibraryModel& library, LibraryNavigation& navigation,
               QWidget* parent = nullptr);
};

} // namespace bw::ui
