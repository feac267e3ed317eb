#include "ui/sidebar_row.h"

#include "library/library_model.h"
#include "ui/display_text.h"

namespace bw::ui {

QString SidebarRow::spokenCount() const {
    return (isGroup ? QStringLiteral("Group, ") : QString()) + countText(count);
}

std::vector<SidebarRow> sidebarRows(const LibraryModel& library) {
    auto countOf = [&](const LibraryFilter& filter) {
        return static_cast<int>(library.itemsIn(filter).size());
    };
    std::vector<SidebarRow> rows;
    rows.push_back({"All Recordings", "waveform", static_cast<int>(library.items().size()), false,
                    LibraryFilter::all()});
    rows.push_back(
        {"No Group", "tray", countOf(LibraryFilter::notFiled()), false, LibraryFilter::notFiled()});
    for (const auto& group : library.groups()) {
        const auto filter = LibraryFilter::group(group.id);
        rows.push_back(
            {QString::fromStdString(group.name), "folder", countOf(filter), true, filter});
    }
    return rows;
}

} // namespace bw::ui
