#include "ui/recording_rows.h"

#include "library/library_model.h"
#include "library/library_navigation.h"
#include "search/library_search.h"
#include "ui/recording_drag.h"

namespace bw::ui {

RecordingRows::RecordingRows(RecordingListModel& rows, LibraryModel& library,
                             LibraryNavigation& navigation, LibrarySearch& search, QObject* parent)
    : RecordingFilterModel(rows, library, navigation, &search, parent) {}

LibraryRow RecordingRows::libraryRow(int index) const {
    const auto& shown = row(index);
    return {shown.item, shown.isRecording, shown.liveDuration, shown.isTranscribing};
}

QVariant RecordingRows::data(const QModelIndex& index, int role) const {
    if (role == Qt::AccessibleTextRole && index.isValid()) {
        return libraryRow(index.row()).spokenText();
    }
    return RecordingFilterModel::data(index, role);
}

QStringList RecordingRows::mimeTypes() const {
    return {recordingReferenceMimeType};
}

QMimeData* RecordingRows::mimeData(const QModelIndexList& indexes) const {
    std::vector<Uuid> ids;
    for (const auto& index : indexes) {
        if (index.isValid() && index.model() == this && index.row() < rowCount()) {
            ids.push_back(row(index.row()).item.id);
        }
    }
    return ids.empty() ? nullptr : recordingDragData(ids);
}

Qt::DropActions RecordingRows::supportedDragActions() const {
    // A copy: the drop moves the recording between groups itself, and the list must not remove
    // the dragged row when the drag ends.
    return Qt::CopyAction;
}

} // namespace bw::ui
