#include "search/search_index.h"

#include "search/search_functions.h"
#include "search/search_rows.h"
#include "search/sqlite_connection.h"

#include <functional>
#include <set>
#include <stop_token>

namespace bw {

using namespace search_rows;

namespace {

constexpr char markOpen = '\x02';
constexpr char markClose = '\x03';
// Snippets keep this much of a long segment around its first match.
constexpr std::size_t snippetBytes = 160;

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

SearchMatch SearchIndex::collected(const Uuid& itemID, const std::string& title,
                                   std::int64_t rowid) const {
    return {itemID,
            title,
            positionOf(rowid),
            m_collector->start,
            m_collector->speaker,
            m_collector->text.excerpt(snippetBytes)};
}

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

} // namespace bw
