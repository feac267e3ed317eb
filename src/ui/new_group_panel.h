// The small window the tray menu opens to create a group that new recordings then go into. At
// most one is open: asking again while it is visible brings the same one forward.
#pragma once

#include "ui/group_name_sheet.h"

#include <QPointer>

namespace bw {
class LibraryNavigation;
}

namespace bw::ui {

class NewGroupPanel {
public:
    explicit NewGroupPanel(LibraryNavigation& navigation);
    ~NewGroupPanel();
    NewGroupPanel(const NewGroupPanel&) = delete;
    NewGroupPanel& operator=(const NewGroupPanel&) = delete;

    // Brings the open panel forward, or opens a new one with an empty name.
    void show();
    // The panel last opened, if any (it may be hidden).
    GroupNameSheet* panel() const { return m_panel; }

private:
    LibraryNavigation& m_navigation;
    QPointer<GroupNameSheet> m_panel;
};

} // namespace bw::ui
