// The library's search index: every segment's current text (with its recording, position, start
// time and speaker, where it has one) and every recording's title, in SQLite's full-text search
// (FTS5) with the "brindlewick" tokenizer (unicode61 without accents, and ß, ł and the like
// folded). It is a cache of the library's files, which stay the truth: update() brings it in line
// with them, re-reading only what changed since, and a missing, damaged or outdated index file is
// simply built again.
//
// Results come newest recording first, and within a recording the title, then the segments in
// time order; that order is the index's own, so the first results of any query come without
// looking at the others.
//
// The file is private to the user (0600, in a 0700 folder), and any number of processes may use
// it at once: writes are short transactions, and every call first checks that the file is still
// the one it opened (and opens the new one when it was deleted or replaced). One object is used
// by one thread at a time. Failures throw SearchIndexError.
#pragma once

#include "library/library_item.h"
#include "library/library_store.h"
#include "search/search_index_error.h"
#include "search/search_match.h"
#include "search/search_query.h"

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace bw {

class SqliteConnection;
struct MatchCollector;

class SearchIndex {
public:
    // The index beside a library: a hidden folder in its root.
    static std::filesystem::path location(const LibraryStore& store);

    // Opens the index file, creating it and its folder when missing (private to the user), and
    // starts it afresh when it is damaged or of another version. An empty path keeps the index
    // in memory, for this object only. Throws SearchIndexError (unavailable).
    explicit SearchIndex(std::filesystem::path file);
    ~SearchIndex();
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    const std::filesystem::path& file() const { return m_file; }

    struct Update {
        std::size_t indexed = 0; // recordings (re)indexed
        std::size_t removed = 0;
        bool operator==(const Update&) const = default;
    };
    // Makes the index hold `items` (the whole library, as listed) and nothing else. Item data
    // is compared with what was indexed; transcripts are looked at (their file's identity, size
    // and time) for the recordings in `changedFolders` and for recordings new to the index, or
    // for every recording when `changedFolders` is none. Commits every few hundred recordings,
    // and stops between recordings once `stop` is triggered (what was committed stays).
    Update update(const LibraryStore& store, const std::vector<LibraryItem>& items,
                  const std::optional<std::set<Uuid>>& changedFolders = std::nullopt,
                  std::stop_token stop = {});

    // Calls `found` with each match in the index's order until it returns false. Recordings
    // `accepts` refuses are skipped. Once `stop` is triggered the search ends by throwing
    // SearchIndexError (interrupted).
    void search(const SearchQuery& query, const std::function<bool(const SearchMatch&)>& found,
                const std::function<bool(const Uuid&)>& accepts = {}, std::stop_token stop = {});

    // Calls `found` once for each recording with a match, in the index's order, until it
    // returns false; stops as search() does.
    void searchRecordings(const SearchQuery& query,
                          const std::function<bool(const RecordingMatch&)>& found,
                          std::stop_token stop = {});

    // The recording's matching segments in time order, with the matched words marked.
    std::vector<SegmentMatch> matchesIn(const Uuid& itemID, const SearchQuery& query);

    // Whether, since the last call, this object found its file gone, replaced or damaged and
    // started on a new one, which another process or the next update fills: a caller that only
    // reads asks for an update then.
    bool takeFreshStart() { return std::exchange(m_freshStart, false); }

    // Recordings and rows (titles and segments) indexed.
    std::size_t recordingCount();
    std::size_t rowCount();

private:
    // What the recordings table holds for one recording.
    struct Stored {
        std::int64_t slot = 0;
        std::string title;
        std::int64_t createdAt = 0; // seconds
        std::string transcript;     // the stamp of the transcript file indexed
    };
    struct Known;
    struct Statements;
    class Writer;

    void open();
    Statements& statements();
    void startAfresh();
    void reopenIfReplaced();
    // Runs `operation` on the current file; when the file turns out damaged, starts afresh and
    // runs it once more over the empty index.
    template <typename Operation> auto recovering(Operation&& operation) {
        reopenIfReplaced();
        try {
            return operation();
        } catch (const SearchIndexError& error) {
            if (error.kind() != SearchIndexError::Kind::damaged || m_file.empty()) {
                throw;
            }
        }
        startAfresh();
        return operation();
    }
    std::optional<Stored> stored(const Uuid& id);
    Known& known();
    Update update(const LibraryStore& store, const std::vector<LibraryItem>& items,
                  const std::optional<std::set<Uuid>>& changedFolders, std::stop_token stop,
                  Known& known);
    std::optional<Uuid> itemOfSlot(std::int64_t slot, std::string* title);
    SearchMatch collected(const Uuid& itemID, const std::string& title, std::int64_t rowid) const;

    std::filesystem::path m_file;
    std::unique_ptr<MatchCollector> m_collector; // outlives the connection that calls it
    std::unique_ptr<SqliteConnection> m_db;
    std::unique_ptr<Statements> m_statements; // prepared on first use, for m_db
    // What the recordings table holds, as this connection last read or wrote it; read again
    // when another connection has changed the file since.
    std::unique_ptr<Known> m_known;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_freshStart = false;
};

} // namespace bw
