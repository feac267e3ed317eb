#include "search/library_search.h"

#include "search/search_index.h"
#include "search/search_index_error.h"

#include <chrono>

namespace bw {

namespace {

// How often a query that keeps finding recordings hands over what it found.
constexpr auto batchInterval = std::chrono::milliseconds(200);

void merge(std::optional<std::set<Uuid>>& into, const std::optional<std::set<Uuid>>& folders) {
    if (!into || !folders) {
        into.reset();
    } else {
        into->insert(folders->begin(), folders->end());
    }
}

} // namespace

LibrarySearch::LibrarySearch(LibraryModel& library, std::filesystem::path indexFile,
                             QObject* parent)
    : QObject(parent), m_library(library), m_indexFile(std::move(indexFile)) {
    connect(&library, &LibraryModel::itemsChanged, this,
            [this] { scheduleUpdate(std::set<Uuid>()); });
    connect(&library, &LibraryModel::itemFoldersChanged, this,
            [this] { scheduleUpdate(m_library.changedItemFolders()); });
    // At start every transcript is looked at: the library may have changed while no process
    // watched it.
    scheduleUpdate(std::nullopt);
}

LibrarySearch::~LibrarySearch() {
    m_queries.join();
    m_updates.join();
}

void LibrarySearch::setText(const std::string& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    auto query = SearchQuery::parse(text);
    const bool newQuery = query != m_query;
    m_query = std::move(query);
    emit textChanged();
    if (newQuery) {
        startQuery();
    }
}

const RecordingMatch* LibrarySearch::match(const Uuid& itemID) const {
    const auto found = m_matches.find(itemID);
    return found == m_matches.end() ? nullptr : &found->second;
}

std::vector<SegmentMatch> LibrarySearch::matchesIn(const Uuid& itemID) {
    SearchIndex* index = m_query ? lookup() : nullptr;
    if (!index) {
        return {};
    }
    std::vector<SegmentMatch> matches;
    try {
        matches = index->matchesIn(itemID, *m_query);
    } catch (const SearchIndexError& error) {
        setProblem(error.what());
    }
    if (index->takeFreshStart()) {
        scheduleUpdate(std::nullopt);
    }
    return matches;
}

SearchIndex* LibrarySearch::lookup() {
    if (!m_lookup) {
        try {
            m_lookup = std::make_unique<SearchIndex>(m_indexFile);
        } catch (const SearchIndexError& error) {
            setProblem(error.what());
        }
    }
    return m_lookup.get();
}

void LibrarySearch::scheduleUpdate(const std::optional<std::set<Uuid>>& changedFolders) {
    if (m_updatePending) {
        merge(m_pendingFolders, changedFolders);
    } else {
        m_pendingFolders = changedFolders;
        m_updatePending = true;
    }
    if (!m_updating) {
        startUpdate();
    }
}

void LibrarySearch::startUpdate() {
    m_updating = true;
    m_updatePending = false;
    auto folders = std::exchange(m_pendingFolders, std::set<Uuid>());
    // The work gets its own copies: the model's items change on this thread meanwhile.
    m_updates.start([this, store = m_library.store(), items = m_library.items(),
                     folders = std::move(folders)](std::stop_token stop, const auto& post) {
        bool changed = false;
        std::optional<std::string> problem;
        try {
            if (!m_writer) {
                m_writer = std::make_unique<SearchIndex>(m_indexFile);
            }
            const auto update = m_writer->update(store, items, folders, stop);
            changed = update.indexed > 0 || update.removed > 0;
        } catch (const SearchIndexError& error) {
            problem = error.what();
        }
        post([this, changed, problem] { updateFinished(changed, problem); });
    });
}

void LibrarySearch::updateFinished(bool changed, std::optional<std::string> problem) {
    m_updating = false;
    setProblem(std::move(problem));
    if (changed) {
        emit indexChanged();
        if (m_query) {
            startQuery();
        }
    }
    if (m_updatePending) {
        startUpdate();
    }
}

void LibrarySearch::startQuery() {
    const std::uint64_t run = ++m_queryRun;
    m_matches.clear();
    m_complete = !m_query;
    emit matchesChanged();
    if (!m_query) {
        m_queries.requestStop();
        return;
    }
    m_queries.start([this, run, query = *m_query](std::stop_token stop, const auto& post) {
        std::vector<RecordingMatch> batch;
        auto handed = std::chrono::steady_clock::now();
        bool first = true;
        auto hand = [&](bool complete) {
            post([this, run, found = std::move(batch), complete]() mutable {
                addMatches(run, std::move(found), complete);
            });
            batch.clear();
            handed = std::chrono::steady_clock::now();
            first = false;
        };
        try {
            if (!m_reader) {
                m_reader = std::make_unique<SearchIndex>(m_indexFile);
            }
            m_reader->searchRecordings(
                query,
                [&](const RecordingMatch& match) {
                    batch.push_back(match);
                    if ((first && batch.size() >= firstBatch) ||
                        (!first && std::chrono::steady_clock::now() - handed > batchInterval)) {
                        hand(false);
                    }
                    return !stop.stop_requested();
                },
                stop);
        } catch (const SearchIndexError&) {
            // Stopped for a newer query, or the index is unusable, which the updater reports.
            if (stop.stop_requested()) {
                return;
            }
        }
        if (m_reader && m_reader->takeFreshStart()) {
            post([this] { scheduleUpdate(std::nullopt); });
        }
        hand(true);
    });
}

void LibrarySearch::addMatches(std::uint64_t run, std::vector<RecordingMatch> found,
                               bool complete) {
    if (run != m_queryRun) {
        return;
    }
    for (auto& match : found) {
        const Uuid id = match.itemID;
        m_matches.insert_or_assign(id, std::move(match));
    }
    m_complete = complete;
    emit matchesChanged();
}

void LibrarySearch::setProblem(std::optional<std::string> problem) {
    if (problem != m_problem) {
        m_problem = std::move(problem);
        emit problemChanged();
    }
}

} // namespace bw
