// The rows of the recording list: the items of the library's current filter, in the library's
// order, each with its recording and transcribing state. Rows can be dragged, carrying the
// recordings' references.
//
// Resets when the items or the filter change; only the affected rows change as a recording
// starts or stops, its running duration advances, or a transcription starts or ends.
#pragma once

#include "base/uuid.h"
#include "ui/library_row.h"

#include <QAbstractListModel>

#include <functional>
#include <optional>
#include <vector>

namespace bw {
class AppModel;
}

namespace bw::ui {

class RecordingListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit RecordingListModel(AppModel& app, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    const LibraryRow& row(int index) const { return m_rows.at(static_cast<size_t>(index)); }
    QModelIndex indexOf(const Uuid& id) const;

private:
    void reload();
    void updateRecording();
    void updateLiveDuration();
    void updateTranscribing();
    // Applies `change` to every row and reports the rows it says it changed.
    void updateRows(const std::function<bool(LibraryRow&)>& change);

    AppModel& m_app;
    std::vector<LibraryRow> m_rows;
};

} // namespace bw::ui
