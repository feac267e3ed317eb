// The payload of a drag of recordings from the recording list: the recordings' references
// under a content type private to this application. A drop accepts it only when the drag
// started inside this process.
#pragma once

#include "base/uuid.h"
#include "library/recording_reference.h"

#include <vector>

class QDropEvent;
class QMimeData;

namespace bw::ui {

inline constexpr const char* recordingReferenceMimeType = RecordingReference::contentType.data();

// New mime data carrying the references; the caller owns it.
QMimeData* recordingDragData(const std::vector<Uuid>& itemIDs);

// The recordings a drop carries: none unless the drag began in this process, with data made by
// recordingDragData().
std::vector<Uuid> draggedRecordings(const QDropEvent& event);

} // namespace bw::ui
