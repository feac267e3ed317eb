// The list inside the sidebar: "All Recordings", "No Group", the "Groups" heading and one row
// per group, each with its count as a badge. Recordings dragged from the recording list onto
// "No Group" or a group row are moved there. The delete key asks the owner to delete.
#pragma once

#include "library/library_filter.h"
#include "ui/sidebar_row.h"

#include <QListWidget>

#include <optional>
#include <vector>

namespace bw {
class LibraryModel;
}

namespace bw::ui {

class SidebarList : public QListWidget {
    Q_OBJECT

public:
    explicit SidebarList(LibraryModel& library, QWidget* parent = nullptr);

    // Replaces the rows; the "Groups" heading goes before the first group row.
    void setRows(const std::vector<SidebarRow>& rows);
    // The filter a row selects; none for the heading.
    static std::optional<LibraryFilter> filterOf(const QListWidgetItem* row);
    QListWidgetItem* rowFor(const LibraryFilter& filter) const;

signals:
    void deleteRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The filter of a row recordings can be dropped on ("No Group" or a group) at `position`.
    std::optional<LibraryFilter> dropTargetAt(const QPoint& position) const;

    LibraryModel& m_library;
};

} // namespace bw::ui
