// The rows of the recording list: the items of the library's current filter, in the library's
// order, each with its recording and transcribing state. Rows can be dragged, carrying the
// recordings' references.
//
// Resets when the items, the filter or the recording in progress change; only the affected
// rows change as the running duration or the transcription advance.
#pragma once

#include "base/uuid.h"
#include "ui/library_row.h"

#include <QAbstractListModel>

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
    void updateLiveDuration();
    void updateTranscribing();

    AppModel& m_app;
    std::vector<LibraryRow> m_rows;
};

} // namespace bw::ui
