// One row of the sidebar: a title with its symbol, the number of recordings it lists, and
// the filter that choosing it selects. sidebarRows() gives them in the sidebar's order.
#pragma once

#include "library/library_filter.h"

#include <QString>

#include <string>
#include <vector>

namespace bw {
class LibraryModel;
}

namespace bw::ui {

struct SidebarRow {
    QString title;
    std::string systemImage;
    int count = 0;
    bool isGroup = false;
    LibraryFilter filter = LibraryFilter::all();

    // "Group, 3 recordings" for a group, else "1 recording" or "N recordings".
    QString spokenCount() const;
};

// "All Recordings", "No Group", then one row per group in the group order.
std::vector<SidebarRow> sidebarRows(const LibraryModel& library);

} // namespace bw::ui
