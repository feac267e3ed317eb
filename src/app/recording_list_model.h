// Every recording of the library as a list model, in the library's order, with what a row shows
// about it: the item, whether it is the recording in progress (with its running duration) and
// whether it is being transcribed. RecordingFilterModel narrows it to what the list shows.
//
// Changes reach the views row by row, keyed by the item's identifier: when the library re-reads
// its items, recordings that went are removed, new ones inserted where they belong and changed
// ones reported as changed data, so that views keep their selection and scroll position; only
// a change of order (which the library's order by creation time makes rare) moves rows.
//
// Main thread only.
#pragma once

#include "library/library_item.h"

#include <QAbstractListModel>

#include <unordered_map>
#include <vector>

namespace bw {

class LibraryModel;
class RecorderModel;
class TranscriptionService;

class RecordingListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1, // the identifier's canonical text
        CreatedAtRole,             // QDateTime
        DurationRole,              // seconds; the running duration while recording
        OriginRole,                // the stored raw value, e.g. "imported"
        StateRole,                 // the stored raw value, e.g. "interrupted"
        GroupRole,                 // the group's identifier; empty for none
        IsRecordingRole,
        IsTranscribingRole,
    };

    struct Row {
        LibraryItem item;
        bool isRecording = false;
        double liveDuration = 0; // seconds, while recording
        bool isTranscribing = false;

        bool operator==(const Row&) const = default;
    };

    // Rows of `library`'s recordings, with what `recorder` and `transcription` do with them.
    RecordingListModel(const LibraryModel& library, const RecorderModel& recorder,
                       const TranscriptionService& transcription, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const Row& row(int index) const { return m_rows.at(static_cast<std::size_t>(index)); }
    // The recording's row; invalid when it is not listed.
    QModelIndex indexOf(const Uuid& id) const;

private:
    void sync();
    void removeGone(const std::unordered_map<Uuid, std::size_t>& wanted);
    bool sameOrder(const std::vector<LibraryItem>& items) const;
    void insertNew(const std::vector<LibraryItem>& items);
    void reportChanged(const std::vector<LibraryItem>& items);
    void reorder(const std::vector<LibraryItem>& items);
    void reindex();
    Row rowFor(const LibraryItem& item) const;
    void updateRecording();
    void updateLiveDuration();
    void updateTranscribing();
    void changed(std::size_t row);

    const LibraryModel& m_library;
    const RecorderModel& m_recorder;
    const TranscriptionService& m_transcription;
    std::vector<Row> m_rows;
    std::unordered_map<Uuid, std::size_t> m_rowOf;
};

} // namespace bw
