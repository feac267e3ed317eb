#include "ui/new_group_panel.h"

#include "library/library_model.h"
#include "ui/group_name_sheet.h"
#include "ui/window_placement.h"

namespace bw::ui {

NewGroupPanel::NewGroupPanel(LibraryModel& library) : m_library(library) {}

NewGroupPanel::~NewGroupPanel() {
    delete m_panel;
}

void NewGroupPanel::show() {
    if (!m_panel || !m_panel->isVisible()) {
        delete m_panel;
        m_panel =
            new GroupNameSheet(GroupEditor::make(GroupEditor::CreateAsDestination{}), m_library);
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
