#include "ui/detail_view.h"

#include "app/app_model.h"
#include "ui/empty_state_view.h"
#include "ui/item_detail_view.h"
#include "ui/recording_panel.h"

#include <QStackedWidget>
#include <QVBoxLayout>

namespace bw::ui {

DetailView::DetailView(AppModel& app, QWidget* parent)
    : QWidget(parent), m_app(app), m_stack(new QStackedWidget), m_emptyState(new EmptyStateView),
      m_recordingPanel(new RecordingPanel(app)), m_itemDetail(new ItemDetailView(app)) {
    m_emptyState->setContent("waveform", "Select a recording");
    m_stack->addWidget(m_emptyState);
    m_stack->addWidget(m_recordingPanel);
    m_stack->addWidget(m_itemDetail);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    LibraryModel& library = app.library();
    connect(&app.navigation(), &LibraryNavigation::selectionChanged, this, &DetailView::refresh);
    connect(&library, &LibraryModel::itemsChanged, this, &DetailView::refresh);
    connect(&library, &LibraryModel::activeRecordingIDChanged, this, &DetailView::refresh);
    refresh();
}

QWidget* DetailView::currentPage() const {
    return m_stack->currentWidget();
}

void DetailView::refresh() {
    const auto& selection = m_app.navigation().selection();
    const auto item = selection ? m_app.library().item(*selection) : std::nullopt;
    if (!item) {
        m_stack->setCurrentWidget(m_emptyState);
    } else if (m_app.library().activeRecordingID() == item->id) {
        // From the moment the library lists a new recording, while it still starts: its audio
        // file is being written, so the player must not open it.
        m_stack->setCurrentWidget(m_recordingPanel);
    } else {
        m_itemDetail->showItem(*item);
        m_stack->setCurrentWidget(m_itemDetail);
    }
}

} // namespace bw::ui
