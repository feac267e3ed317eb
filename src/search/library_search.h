// The search of the window: keeps the library's index current and finds the recordings that
// match what the user typed, each with its best match, and the matching segments of a recording.
//
// The index is brought up to date at start and whenever the library model reports a change
// (items re-read, or files changed inside item folders, by this process or another), on a worker
// thread, one update at a time; changes that arrive meanwhile are gathered into the next one.
// Queries run on a second worker and deliver their recordings in batches, the first as soon as
// there are enough to fill the list, so that the first results of a query that matches much come
// at once. Each new query stops the one before it, and each change of the index runs the current
// query again.
//
// Lives on the main thread; its signals are emitted there. A problem with the index file (it
// cannot be made or written) is kept in problem() and the search then finds nothing.
#pragma once

#include "async/background_work.h"
#include "library/library_model.h"
#include "search/search_match.h"
#include "search/search_query.h"

#include <QObject>

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace bw {

class SearchIndex;

class LibrarySearch : public QObject {
    Q_OBJECT

public:
    // Recordings the first batch of a query's results holds, when it has that many.
    static constexpr std::size_t firstBatch = 50;

    // Over the index file `indexFile` (see SearchIndex::location); `library` must outlive it.
    LibrarySearch(LibraryModel& library, std::filesystem::path indexFile,
                  QObject* parent = nullptr);
    ~LibrarySearch() override;

    const std::string& text() const { return m_text; }
    // Looks for `text` from now on; text with nothing to look for ends the search.
    void setText(const std::string& text);
    // Whether a search is on: the list then shows only the recordings found.
    bool isActive() const { return m_query.has_value(); }
    // Whether every recording of the current search has been found.
    bool isComplete() const { return m_complete; }
    // The recordings found so far, by identifier.
    const std::unordered_map<Uuid, RecordingMatch>& matches() const { return m_matches; }
    const RecordingMatch* match(const Uuid& itemID) const;
    // The recording's matching segments, in time order, for the current search; none when no
    // search is on. Reads the index on this thread (one recording's rows: quick).
    std::vector<SegmentMatch> matchesIn(const Uuid& itemID);

    // Whether the index is being brought up to date now.
    bool isUpdating() const { return m_updating; }
    const std::optional<std::string>& problem() const { return m_problem; }

signals:
    void textChanged();
    // More recordings were found, or the search began again (then the list starts empty).
    void matchesChanged();
    // The index took in a change of the library; matchesIn() may now give something else.
    void indexChanged();
    void problemChanged();

private:
    void scheduleUpdate(const std::optional<std::set<Uuid>>& changedFolders);
    void startUpdate();
    void updateFinished(bool changed, std::optional<std::string> problem);
    void startQuery();
    void addMatches(std::uint64_t run, std::vector<RecordingMatch> found, bool complete);
    void setProblem(std::optional<std::string> problem);
    SearchIndex* lookup();

    LibraryModel& m_library;
    std::filesystem::path m_indexFile;
    std::string m_text;
    std::optional<SearchQuery> m_query;
    std::uint64_t m_queryRun = 0;
    std::unordered_map<Uuid, RecordingMatch> m_matches;
    bool m_complete = true;
    std::optional<std::string> m_problem;

    // What the next update looks at: every transcript when none.
    std::optional<std::set<Uuid>> m_pendingFolders;
    bool m_updatePending = false;
    bool m_updating = false;

    // One connection per thread that uses the index: the updater's and the query worker's are
    // used only by their work (one run at a time); the look-up's only on this thread.
    std::unique_ptr<SearchIndex> m_writer;
    std::unique_ptr<SearchIndex> m_reader;
    std::unique_ptr<SearchIndex> m_lookup;
    // Declared last: they join their threads before the members above go away.
    BackgroundWork m_updates{this};
    BackgroundWork m_queries{this};
};

} // namespace bw
