#include "app/recording_list_model.h"

#include "library/library_model.h"
#include "recording/recorder_model.h"
#include "service/transcription_service.h"

#include <QDateTime>

#include <algorithm>

namespace bw {

namespace {

constexpr std::size_t maximumRuns = 64;

QString optionalText(const std::optional<Uuid>& id) {
    return id ? QString::fromStdString(id->string()) : QString();
}

} // namespace

RecordingListModel::RecordingListModel(const LibraryModel& library, const RecorderModel& recorder,
                                       const TranscriptionService& transcription, QObject* parent)
    : QAbstractListModel(parent), m_library(library), m_recorder(recorder),
      m_transcription(transcription) {
    for (const auto& item : library.items()) {
        m_rows.push_back(rowFor(item));
    }
    reindex();
    connect(&library, &LibraryModel::itemsChanged, this, &RecordingListModel::sync);
    connect(&recorder, &RecorderModel::activeItemIDChanged, this,
            &RecordingListModel::updateRecording);
    connect(&recorder, &RecorderModel::durationChanged, this,
            &RecordingListModel::updateLiveDuration);
    connect(&transcription, &TranscriptionService::jobChanged, this,
            &RecordingListModel::updateTranscribing);
}

int RecordingListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant RecordingListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Row& shown = row(index.row());
    const LibraryItem& item = shown.item;
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(item.title);
    case Qt::ToolTipRole:
        return shown.isTranscribing ? QVariant("Transcribing") : QVariant();
    case IdRole:
        return QString::fromStdString(item.id.string());
    case CreatedAtRole:
        return QDateTime::fromSecsSinceEpoch(item.createdAt.time_since_epoch().count(), Qt::UTC);
    case DurationRole:
        return shown.isRecording ? shown.liveDuration : item.duration;
    case OriginRole:
        return QString::fromUtf8(rawValue(item.origin).data(),
                                 qsizetype(rawValue(item.origin).size()));
    case StateRole:
        return QString::fromUtf8(rawValue(item.state).data(),
                                 qsizetype(rawValue(item.state).size()));
    case GroupRole:
        return optionalText(item.groupID);
    case IsRecordingRole:
        return shown.isRecording;
    case IsTranscribingRole:
        return shown.isTranscribing;
    default:
        return {};
    }
}

QHash<int, QByteArray> RecordingListModel::roleNames() const {
    auto names = QAbstractListModel::roleNames();
    names.insert({{IdRole, "id"},
                  {CreatedAtRole, "createdAt"},
                  {DurationRole, "duration"},
                  {OriginRole, "origin"},
                  {StateRole, "state"},
                  {GroupRole, "groupID"},
                  {IsRecordingRole, "isRecording"},
                  {IsTranscribingRole, "isTranscribing"}});
    return names;
}

Qt::ItemFlags RecordingListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QModelIndex RecordingListModel::indexOf(const Uuid& id) const {
    const auto found = m_rowOf.find(id);
    return found == m_rowOf.end() ? QModelIndex() : index(static_cast<int>(found->second));
}

RecordingListModel::Row RecordingListModel::rowFor(const LibraryItem& item) const {
    const bool isRecording = m_recorder.activeItemID() == item.id;
    return {item, isRecording, isRecording ? m_recorder.duration() : 0.0,
            m_transcription.isTranscribing(item.id)};
}

void RecordingListModel::reindex() {
    m_rowOf.clear();
    m_rowOf.reserve(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rowOf.emplace(m_rows[i].item.id, i);
    }
}

void RecordingListModel::sync() {
    const auto& items = m_library.items();
    std::unordered_map<Uuid, std::size_t> wanted;
    wanted.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        wanted.emplace(items[i].id, i);
    }
    // Scattered removals (another process deleting many recordings) go as one reset, which
    // costs the views less than the runs one by one.
    std::size_t runs = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (!wanted.count(m_rows[i].item.id) && (i == 0 || wanted.count(m_rows[i - 1].item.id))) {
            ++runs;
        }
    }
    if (runs > maximumRuns) {
        beginResetModel();
        m_rows.clear();
        for (const auto& item : items) {
            m_rows.push_back(rowFor(item));
        }
        reindex();
        endResetModel();
        return;
    }
    removeGone(wanted);
    if (!sameOrder(items)) {
        reorder(items);
        return;
    }
    insertNew(items);
    reportChanged(items);
}

