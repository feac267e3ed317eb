// The recordings the list shows: those of the sidebar's filter (all, no group, or one group;
// see LibraryModel::itemsIn) and, while a search is on, only those it found, in the library's
// order. Each row also gives the best match of the search (SnippetRole: its text, matchAt(): with
// the matched words).
//
// Follows the library's filter and groups and the search's results by filtering again; the rows
// of the source model change through it row by row. Main thread only.
#pragma once

#include "app/recording_list_model.h"
#include "search/search_match.h"

#include <QSortFilterProxyModel>

#include <set>

namespace bw {

class LibraryModel;
class LibraryNavigation;
class LibrarySearch;

class RecordingFilterModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    enum Role {
        SnippetRole = RecordingListModel::IsTranscribingRole + 1, // plain text; empty for none
    };

    // Over `rows`; `search` may be null (no search). All must outlive the model.
    RecordingFilterModel(RecordingListModel& rows, LibraryModel& library,
                         LibraryNavigation& navigation, LibrarySearch* search,
                         QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    const RecordingListModel::Row& row(int index) const;
    QModelIndex indexOf(const Uuid& id) const;
    // The search's best match in the recording of the row; null when there is none.
    const SearchMatch* matchAt(const QModelIndex& index) const;
    // Whether a search narrows the list now.
    bool isSearching() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void refreshGroups();

    RecordingListModel& m_rows;
    LibraryModel& m_library;
    LibraryNavigation& m_navigation;
    LibrarySearch* m_search;
    std::set<Uuid> m_groups;
};

} // namespace bw
