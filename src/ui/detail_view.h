// The window's right column: "Select a recording" when nothing is selected, the recording
// panel while the selected recording is being recorded, otherwise the recording's detail.
#pragma once

#include <QWidget>

class QStackedWidget;

namespace bw {
class LibraryModel;
class LibraryNavigation;
} // namespace bw

namespace bw::ui {

class EmptyStateView;
class ItemDetailView;
class RecordingPanel;

class DetailView : public QWidget {
    Q_OBJECT

public:
    // Shows the selection of `navigation` in `library` on one of the pages given, which it takes
    // over.
    DetailView(const LibraryModel& library, const LibraryNavigation& navigation,
               RecordingPanel* recordingPanel, ItemDetailView* itemDetail,
               QWidget* parent = nullptr);

    // The page on show: the placeholder, the recording panel or the item's detail.
    QWidget* currentPage() const;
    EmptyStateView* emptyState() const { return m_emptyState; }
    RecordingPanel* recordingPanel() const { return m_recordingPanel; }
    ItemDetailView* itemDetail() const { return m_itemDetail; }

private:
    void refresh();

    const LibraryModel& m_library;
    const LibraryNavigation& m_navigation;
    QStackedWidget* m_stack;
    EmptyStateView* m_emptyState;
    RecordingPanel* m_recordingPanel;
    ItemDetailView* m_itemDetail;
};

} // namespace bw::ui
