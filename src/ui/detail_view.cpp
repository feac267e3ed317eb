#include "ui/detail_view.h"

#include "library/library_model.h"
#include "library/library_navigation.h"
#include "ui/empty_state_view.h"
#include "ui/item_detail_view.h"
#include "ui/recording_panel.h"

#include <QStackedWidget>
#include <QVBoxLayout>

namespace bw::ui {

DetailView::DetailView(const LibraryModel& library, const LibraryNavigation& navigation,
                       RecordingPanel* recordingPanel, ItemDetailView* itemDetail, QWidget* parent)
    : QWidget(parent), m_library(library), m_navigation(navigation), m_stack(new QStackedWidget),
      m_emptyState(new EmptyStateView), m_recordingPanel(recordingPanel), m_itemDetail(itemDetail) {
    m_emptyState->setContent("waveform", "Select a recording");
    m_stack->addWidget(m_emptyState);
    m_stack->addWidget(m_recordingPanel);
    m_stack->addWidget(m_itemDetail);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    connect(&navigation, &LibraryNavigation::selectionChanged, this, &DetailView::refresh);
    connect(&library, &LibraryModel::itemsChanged, this, &DetailView::refresh);
    connect(&library, &LibraryModel::activeRecordingIDChanged, this, &DetailView::refresh);
    refresh();
}

QWidget* DetailView::currentPage() const {
    return m_stack->currentWidget();
}

void DetailView::refresh() {
    const auto& selection = m_navigation.selection();
    const auto item = selection ? m_library.item(*selection) : std::nullopt;
    if (!item) {
        m_stack->setCurrentWidget(m_emptyState);
    } else if (m_library.activeRecordingID() == item->id) {
        // From the moment the library lists a new recording, while it still starts: its audio
        // file is being written, so the player must not open it.
        m_stack->setCurrentWidget(m_recordingPanel);
    } else {
        m_itemDetail->showItem(*item);
        m_stack->setCurrentWidget(m_itemDetail);
    }
}

} // namespace bw::ui
