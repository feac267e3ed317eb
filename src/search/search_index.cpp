#include "search/search_index.h"

#include "library/library_layout.h"
#include "platform/atomic_file.h"
#include "search/indexed_transcript.h"
#include "search/search_functions.h"
#include "search/search_index_error.h"
#include "search/sqlite_connection.h"
#include "transcripts/transcript_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <unordered_map>

namespace bw {

namespace fs = std::filesystem;

namespace {

// Bumped whenever the schema or the tokenizer's folding changes: an index of another version is
// built again.
constexpr std::int64_t schemaVersion = 1;

// A row's identifier says where it belongs: the recording's slot in the high bits, and in the
// low ones the title (highest) or the segment (the first segment next highest), so that
// descending identifiers give each recording's title, then its segments in time order.
constexpr int offsetBits = 20;
constexpr std::int64_t offsetMask = (std::int64_t(1) << offsetBits) - 1;
constexpr std::int64_t titleOffset = offsetMask;
constexpr std::int64_t maximumPosition = offsetMask - 1;

// A recording's slot is its creation second (so newer recordings have higher slots) times 64 plus
// a tie breaker taken from its identifier, so that recordings of the same second keep the
// library's order as far as 64 can tell them apart.
constexpr std::int64_t tieCount = 64;
constexpr std::int64_t maximumSecond = (std::int64_t(1) << 33) - 1;

// Commits of a long update: often enough that readers see progress and a stop loses little,
// rarely enough that the commits cost little.
constexpr std::size_t batchRecordings = 200;
constexpr auto batchTime = std::chrono::milliseconds(300);

constexpr char markOpen = '\x02';
constexpr char markClose = '\x03';
// Snippets keep this much of a long segment around its first match.
constexpr std::size_t snippetBytes = 160;

std::int64_t rowidOf(std::int64_t slot, std::int64_t offset) {
    return slot << offsetBits | offset;
}

std::int64_t slotOf(std::int64_t rowid) {
    return rowid >> offsetBits;
}

std::optional<std::int64_t> positionOf(std::int64_t rowid) {
    const std::int64_t offset = rowid & offsetMask;
    if (offset == titleOffset) {
        return std::nullopt;
    }
    return maximumPosition - offset;
}

std::int64_t secondsOf(const LibraryItem& item) {
    return std::clamp<std::int64_t>(item.createdAt.time_since_epoch().count(), 0, maximumSecond);
}

// What identifies the version of a transcript file that was indexed: its inode (every atomic
// write makes a new one), size and modification time.
std::string transcriptStamp(const fs::path& file) {
    struct stat status;
    if (::stat(file.c_str(), &status) != 0) {
        return errno == ENOENT ? "none" : "unreadable";
    }
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino) + ":" +
           std::to_string(status.st_size) + ":" + std::to_string(status.st_mtim.tv_sec) + "." +
           std::to_string(status.st_mtim.tv_nsec);
}

bool isDamaged(const SearchIndexError& error) {
    return error.kind() == SearchIndexError::Kind::damaged;
}

void removeIndexFiles(const fs::path& file) {
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        fs::remove(fs::path(file.string() + suffix), ignored);
    }
}

// Creates the file private to the user before SQLite opens it; SQLite gives its journal files
// the database file's permissions.
void preparePrivateFile(const fs::path& file) {
    try {
        createDirectoriesDurably(file.parent_path(), FileAccess::ownerOnly);
    } catch (const std::exception& error) {
        throw SearchIndexError(SearchIndexError::Kind::unavailable, error.what());
    }
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw SearchIndexError(SearchIndexError::Kind::unavailable,
                               "“" + file.filename().string() + "” couldn't be opened");
    }
    struct stat status;
    if (::fstat(fd, &status) == 0 && (status.st_mode & 077) != 0) {
        ::fchmod(fd, status.st_mode & 0700);
    }
    ::close(fd);
}

} // namespace

struct SearchIndex::Stored {
    std::int64_t slot = 0;
    std::string title;
    std::int64_t createdAt = 0;
    std::string transcript;
};

// The statements run once per recording or match, prepared once per connection.
struct SearchIndex::Statements {
    explicit Statements(SqliteConnection& db)
        : stored(db.prepare(
              "SELECT slot, title, createdAt, transcript FROM recordings WHERE id = ?1")),
          itemOfSlot(db.prepare("SELECT id, title FROM recordings WHERE slot = ?1")) {}

    SqliteStatement stored;
    SqliteStatement itemOfSlot;
};

