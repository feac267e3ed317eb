// The window's right column: "Select a recording" when nothing is selected, the recording
// panel while the selected recording is being recorded, otherwise the recording's detail.
#pragma once

#include <QWidget>

class QStackedWidget;

namespace bw {
class AppModel;
}

namespace bw::ui {

class EmptyStateView;
class ItemDetailView;
class RecordingPanel;

class DetailView : public QWidget {
    Q_OBJECT

public:
    explicit DetailView(AppModel& app, QWidget* parent = nullptr);

    // The page on show: the placeholder, the recording panel or the item's detail.
    QWidget* currentPage() const;
    EmptyStateView* emptyState() const { return m_emptyState; }
    RecordingPanel* recordingPanel() const { return m_recordingPanel; }
    ItemDetailView* itemDetail() const { return m_itemDetail; }

private:
    void refresh();

    AppModel& m_app;
    QStackedWidget* m_stack;
    EmptyStateView* m_emptyState;
    RecordingPanel* m_recordingPanel;
    ItemDetailView* m_itemDetail;
};

} // namespace bw::ui
