// The window's middle column: the heading and the recordings of the sidebar's filter, bound to
// the library's selection, with a context menu ("Rename…", "Move To", "Delete…"), the delete
// key, the rename sheet, the question asked before deleting, and a placeholder when there is
// nothing to list.
#pragma once

#include "ui/rename_sheet.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QListView;
class QMenu;
class QStackedWidget;

namespace bw {
class AppModel;
struct LibraryItem;
} // namespace bw

namespace bw::ui {

class EmptyStateView;
class RecordingListHeader;
class RecordingListModel;

class RecordingList : public QWidget {
    Q_OBJECT

public:
    explicit RecordingList(AppModel& app, QWidget* parent = nullptr);

    RecordingListHeader* header() const { return m_header; }
    QListView* view() const { return m_view; }
    RecordingListModel* model() const { return m_model; }
    // The placeholder, shown instead of the list when it is visible.
    EmptyStateView* emptyState() const { return m_emptyState; }
    // The context menu of the recording at `row` (the caller owns it).
    QMenu* makeContextMenu(int row);
    RenameSheet* renameSheet() const { return m_renaming; }
    QMessageBox* deleteConfirmation() const { return m_deleting; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    void showSelection();
    void selectRow();
    void rename(const LibraryItem& item);
    void confirmDeleting(const LibraryItem& item);
    void deleteSelected();
    bool isDeletable(const LibraryItem& item) const;

    AppModel& m_app;
    RecordingListHeader* m_header;
    QStackedWidget* m_stack;
    QListView* m_view;
    EmptyStateView* m_emptyState;
    RecordingListModel* m_model;
    QPointer<RenameSheet> m_renaming;
    QPointer<QMessageBox> m_deleting;
    bool m_showingSelection = false;
};

} // namespace bw::ui
