#include "ui/new_group_panel.h"

#include "library/library_navigation.h"
#include "ui/group_name_sheet.h"
#include "ui/window_placement.h"

namespace bw::ui {

NewGroupPanel::NewGroupPanel(LibraryNavigation& navigation) : m_navigation(navigation) {}

NewGroupPanel::~NewGroupPanel() {
    delete m_panel;
}

void NewGroupPanel::show() {
    if (!m_panel || !m_panel->isVisible()) {
        delete m_panel;
        m_panel =
            new GroupNameSheet(GroupEditor::make(GroupEditor::CreateAsDestination{}), m_navigation);
        m_panel->setWindowTitle("New Group");
        m_panel->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        m_panel->setModal(false);
        m_panel->adjustSize();
        centreOnScreen(*m_panel);
        m_panel->show();
    }
    m_panel->raise();
    m_panel->activateWindow();
}

} // namespace bw::ui