fs::path SearchIndex::location(const LibraryStore& store) {
    return store.rootURL() / layout::searchFolderName / "index.sqlite";
}

SearchIndex::SearchIndex(fs::path file)
    : m_file(std::move(file)), m_collector(std::make_unique<MatchCollector>()) {
    open();
}

SearchIndex::~SearchIndex() = default;

SearchIndex::Statements& SearchIndex::statements() {
    if (!m_statements) {
        m_statements = std::make_unique<Statements>(*m_db);
    }
    return *m_statements;
}

void SearchIndex::open() {
    m_statements.reset();
    m_db.reset();
    if (!m_file.empty()) {
        preparePrivateFile(m_file);
        struct stat status;
        if (::stat(m_file.c_str(), &status) == 0) {
            m_device = status.st_dev;
            m_inode = status.st_ino;
        }
    }
    try {
        m_db = std::make_unique<SqliteConnection>(m_file);
        sqlite3* db = m_db->handle();
        // A connection never deletes the journal by name when it closes: the file it opened may
        // have been replaced by another process's new index meanwhile.
        int persist = 1;
        sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
        sqlite3_busy_timeout(db, 10000);
        registerSearchFunctions(db, *m_collector);
        m_db->execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                      "PRAGMA journal_size_limit = 33554432;");
        if (m_db->integerOf("PRAGMA user_version") == schemaVersion) {
            return;
        }
        // Looked at again under the write lock: another process may be making it right now.
        m_db->execute("BEGIN IMMEDIATE");
        const std::int64_t version = m_db->integerOf("PRAGMA user_version");
        if (version != schemaVersion &&
            (version != 0 || m_db->integerOf("SELECT count(*) FROM sqlite_master") != 0)) {
            m_db->execute("ROLLBACK");
            throw SearchIndexError(SearchIndexError::Kind::damaged, "an index of another version");
        }
        if (version == 0) {
            m_db->execute(
                "CREATE TABLE recordings(slot INTEGER PRIMARY KEY, id TEXT NOT NULL UNIQUE, "
                "title TEXT NOT NULL, createdAt INTEGER NOT NULL, transcript TEXT NOT NULL);"
                "CREATE VIRTUAL TABLE entries USING fts5(text, speaker, start UNINDEXED, "
                "tokenize = 'brindlewick', prefix = '2 3 4');"
                "PRAGMA user_version = " +
                std::to_string(schemaVersion) + ";");
        }
        m_db->execute("COMMIT");
    } catch (const SearchIndexError& error) {
        if (!isDamaged(error) || m_file.empty()) {
            throw;
        }
        startAfresh();
    }
}

void SearchIndex::startAfresh() {
    m_freshStart = true;
    m_statements.reset();
    m_db.reset();
    removeIndexFiles(m_file);
    open();
}

void SearchIndex::reopenIfReplaced() {
    if (m_file.empty()) {
        return;
    }
    struct stat status;
    if (::stat(m_file.c_str(), &status) != 0 || status.st_dev != m_device ||
        status.st_ino != m_inode) {
        m_freshStart = true;
        open();
    }
}

// Runs `operation` on the current file; when the file turns out damaged, starts afresh and runs
// it once more over the empty index.
template <typename Operation> auto SearchIndex::recovering(Operation&& operation) {
    reopenIfReplaced();
    try {
        return operation();
    } catch (const SearchIndexError& error) {
        if (!isDamaged(error) || m_file.empty()) {
            throw;
        }
    }
    startAfresh();
    return operation();
}

std::optional<SearchIndex::Stored> SearchIndex::stored(const Uuid& id) {
    SqliteStatement& select = statements().stored;
    select.bind(1, std::string_view(id.string()));
    std::optional<Stored> found;
    if (select.step()) {
        found = Stored{select.integer(0), select.text(1), select.integer(2), select.text(3)};
    }
    select.reset();
    return found;
}

// The writes of one update, in transactions of a few hundred recordings.
class SearchIndex::Writer {
public:
    Writer(SearchIndex& index, const LibraryStore& store)
        : m_index(index), m_db(*index.m_db), m_store(store),
          m_deleteRange(m_db.prepare("DELETE FROM entries WHERE rowid BETWEEN ?1 AND ?2")),
          m_insert(m_db.prepare(
              "INSERT INTO entries(rowid, text, speaker, start) VALUES(?1, ?2, ?3, ?4)")),
          m_slotTaken(m_db.prepare("SELECT 1 FROM recordings WHERE slot = ?1")),
          m_upsert(m_db.prepare("INSERT OR REPLACE INTO recordings(slot, id, title, createdAt, "
                                "transcript) VALUES(?1, ?2, ?3, ?4, ?5)")),
          m_forget(m_db.prepare("DELETE FROM recordings WHERE slot = ?1")) {
        begin();
    }

