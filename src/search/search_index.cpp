#include "search/search_index.h"

#include "library/library_layout.h"
#include "platform/atomic_file.h"
#include "search/indexed_transcript.h"
#include "search/search_functions.h"
#include "search/search_index_error.h"
#include "search/search_rows.h"
#include "search/sqlite_connection.h"
#include "transcripts/transcript_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <unordered_map>

namespace bw {

namespace fs = std::filesystem;
using namespace search_rows;

namespace {

// Bumped whenever the schema or the tokenizer's folding changes: an index of another version is
// built again.
constexpr std::int64_t schemaVersion = 1;

// Commits of a long update: often enough that readers see progress and a stop loses little,
// rarely enough that the commits cost little.
constexpr std::size_t batchRecordings = 200;
constexpr auto batchTime = std::chrono::milliseconds(300);

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

struct SearchIndex::Known {
    std::int64_t dataVersion = 0;
    std::unordered_map<Uuid, Stored> recordings;
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
    m_known.reset();
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
    // Two connections that switch a new file to WAL at the same moment make one of them fail at
    // once with "database is locked", whatever the busy time-out: the search's updater and its
    // first query open the index together at start. Opening one at a time in the process avoids
    // that; the switch happens only once per file, so other processes rarely meet it.
    static std::recursive_mutex opening; // recursive: a damaged file is started afresh from here
    std::lock_guard lock(opening);
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
        if (error.kind() != SearchIndexError::Kind::damaged || m_file.empty()) {
            throw;
        }
        startAfresh();
    }
}

void SearchIndex::startAfresh() {
    m_freshStart = true;
    m_known.reset();
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

SearchIndex::Known& SearchIndex::known() {
    const std::int64_t version = m_db->integerOf("PRAGMA data_version");
    if (!m_known || m_known->dataVersion != version) {
        auto fresh = std::make_unique<Known>();
        fresh->dataVersion = version;
        SqliteStatement all =
            m_db->prepare("SELECT slot, id, title, createdAt, transcript FROM recordings");
        while (all.step()) {
            if (const auto id = Uuid::parse(all.text(1))) {
                fresh->recordings.emplace(
                    *id, Stored{all.integer(0), all.text(2), all.integer(3), all.text(4)});
            }
        }
        m_known = std::move(fresh);
    }
    return *m_known;
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
    // Returns what the index now holds for it.
    Stored index(const LibraryItem& item, const std::string& stamp) {
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
        return {slot, item.title, secondsOf(item), stamp};
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
        try {
            return update(store, items, changedFolders, stop, known());
        } catch (...) {
            m_known.reset(); // what was written is unknown now
            throw;
        }
    });
}

SearchIndex::Update SearchIndex::update(const LibraryStore& store,
                                        const std::vector<LibraryItem>& items,
                                        const std::optional<std::set<Uuid>>& changedFolders,
                                        std::stop_token stop, Known& known) {
    Update result;
    const TranscriptStore transcripts(store);
    Writer writer(*this, store);
    auto& recordings = known.recordings;
    std::size_t listed = 0;
    // Oldest first, so that new recordings' rows come in rising order (see Writer::index).
    for (auto at = items.rbegin(); at != items.rend(); ++at, ++listed) {
        const LibraryItem& item = *at;
        if (stop.stop_requested()) {
            break;
        }
        const auto found = recordings.find(item.id);
        const bool looksAtTranscript =
            found == recordings.end() || !changedFolders || changedFolders->count(item.id) > 0;
        const std::string stamp = looksAtTranscript ? transcriptStamp(transcripts.fileURL(item.id))
                                                    : found->second.transcript;
        if (found != recordings.end()) {
            const Stored& was = found->second;
            if (was.title == item.title && was.createdAt == secondsOf(item) &&
                was.transcript == stamp) {
                continue;
            }
        }
        recordings.insert_or_assign(item.id, writer.index(item, stamp));
        ++result.indexed;
    }
    // Every listed item is known now; anything more was indexed but has left the library.
    if (!stop.stop_requested() && recordings.size() > listed) {
        std::set<Uuid> inLibrary;
        for (const auto& item : items) {
            inLibrary.insert(item.id);
        }
        for (auto at = recordings.begin(); at != recordings.end();) {
            if (inLibrary.count(at->first)) {
                ++at;
                continue;
            }
            writer.remove(at->second.slot);
            writer.done();
            ++result.removed;
            at = recordings.erase(at);
        }
    }
    writer.commit();
    return result;
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

std::size_t SearchIndex::recordingCount() {
    return recovering(
        [&] { return std::size_t(m_db->integerOf("SELECT count(*) FROM recordings")); });
}

std::size_t SearchIndex::rowCount() {
    return recovering([&] { return std::size_t(m_db->integerOf("SELECT count(*) FROM entries")); });
}

} // namespace bw
