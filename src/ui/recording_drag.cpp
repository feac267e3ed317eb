#include "ui/recording_drag.h"

#include "library/recording_reference.h"

#include <QDropEvent>
#include <QMimeData>

namespace bw::ui {
namespace {

// Made only by recordingDragData(); a drop that finds this very object knows the drag began in
// this process, whatever the platform reports about the drag's source.
class RecordingDragData final : public QMimeData {};

} // namespace

QMimeData* recordingDragData(const std::vector<Uuid>& itemIDs) {
    QByteArray payload;
    for (const auto& id : itemIDs) {
        payload += QByteArray::fromStdString(RecordingReference{id}.encoded());
        payload += '\n';
    }
    auto* data = new RecordingDragData;
    data->setData(recordingReferenceMimeType, payload);
    return data;
}

std::vector<Uuid> draggedRecordings(const QDropEvent& event) {
    const auto* data = dynamic_cast<const RecordingDragData*>(event.mimeData());
    if (!data) {
        return {};
    }
    std::vector<Uuid> ids;
    for (const auto& line : data->data(recordingReferenceMimeType).split('\n')) {
        if (auto reference = RecordingReference::decode(line.toStdString())) {
            ids.push_back(reference->id);
        }
    }
    return ids;
}

} // namespace bw::ui