    ~Writer() {
        if (m_open) {
            try {
                m_db.execute("ROLLBACK");
            } catch (const SearchIndexError&) {
                // Nothing more can be done; SQLite rolls back when the connection closes.
            }
        }
    }

    // Re-reads what the index holds for the item (another process may have changed it since
    // the listing) and brings it in line.
    void index(const LibraryItem& item, const std::string& stamp) {
        std::optional<Stored> before = m_index.stored(item.id);
        if (before && before->createdAt != secondsOf(item)) {
            remove(before->slot);
            before.reset();
        }
        const std::int64_t slot = before ? before->slot : freeSlot(item);
        // FTS5 keeps what it is given in memory while row identifiers rise and writes it out
        // whenever one does not, so rows go in in rising order: the segments from the last to the
        // first, then the title.
        const bool newTranscript = !before || before->transcript != stamp;
        const bool newTitle = !before || before->title != item.title;
        if (newTranscript) {
            m_deleteRange.bind(1, rowidOf(slot, 0)).bind(2, rowidOf(slot, maximumPosition));
            m_deleteRange.step();
            m_deleteRange.reset();
        }
        if (newTitle) {
            const std::int64_t title = rowidOf(slot, titleOffset);
            m_deleteRange.bind(1, title).bind(2, title).step();
            m_deleteRange.reset();
        }
        if (newTranscript) {
            std::vector<IndexedSegment> segments;
            try {
                segments = readIndexedTranscript(TranscriptStore(m_store).fileURL(item.id));
            } catch (const std::exception&) {
                // A transcript that cannot be read is left out until its file changes; the
                // editor tells the user about it when the recording is opened.
            }
            for (auto segment = segments.rbegin(); segment != segments.rend(); ++segment) {
                if (segment->position <= maximumPosition) {
                    insert(rowidOf(slot, maximumPosition - segment->position), segment->text,
                           segment->speaker, segment->start);
                }
            }
        }
        if (newTitle) {
            insert(rowidOf(slot, titleOffset), item.title, "", std::nullopt);
        }
        m_upsert.bind(1, slot)
            .bind(2, std::string_view(item.id.string()))
            .bind(3, std::string_view(item.title))
            .bind(4, secondsOf(item))
            .bind(5, std::string_view(stamp));
        m_upsert.step();
        m_upsert.reset();
        done();
    }

    void remove(std::int64_t slot) {
        m_deleteRange.bind(1, rowidOf(slot, 0)).bind(2, rowidOf(slot, offsetMask));
        m_deleteRange.step();
        m_deleteRange.reset();
        m_forget.bind(1, slot).step();
        m_forget.reset();
    }

    // Commits what is pending when a batch is full, and begins the next.
    void done() {
        ++m_pending;
        if (m_pending >= batchRecordings ||
            std::chrono::steady_clock::now() - m_began > batchTime) {
            commit();
            begin();
        }
    }

    void commit() {
        m_db.execute("COMMIT");
        m_open = false;
    }

private:
    void begin() {
        m_db.execute("BEGIN IMMEDIATE");
        m_open = true;
        m_pending = 0;
        m_began = std::chrono::steady_clock::now();
    }

    void insert(std::int64_t rowid, std::string_view text, std::string_view speaker,
                std::optional<double> start) {
        m_insert.bind(1, rowid).bind(2, text).bind(3, speaker);
        if (start) {
            m_insert.bind(4, *start);
        } else {
            m_insert.bind(4, std::optional<std::string>());
        }
        m_insert.step();
        m_insert.reset();
    }

    std::int64_t freeSlot(const LibraryItem& item) {
        const std::int64_t base = secondsOf(item) * tieCount;
        const std::int64_t tie = item.id.bytes()[0] >> 2;
        for (std::int64_t probe = 0; probe < tieCount; ++probe) {
            const std::int64_t slot = base + (tie + probe) % tieCount;
            const bool taken = m_slotTaken.bind(1, slot).step();
            m_slotTaken.reset();
            if (!taken) {
                return slot;
            }
        }
        // Sixty-four recordings made in one second: the next second's slots are borrowed, which
        // only moves this one a little in the order.
        std::int64_t slot = base + tieCount;
        for (;; ++slot) {
            const bool taken = m_slotTaken.bind(1, slot).step();
            m_slotTaken.reset();
            if (!taken) {
                return slot;
            }
        }
    }

