#include "ui/recording_list_model.h"

#include "app/app_model.h"
#include "ui/recording_drag.h"

namespace bw::ui {

RecordingListModel::RecordingListModel(AppModel& app, QObject* parent)
    : QAbstractListModel(parent), m_app(app) {
    LibraryModel& library = app.library();
    connect(&library, &LibraryModel::itemsChanged, this, &RecordingListModel::reload);
    connect(&library, &LibraryModel::filterChanged, this, &RecordingListModel::reload);
    connect(&library, &LibraryModel::groupsChanged, this, &RecordingListModel::reload);
    connect(&app.recorder(), &RecorderModel::activeItemIDChanged, this,
            &RecordingListModel::updateRecording);
    connect(&app.recorder(), &RecorderModel::durationChanged, this,
            &RecordingListModel::updateLiveDuration);
    connect(&app.transcription(), &TranscriptionService::jobChanged, this,
            &RecordingListModel::updateTranscribing);
    reload();
}

int RecordingListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant RecordingListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const LibraryRow& shown = row(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(shown.item.title);
    case Qt::AccessibleTextRole:
        return shown.spokenText();
    case Qt::ToolTipRole:
        return shown.isTranscribing ? QVariant("Transcribing") : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags RecordingListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList RecordingListModel::mimeTypes() const {
    return {recordingReferenceMimeType};
}

QMimeData* RecordingListModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<Uuid> ids;
    for (const auto& index : indexes) {
        if (index.isValid() && index.row() < rowCount()) {
            ids.push_back(row(index.row()).item.id);
        }
    }
    return ids.empty() ? nullptr : recordingDragData(ids);
}

Qt::DropActions RecordingListModel::supportedDragActions() const {
    // A copy: the drop moves the recording between groups itself, and the list must not remove
    // the dragged row when the drag ends.
    return Qt::CopyAction;
}

QModelIndex RecordingListModel::indexOf(const Uuid& id) const {
    for (size_t index = 0; index < m_rows.size(); ++index) {
        if (m_rows[index].item.id == id) {
            return this->index(static_cast<int>(index));
        }
    }
    return {};
}

void RecordingListModel::reload() {
    beginResetModel();
    m_rows.clear();
    const auto& active = m_app.recorder().activeItemID();
    for (auto& item : m_app.library().itemsIn(m_app.library().filter())) {
        const bool isRecording = active == item.id;
        const bool isTranscribing = m_app.transcription().isTranscribing(item.id);
        m_rows.push_back({std::move(item), isRecording,
                          isRecording ? m_app.recorder().duration() : 0.0, isTranscribing});
    }
    endResetModel();
}

void RecordingListModel::updateRecording() {
    const auto& active = m_app.recorder().activeItemID();
    const double duration = m_app.recorder().duration();
    updateRows([&](LibraryRow& row) {
        const bool isRecording = active == row.item.id;
        if (row.isRecording == isRecording) {
            return false;
        }
        row.isRecording = isRecording;
        row.liveDuration = isRecording ? duration : 0.0;
        return true;
    });
}

void RecordingListModel::updateLiveDuration() {
    const double duration = m_app.recorder().duration();
    updateRows([&](LibraryRow& row) {
        if (!row.isRecording) {
            return false;
        }
        row.liveDuration = duration;
        return true;
    });
}

void RecordingListModel::updateTranscribing() {
    updateRows([&](LibraryRow& row) {
        const bool transcribing = m_app.transcription().isTranscribing(row.item.id);
        if (row.isTranscribing == transcribing) {
            return false;
        }
        row.isTranscribing = transcribing;
        return true;
    });
}

void RecordingListModel::updateRows(const std::function<bool(LibraryRow&)>& change) {
    for (size_t index = 0; index < m_rows.size(); ++index) {
        if (change(m_rows[index])) {
            const QModelIndex changed = this->index(static_cast<int>(index));
            emit dataChanged(changed, changed);
        }
    }
}

} // namespace bw::ui
