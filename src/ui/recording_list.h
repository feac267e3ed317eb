// The window's middle column: the search field, the heading and the recordings of the sidebar's
// filter (narrowed to those the search finds, each with its best match), bound to the library's
// selection, with a context menu ("Rename…", "Move To", "Delete…"), the delete key, the rename
// sheet, the question asked before deleting, and a placeholder when there is nothing to list.
// Typing in the search field searches a moment after the last key; Escape clears it.
#pragma once

#include "ui/rename_sheet.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QLineEdit;
class QListView;
class QMenu;
class QStackedWidget;
class QTimer;

namespace bw {
class AppActions;
class LibraryModel;
class LibraryNavigation;
class LibrarySearch;
class RecordingListModel;
struct LibraryItem;
} // namespace bw

namespace bw::ui {

class EmptyStateView;
class RecordingListHeader;
class RecordingRows;

class RecordingList : public QWidget {
    Q_OBJECT

public:
    // Lists the rows of `rows` (which it takes over) that `navigation` and `search` choose in
    // `library`; deletes through `actions`.
    RecordingList(LibraryModel& library, LibraryNavigation& navigation, LibrarySearch& search,
                  AppActions& actions, RecordingListModel* rows, QWidget* parent = nullptr);

    // How long typing pauses before the search runs.
    static constexpr int searchDelayMs = 150;

    QLineEdit* searchField() const { return m_search; }
    RecordingListHeader* header() const { return m_header; }
    QListView* view() const { return m_view; }
    RecordingRows* model() const { return m_model; }
    // Puts the keyboard focus in the search field with its text selected.
    void focusSearch();
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
    void searchTyped();
    void showSelection();
    void selectRow();
    void rename(const LibraryItem& item);
    void confirmDeleting(const LibraryItem& item);
    void deleteSelected();
    bool isDeletable(const LibraryItem& item) const;

    LibraryModel& m_library;
    LibraryNavigation& m_navigation;
    LibrarySearch& m_librarySearch;
    AppActions& m_actions;
    QLineEdit* m_search;
    QTimer* m_searchDelay;
    RecordingListHeader* m_header;
    QStackedWidget* m_stack;
    QListView* m_view;
    EmptyStateView* m_emptyState;
    RecordingListModel* m_rows;
    RecordingRows* m_model;
    bool m_wasSearching = false;
    QPointer<RenameSheet> m_renaming;
    QPointer<QMessageBox> m_deleting;
    bool m_showingSelection = false;
};

} // namespace bw::ui