void RecordingListModel::removeGone(const std::unordered_map<Uuid, std::size_t>& wanted) {
    // From the end, so that the rows before a run keep their numbers.
    for (std::size_t end = m_rows.size(); end > 0;) {
        if (wanted.count(m_rows[end - 1].item.id)) {
            --end;
            continue;
        }
        std::size_t begin = end - 1;
        while (begin > 0 && !wanted.count(m_rows[begin - 1].item.id)) {
            --begin;
        }
        beginRemoveRows({}, int(begin), int(end - 1));
        m_rows.erase(m_rows.begin() + std::ptrdiff_t(begin), m_rows.begin() + std::ptrdiff_t(end));
        reindex();
        endRemoveRows();
        end = begin;
    }
}

bool RecordingListModel::sameOrder(const std::vector<LibraryItem>& items) const {
    std::size_t next = 0;
    for (const auto& row : m_rows) {
        while (next < items.size() && items[next].id != row.item.id) {
            ++next;
        }
        if (next == items.size()) {
            return false;
        }
        ++next;
    }
    return true;
}

void RecordingListModel::insertNew(const std::vector<LibraryItem>& items) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < items.size();) {
        if (at < m_rows.size() && m_rows[at].item.id == items[i].id) {
            ++at;
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < items.size() && !(at < m_rows.size() && m_rows[at].item.id == items[end].id)) {
            ++end;
        }
        beginInsertRows({}, int(at), int(at + (end - i) - 1));
        std::vector<Row> added;
        for (std::size_t k = i; k < end; ++k) {
            added.push_back(rowFor(items[k]));
        }
        m_rows.insert(m_rows.begin() + std::ptrdiff_t(at), added.begin(), added.end());
        reindex();
        endInsertRows();
        at += end - i;
        i = end;
    }
}

void RecordingListModel::reportChanged(const std::vector<LibraryItem>& items) {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].item == items[i]) {
            continue;
        }
        std::size_t end = i;
        while (end < m_rows.size() && !(m_rows[end].item == items[end])) {
            m_rows[end].item = items[end];
            ++end;
        }
        emit dataChanged(index(int(i)), index(int(end - 1)));
        i = end - 1;
    }
}

void RecordingListModel::reorder(const std::vector<LibraryItem>& items) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<Uuid> ids;
    for (const auto& index : before) {
        ids.push_back(m_rows[std::size_t(index.row())].item.id);
    }
    std::vector<Row> rows;
    rows.reserve(items.size());
    for (const auto& item : items) {
        rows.push_back(rowFor(item));
    }
    m_rows = std::move(rows);
    reindex();
    QModelIndexList after;
    for (const auto& id : ids) {
        after.push_back(indexOf(id));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void RecordingListModel::changed(std::size_t row) {
    const QModelIndex at = index(int(row));
    emit dataChanged(at, at);
}

void RecordingListModel::updateRecording() {
    const auto& active = m_recorder.activeItemID();
    const double duration = m_recorder.duration();
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        const bool isRecording = active == row.item.id;
        if (row.isRecording != isRecording) {
            row.isRecording = isRecording;
            row.liveDuration = isRecording ? duration : 0.0;
            changed(i);
        }
    }
}

void RecordingListModel::updateLiveDuration() {
    const auto& active = m_recorder.activeItemID();
    const auto found = active ? m_rowOf.find(*active) : m_rowOf.end();
    if (found != m_rowOf.end() && m_rows[found->second].isRecording) {
        m_rows[found->second].liveDuration = m_recorder.duration();
        changed(found->second);
    }
}

void RecordingListModel::updateTranscribing() {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        const bool transcribing = m_transcription.isTranscribing(row.item.id);
        if (row.isTranscribing != transcribing) {
            row.isTranscribing = transcribing;
            changed(i);
        }
    }
}

} // namespace bw
