#include "app/recording_filter_model.h"

#include "library/library_model.h"
#include "library/library_navigation.h"
#include "search/library_search.h"

namespace bw {

RecordingFilterModel::RecordingFilterModel(RecordingListModel& rows, LibraryModel& library,
                                           LibraryNavigation& navigation, LibrarySearch* search,
                                           QObject* parent)
    : QSortFilterProxyModel(parent), m_rows(rows), m_library(library), m_navigation(navigation),
      m_search(search) {
    refreshGroups();
    setSourceModel(&rows);
    connect(&navigation, &LibraryNavigation::filterChanged, this,
            &RecordingFilterModel::invalidateRowsFilter);
    connect(&library, &LibraryModel::groupsChanged, this, [this] {
        refreshGroups();
        invalidateRowsFilter();
    });
    if (m_search) {
        connect(m_search, &LibrarySearch::matchesChanged, this,
                &RecordingFilterModel::invalidateRowsFilter);
    }
}

void RecordingFilterModel::refreshGroups() {
    m_groups.clear();
    for (const auto& group : m_library.groups()) {
        m_groups.insert(group.id);
    }
}

bool RecordingFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const LibraryItem& item = m_rows.row(sourceRow).item;
    if (isSearching() && !m_search->match(item.id)) {
        return false;
    }
    const LibraryFilter& filter = m_navigation.filter();
    const bool filed = item.groupID && m_groups.count(*item.groupID) > 0;
    switch (filter.kind()) {
    case LibraryFilter::Kind::all:
        return true;
    case LibraryFilter::Kind::notFiled:
        return !filed;
    case LibraryFilter::Kind::group:
        return filed && item.groupID == filter.groupID();
    }
    return false;
}

QVariant RecordingFilterModel::data(const QModelIndex& index, int role) const {
    if (role == SnippetRole) {
        const SearchMatch* match = matchAt(index);
        return match ? QString::fromStdString(match->snippet.text) : QString();
    }
    return QSortFilterProxyModel::data(index, role);
}

const RecordingListModel::Row& RecordingFilterModel::row(int index) const {
    return m_rows.row(mapToSource(this->index(index, 0)).row());
}

QModelIndex RecordingFilterModel::indexOf(const Uuid& id) const {
    return mapFromSource(m_rows.indexOf(id));
}

bool RecordingFilterModel::isSearching() const {
    return m_search && m_search->isActive();
}

const SearchMatch* RecordingFilterModel::matchAt(const QModelIndex& index) const {
    if (!isSearching() || !index.isValid()) {
        return nullptr;
    }
    const RecordingMatch* match = m_search->match(row(index.row()).item.id);
    return match && match->best ? &*match->best : nullptr;
}

} // namespace bw
