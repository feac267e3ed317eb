// The rows of the recording list as the view gets them: the library's recordings narrowed by the
// sidebar's filter and the search (RecordingFilterModel), each described as a LibraryRow and
// spoken as one phrase, and draggable, carrying the recordings' references.
#pragma once

#include "app/recording_filter_model.h"
#include "ui/library_row.h"

namespace bw {
class LibraryModel;
class LibraryNavigation;
class LibrarySearch;
} // namespace bw

namespace bw::ui {

class RecordingRows : public RecordingFilterModel {
    Q_OBJECT

public:
    RecordingRows(RecordingListModel& rows, LibraryModel& library, LibraryNavigation& navigation,
                  LibrarySearch& search, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    LibraryRow libraryRow(int index) const;
};

} // namespace bw::ui