    SearchIndex& m_index;
    SqliteConnection& m_db;
    const LibraryStore& m_store;
    SqliteStatement m_deleteRange;
    SqliteStatement m_insert;
    SqliteStatement m_slotTaken;
    SqliteStatement m_upsert;
    SqliteStatement m_forget;
    bool m_open = false;
    std::size_t m_pending = 0;
    std::chrono::steady_clock::time_point m_began;
};

SearchIndex::Update SearchIndex::update(const LibraryStore& store,
                                        const std::vector<LibraryItem>& items,
                                        const std::optional<std::set<Uuid>>& changedFolders,
                                        std::stop_token stop) {
    return recovering([&] {
        Update result;
        std::unordered_map<std::string, Stored> known;
        {
            SqliteStatement all =
                m_db->prepare("SELECT slot, id, title, createdAt, transcript FROM recordings");
            while (all.step()) {
                known.emplace(all.text(1),
                              Stored{all.integer(0), all.text(2), all.integer(3), all.text(4)});
            }
        }
        const TranscriptStore transcripts(store);
        Writer writer(*this, store);
        // Oldest first, so that new recordings' rows come in rising order (see Writer::index).
        for (auto at = items.rbegin(); at != items.rend(); ++at) {
            const LibraryItem& item = *at;
            if (stop.stop_requested()) {
                break;
            }
            const auto found = known.find(item.id.string());
            const bool looksAtTranscript =
                found == known.end() || !changedFolders || changedFolders->count(item.id) > 0;
            const std::string stamp = looksAtTranscript
                                          ? transcriptStamp(transcripts.fileURL(item.id))
                                          : found->second.transcript;
            if (found != known.end()) {
                const Stored& was = found->second;
                const bool same = was.title == item.title && was.createdAt == secondsOf(item) &&
                                  was.transcript == stamp;
                known.erase(found);
                if (same) {
                    continue;
                }
            }
            writer.index(item, stamp);
            ++result.indexed;
        }
        if (!stop.stop_requested()) {
            // What is left was indexed but is no longer in the library.
            for (const auto& [id, was] : known) {
                writer.remove(was.slot);
                writer.done();
                ++result.removed;
            }
        }
        writer.commit();
        return result;
    });
}

std::optional<Uuid> SearchIndex::itemOfSlot(std::int64_t slot, std::string* title) {
    SqliteStatement& select = statements().itemOfSlot;
    select.bind(1, slot);
    std::optional<Uuid> id;
    if (select.step()) {
        id = Uuid::parse(select.text(0));
        if (title) {
            *title = select.text(1);
        }
    }
    select.reset();
    return id;
}

SearchMatch SearchIndex::collected(const Uuid& itemID, const std::string& title,
                                   std::int64_t rowid) const {
    return {itemID,
            title,
            positionOf(rowid),
            m_collector->start,
            m_collector->speaker,
            m_collector->text.excerpt(snippetBytes)};
}

namespace {

// Interrupts the connection's running statement once `stop` is triggered.
class StopInterrupts {
public:
    StopInterrupts(SqliteConnection& db, std::stop_token stop)
        : m_callback(stop, [&db] { db.interrupt(); }) {}

private:
    std::stop_callback<std::function<void()>> m_callback;
};

// Points the collector at a query's rows for as long as the query runs.
class Collecting {
public:
    Collecting(MatchCollector& collector, std::function<bool(std::int64_t, int)> wants)
        : m_collector(collector) {
        m_collector.wants = std::move(wants);
        m_collector.rowid = -1;
    }
    ~Collecting() { m_collector.wants = nullptr; }
    Collecting(const Collecting&) = delete;
    Collecting& operator=(const Collecting&) = delete;

private:
    MatchCollector& m_collector;
};

// The recording a run of rows belongs to, looked up once per recording.
struct SlotCache {
    std::int64_t slot = -1;
    std::optional<Uuid> id;
    std::string title;
    bool accepted = false;
};

} // namespace

