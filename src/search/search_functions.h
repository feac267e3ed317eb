// What the search index registers on each of its connections: the tokenizer "brindlewick",
// which is SQLite's unicode61 tokenizer with remove_diacritics 2 followed by
// foldedSearchToken(), and the auxiliary function bw_match(table), which gives the number of
// phrase matches in a row (a measure of how well the row matches that needs no statistics of
// the whole table, as bm25 does) and, for the rows the caller wants, collects the row's text with
// the matched words marked, its start and its speaker, so that a query's rows need no second
// look-up each.
#pragma once

#include "search/marked_text.h"

#include <cstdint>
#include <functional>
#include <string>

struct sqlite3;

namespace bw {

inline constexpr const char* searchTokenizerName = "brindlewick";

// What bw_match() hands to the code stepping through a query's rows.
struct MatchCollector {
    // Asked for each row with its identifier and number of matches: whether its details are
    // wanted. None wants none.
    std::function<bool(std::int64_t rowid, int hits)> wants;
    // The details of the last row that was wanted.
    std::int64_t rowid = 0;
    MarkedText text;
    double start = 0;
    std::string speaker;
};

// Registers both on `db`; `collector` must outlive the connection. Throws SearchIndexError when
// SQLite has no FTS5.
void registerSearchFunctions(sqlite3* db, MatchCollector& collector);

} // namespace bw
