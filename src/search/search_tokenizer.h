// The tokenizer and ranking helper the search index registers on each of its connections:
// "brindlewick", which is SQLite's unicode61 tokenizer with remove_diacritics 2 followed by
// foldedSearchToken(), and the auxiliary function bw_hits(table), the number of phrase matches in
// a row (a local measure of how well a row matches, which needs no statistics of the whole
// table as bm25 does).
#pragma once

struct sqlite3;

namespace bw {

inline constexpr const char* searchTokenizerName = "brindlewick";

// Throws SearchIndexError when SQLite has no FTS5.
void registerSearchFunctions(sqlite3* db);

} // namespace bw
