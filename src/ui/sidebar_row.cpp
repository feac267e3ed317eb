#include "ui/sidebar_row.h"

#include "library/library_model.h"
#include "ui/display_text.h"

#include <map>

namespace bw::ui {

QString SidebarRow::spokenCount() const {
    return (isGroup ? QStringLiteral("Group, ") : QString()) + countText(count);
}

std::vector<SidebarRow> sidebarRows(const LibraryModel& library) {
    // One pass over the items: an item counts for its group when that group exists, otherwise
    // for "No Group" (as the library's filters decide).
    std::map<Uuid, int> perGroup;
    for (const auto& group : library.groups()) {
        perGroup[group.id] = 0;
    }
    int notFiled = 0;
    for (const auto& item : library.items()) {
        const auto counted = item.groupID ? perGroup.find(*item.groupID) : perGroup.end();
        if (counted == perGroup.end()) {
            ++notFiled;
        } else {
            ++counted->second;
        }
    }
    std::vector<SidebarRow> rows;
    rows.push_back({"All Recordings", "waveform", static_cast<int>(library.items().size()), false,
                    LibraryFilter::all()});
    rows.push_back({"No Group", "tray", notFiled, false, LibraryFilter::notFiled()});
    for (const auto& group : library.groups()) {
        const auto filter = LibraryFilter::group(group.id);
        rows.push_back(
            {QString::fromStdString(group.name), "folder", perGroup[group.id], true, filter});
    }
    return rows;
}

} // namespace bw::ui