void SearchIndex::search(const SearchQuery& query,
                         const std::function<bool(const SearchMatch&)>& found,
                         const std::function<bool(const Uuid&)>& accepts, std::stop_token stop) {
    recovering([&] {
        StopInterrupts interrupts(*m_db, stop);
        // The recordings `accepts` takes, known before the rows come: the collector is asked
        // in the middle of a row, where no other statement may run.
        std::optional<std::set<std::int64_t>> accepted;
        if (accepts) {
            accepted.emplace();
            SqliteStatement all = m_db->prepare("SELECT slot, id FROM recordings");
            while (all.step()) {
                if (const auto id = Uuid::parse(all.text(1)); id && accepts(*id)) {
                    accepted->insert(all.integer(0));
                }
            }
        }
        const Collecting collecting(*m_collector, [&](std::int64_t rowid, int) {
            return !accepted || accepted->count(slotOf(rowid)) > 0;
        });
        SqliteStatement rows = m_db->prepare("SELECT rowid, bw_match(entries) FROM entries WHERE "
                                             "entries MATCH ?1 ORDER BY rowid DESC");
        rows.bind(1, std::string_view(query.expression()));
        SlotCache current;
        while (rows.step()) {
            const std::int64_t rowid = rows.integer(0);
            if (m_collector->rowid != rowid) {
                continue; // not wanted
            }
            if (slotOf(rowid) != current.slot) {
                current.slot = slotOf(rowid);
                current.id = itemOfSlot(current.slot, &current.title);
            }
            if (current.id && !found(collected(*current.id, current.title, rowid))) {
                break;
            }
        }
    });
}

void SearchIndex::searchRecordings(const SearchQuery& query,
                                   const std::function<bool(const RecordingMatch&)>& found,
                                   std::stop_token stop) {
    recovering([&] {
        StopInterrupts interrupts(*m_db, stop);
        std::int64_t slot = -1;
        int bestHits = 0;
        // Rows come in time order, so the earliest of equals stays the best.
        const Collecting collecting(*m_collector, [&](std::int64_t rowid, int hits) {
            if (!positionOf(rowid)) {
                return false;
            }
            if (slotOf(rowid) != slot) {
                slot = slotOf(rowid);
                bestHits = -1;
            }
            if (hits <= bestHits) {
                return false;
            }
            bestHits = hits;
            return true;
        });
        SqliteStatement rows = m_db->prepare("SELECT rowid, bw_match(entries) FROM entries WHERE "
                                             "entries MATCH ?1 ORDER BY rowid DESC");
        rows.bind(1, std::string_view(query.expression()));
        std::int64_t current = -1;
        RecordingMatch recording;
        // Gives the finished recording to `found`; false when the search is to end.
        auto finish = [&]() -> bool {
            if (current < 0) {
                return true;
            }
            std::string title;
            const auto id = itemOfSlot(current, &title);
            if (!id) {
                return true; // removed meanwhile
            }
            recording.itemID = *id;
            if (recording.best) {
                recording.best->itemID = *id;
                recording.best->title = title;
            }
            return found(recording);
        };
        bool going = true;
        while (going && rows.step()) {
            const std::int64_t rowid = rows.integer(0);
            if (slotOf(rowid) != current) {
                going = finish();
                current = slotOf(rowid);
                recording = RecordingMatch{};
            }
            if (!positionOf(rowid)) {
                recording.titleMatches = true;
                continue;
            }
            ++recording.segmentCount;
            if (m_collector->rowid == rowid) {
                recording.best = collected({}, {}, rowid);
            }
        }
        if (going) {
            finish();
        }
    });
}

std::vector<SegmentMatch> SearchIndex::matchesIn(const Uuid& itemID, const SearchQuery& query) {
    return recovering([&] {
        std::vector<SegmentMatch> matches;
        const auto known = stored(itemID);
        if (!known) {
            return matches;
        }
        SqliteStatement rows =
            m_db->prepare("SELECT rowid, highlight(entries, 0, char(2), char(3)) FROM entries "
                          "WHERE entries MATCH ?1 AND rowid BETWEEN ?2 AND ?3 ORDER BY rowid DESC");
        rows.bind(1, std::string_view(query.expression()))
            .bind(2, rowidOf(known->slot, 0))
            .bind(3, rowidOf(known->slot, maximumPosition));
        while (rows.step()) {
            matches.push_back({*positionOf(rows.integer(0)),
                               MarkedText::fromMarkers(rows.text(1), markOpen, markClose)});
        }
        return matches;
    });
}

std::size_t SearchIndex::recordingCount() {
    return recovering(
        [&] { return std::size_t(m_db->integerOf("SELECT count(*) FROM recordings")); });
}

std::size_t SearchIndex::rowCount() {
    return recovering([&] { return std::size_t(m_db->integerOf("SELECT count(*) FROM entries")); });
}

} // namespace bw
